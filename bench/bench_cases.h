// The benchmark cases of one run: each export case names the floor case it
// is compared with, and the run's measurements are kept by case name.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace ravuna_bench {

inline constexpr int kBoneCounts[] = {0, 1, 27, 256, 4096};
inline constexpr int kHumanoidBones = 27;
// Bone counts of the documents only the general walk reads.
inline constexpr int kGeneralBoneCounts[] = {27, 256};

// Sensor records with texts (address and name) of a short and a long length.
struct SensorVariant {
  const char* name;
  std::size_t textLength;
};
inline constexpr SensorVariant kSensorVariants[] = {{"short", 12}, {"long", 4096}};

enum class CaseKind { encoding, decoding, sensor, detection };

struct BenchCase {
  std::string name;       // the benchmark's name, e.g. "ConvertFrameDataToBytes/27"
  std::string floorName;  // the floor benchmark it is compared with
  CaseKind kind;
};

// The export cases registered so far, in registration order.
std::vector<BenchCase>& ExportCases();

struct Measurement {
  double nsPerCall = 0.0;
  double bytesPerSecond = 0.0;
  double allocationsPerCall = 0.0;
  double itemsPerSecond = 0.0;
};

using Measurements = std::map<std::string, Measurement>;

// Names shared by the registration and the report.
std::string PerBoneCaseName(const std::string& exportName, int bones);
// A decode of a document the fast read refuses, e.g.
// "ConvertBytesToFrameData/general/27".
std::string GeneralCaseName(const std::string& exportName, int bones);
std::string CopyFloorName(const std::string& document, const std::string& variant);
std::string DecodeFloorName(const std::string& document, const std::string& variant);
// A peer's run on the 27-bone frame, e.g. "Peer/flatbuffers/build/27".
std::string PeerName(const std::string& peer, const std::string& operation);
// The thread cases: a 27-bone frame encoded and decoded per item, by the
// caller-buffer exports or by the handed-out ones under the caller's lock.
std::string CallerBufferRoundTripName();  // "FrameRoundTrip/caller-buffer/27"
std::string HandedOutRoundTripName();     // "FrameRoundTrip/handed-out+lock/27"
// The measurement of a case run on `threads` threads.
std::string ThreadRunName(const std::string& caseName, int threads);

}  // namespace ravuna_bench
