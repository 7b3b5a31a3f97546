#include "bench_cases.h"

namespace ravuna_bench {

std::vector<BenchCase>& ExportCases() {
  static std::vector<BenchCase> cases;
  return cases;
}

std::string PerBoneCaseName(const std::string& exportName, int bones) {
  return exportName + "/" + std::to_string(bones);
}

std::string GeneralCaseName(const std::string& exportName, int bones) {
  return exportName + "/general/" + std::to_string(bones);
}

std::string CopyFloorName(const std::string& document, const std::string& variant) {
  return "Floor/memcpy/" + document + "/" + variant;
}

std::string DecodeFloorName(const std::string& document, const std::string& variant) {
  return "Floor/memcpy+arrays/" + document + "/" + variant;
}

std::string PeerName(const std::string& peer, const std::string& operation) {
  return "Peer/" + peer + "/" + operation + "/" + std::to_string(kHumanoidBones);
}

std::string CallerBufferRoundTripName() {
  return "FrameRoundTrip/caller-buffer/" + std::to_string(kHumanoidBones);
}

std::string HandedOutRoundTripName() {
  return "FrameRoundTrip/handed-out+lock/" + std::to_string(kHumanoidBones);
}

std::string ThreadRunName(const std::string& caseName, int threads) {
  return caseName + "/threads:" + std::to_string(threads);
}

}  // namespace ravuna_bench
