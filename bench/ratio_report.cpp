#include "ratio_report.h"

#include <cstdio>
#include <iomanip>
#include <sstream>
#include <string>

namespace ravuna_bench {
namespace {

constexpr double kEncodingRatioTarget = 10.0;
constexpr double kDecodingRatioTarget = 4.0;
constexpr double kSensorRatioTarget = 10.0;
constexpr double kDetectionRatioTarget = 3.0;
constexpr double kScalingTarget = 1.5;
constexpr double kBuildPeerTarget = 1.0;      // against FlatBuffers building the frame
constexpr double kBundlePeerTarget = 0.1;     // against oscpack building the bundle
constexpr double kReadPeerTarget = 2.0;       // against FlatBuffers verifying and reading it
constexpr double kSensorTextAllocations = 2;  // the two texts handed out
// The caller-buffer exports: below the peers, since they write straight into
// the caller's memory, and two threads at nearly twice one thread's rate.
constexpr double kBufferBuildPeerTarget = 0.8;  // against FlatBuffers building the frame
constexpr double kArraysReadPeerTarget = 1.0;   // against FlatBuffers verify + read to arrays
constexpr double kTwoThreadsTarget = 1.8;
constexpr int kLargestBoneCount = kBoneCounts[std::size(kBoneCounts) - 1];

std::string Fixed(double value, int decimals) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(decimals) << value;
  return text.str();
}

const Measurement* Find(const Measurements& measurements, const std::string& name) {
  const auto found = measurements.find(name);
  return found == measurements.end() ? nullptr : &found->second;
}

double Ratio(const Measurements& measurements, const BenchCase& benchCase) {
  const Measurement* measured = Find(measurements, benchCase.name);
  const Measurement* floor = Find(measurements, benchCase.floorName);
  if (measured == nullptr || floor == nullptr || floor->nsPerCall <= 0.0) {
    return -1.0;
  }
  return measured->nsPerCall / floor->nsPerCall;
}

double PeerRatio(const Measurements& measurements, const std::string& caseName,
                 const std::string& peerName) {
  const Measurement* measured = Find(measurements, caseName);
  const Measurement* peer = Find(measurements, peerName);
  if (measured == nullptr || peer == nullptr || peer->nsPerCall <= 0.0) {
    return -1.0;
  }
  return measured->nsPerCall / peer->nsPerCall;
}

// A thread case's items per second on two threads over one; -1 when either
// run is missing.
double TwoThreadScaling(const Measurements& measurements, const std::string& caseName) {
  const Measurement* one = Find(measurements, ThreadRunName(caseName, 1));
  const Measurement* two = Find(measurements, ThreadRunName(caseName, 2));
  if (one == nullptr || two == nullptr || one->itemsPerSecond <= 0.0) {
    return -1.0;
  }
  return two->itemsPerSecond / one->itemsPerSecond;
}

const BenchCase* FindCase(const std::string& name) {
  for (const BenchCase& benchCase : ExportCases()) {
    if (benchCase.name == name) {
      return &benchCase;
    }
  }
  return nullptr;
}

class TargetPrinter {
 public:
  TargetPrinter(const Measurements& measurements, std::ostream& out)
      : measurements_(measurements), out_(out) {}

  void RatioAtMost(const std::string& caseName, double limit) {
    const BenchCase* benchCase = FindCase(caseName);
    const double ratio = benchCase == nullptr ? -1.0 : Ratio(measurements_, *benchCase);
    Line(caseName + ": time/floor", Fixed(ratio, 1), "<= " + Fixed(limit, 0),
         ratio >= 0.0 && ratio <= limit, ratio >= 0.0);
  }

  void PeerRatioAtMost(const std::string& caseName, const std::string& peerName, double limit) {
    const double ratio = PeerRatio(measurements_, caseName, peerName);
    Line(caseName + ": time/" + peerName.substr(5), Fixed(ratio, 2), "<= " + Fixed(limit, 1),
         ratio >= 0.0 && ratio <= limit, ratio >= 0.0);
  }

  void AllocationsAtMost(const std::string& caseName, double limit) {
    const Measurement* measured = Find(measurements_, caseName);
    const double allocations = measured == nullptr ? -1.0 : measured->allocationsPerCall;
    Line(caseName + ": allocations/call", Fixed(allocations, 1), "<= " + Fixed(limit, 0),
         allocations >= 0.0 && allocations <= limit, allocations >= 0.0);
  }

  // Time per bone at the largest count against that at 27 bones.
  void LinearScaling(const std::string& exportName) {
    const Measurement* humanoid = Find(measurements_, PerBoneCaseName(exportName, kHumanoidBones));
    const Measurement* largest =
        Find(measurements_, PerBoneCaseName(exportName, kLargestBoneCount));
    double growth = -1.0;
    if (humanoid != nullptr && largest != nullptr && humanoid->nsPerCall > 0.0) {
      growth = (largest->nsPerCall / kLargestBoneCount) / (humanoid->nsPerCall / kHumanoidBones);
    }
    Line(exportName + ": ns/bone at " + std::to_string(kLargestBoneCount) + " / at 27",
         Fixed(growth, 2), "<= " + Fixed(kScalingTarget, 1),
         growth >= 0.0 && growth <= kScalingTarget, growth >= 0.0);
  }

  // Items per second of wall time on two threads against one.
  void TwoThreadsAtLeast(const std::string& caseName, double limit) {
    const double scaling = TwoThreadScaling(measurements_, caseName);
    Line(caseName + ": items/s 2 threads / 1", Fixed(scaling, 2), ">= " + Fixed(limit, 1),
         scaling >= limit, scaling >= 0.0);
  }

  // The same figure with no target: shown beside one that has one.
  void TwoThreadsShown(const std::string& caseName) {
    const double scaling = TwoThreadScaling(measurements_, caseName);
    Print(caseName + ": items/s 2 threads / 1", scaling >= 0.0 ? Fixed(scaling, 2) : "-", "",
          scaling >= 0.0 ? "(for comparison)" : "not run");
  }

  bool allMet() const noexcept { return allMet_; }

 private:
  // `measured` is false when the cases behind the line were filtered out.
  void Line(const std::string& what, const std::string& value, const std::string& target, bool met,
            bool measured = true) {
    Print(what, measured ? value : "-", target, !measured ? "not run" : (met ? "met" : "NOT MET"));
    allMet_ = allMet_ && met;
  }

  void Print(const std::string& what, const std::string& value, const std::string& target,
             const char* status) {
    char line[200];
    std::snprintf(line, sizeof line, "%-84s %8s  %-10s %s\n", what.c_str(), value.c_str(),
                  target.c_str(), status);
    out_ << line;
  }

  const Measurements& measurements_;
  std::ostream& out_;
  bool allMet_ = true;
};

}  // namespace

void RecordingReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    // With --benchmark_repetitions the median stands for the case; it is
    // reported after the single runs, so it replaces them.
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if ((run.run_type != Run::RT_Iteration && !median) || run.error_occurred) {
      continue;
    }
    Measurement measurement;
    // Every benchmark reports in nanoseconds. CPU time, not wall time: the
    // machine may be shared, and the calls are single-threaded (the thread
    // cases count in items per second of wall time).
    measurement.nsPerCall = run.GetAdjustedCPUTime();
    if (const auto bytes = run.counters.find("bytes_per_second"); bytes != run.counters.end()) {
      measurement.bytesPerSecond = bytes->second.value;
    }
    if (const auto allocs = run.counters.find("allocs"); allocs != run.counters.end()) {
      measurement.allocationsPerCall = allocs->second.value;
    }
    if (const auto items = run.counters.find("items_per_second"); items != run.counters.end()) {
      measurement.itemsPerSecond = items->second.value;
    }
    // A case run with ->Threads() is kept once per thread count.
    const std::string& name = run.run_name.function_name;
    measurements_[run.run_name.threads.empty()
                      ? name
                      : ThreadRunName(name, static_cast<int>(run.threads))] = measurement;
  }
}

void PrintRatioTable(const Measurements& measurements, std::ostream& out) {
  char line[240];
  std::snprintf(line, sizeof line, "\n%-50s %12s %10s %12s %12s %9s\n", "case", "ns/call", "MB/s",
                "allocs/call", "floor ns", "x floor");
  out << line;
  for (const BenchCase& benchCase : ExportCases()) {
    const Measurement* measured = Find(measurements, benchCase.name);
    const Measurement* floor = Find(measurements, benchCase.floorName);
    if (measured == nullptr || floor == nullptr) {
      continue;  // left out by --benchmark_filter
    }
    std::snprintf(line, sizeof line, "%-50s %12.1f %10.1f %12.1f %12.1f %9.1f\n",
                  benchCase.name.c_str(), measured->nsPerCall, measured->bytesPerSecond / 1e6,
                  measured->allocationsPerCall, floor->nsPerCall, Ratio(measurements, benchCase));
    out << line;
  }
}

void PrintPeerTable(const Measurements& measurements, std::ostream& out) {
  out << "\nPeers, 27-bone frame (ratio: export time / peer time; - : peer not run)\n";
  const std::string peers[] = {PeerName("flatbuffers", "build"), PeerName("oscpack", "build"),
                               PeerName("flatbuffers", "verify+read"),
                               PeerName("flatbuffers", "verify+read-arrays"),
                               PeerName("oscpack", "read")};
  char line[240];
  std::snprintf(line, sizeof line, "%-44s", "case");
  out << line;
  for (const std::string& peer : peers) {
    // "Peer/" and the bone count (every column is the 27-bone frame) left out.
    std::string heading = peer.substr(5, peer.rfind('/') - 5);
    if (const Measurement* measured = Find(measurements, peer)) {
      heading += " ";
      heading += Fixed(measured->nsPerCall, 0);
      heading += "ns";
    }
    std::snprintf(line, sizeof line, " %35s", heading.c_str());
    out << line;
  }
  out << "\n";
  for (const char* exportName :
       {"ConvertSkeletonDefinitionToBytes", "ConvertFrameDataToBytes",
        "ConvertSkeletonDefinitionToBuffer", "ConvertFrameDataToBuffer",
        "ConvertBytesToSkeletonDefinition", "ConvertBytesToFrameData",
        "ConvertBytesToSkeletonDefinitionArrays", "ConvertBytesToFrameDataArrays"}) {
    const std::string caseName = PerBoneCaseName(exportName, kHumanoidBones);
    if (Find(measurements, caseName) == nullptr) {
      continue;
    }
    std::snprintf(line, sizeof line, "%-44s", caseName.c_str());
    out << line;
    for (const std::string& peer : peers) {
      const double ratio = PeerRatio(measurements, caseName, peer);
      std::snprintf(line, sizeof line, " %35s", ratio < 0.0 ? "-" : Fixed(ratio, 2).c_str());
      out << line;
    }
    out << "\n";
  }
}

void PrintThreadTable(const Measurements& measurements, std::ostream& out) {
  out << "\nThreads, each encoding and decoding its own 27-bone frames (items/s, wall time)\n";
  char line[240];
  std::snprintf(line, sizeof line, "%-44s %14s %14s %12s\n", "case", "1 thread", "2 threads",
                "2 / 1");
  out << line;
  for (const std::string& caseName : {CallerBufferRoundTripName(), HandedOutRoundTripName()}) {
    const Measurement* one = Find(measurements, ThreadRunName(caseName, 1));
    const Measurement* two = Find(measurements, ThreadRunName(caseName, 2));
    if (one == nullptr || two == nullptr) {
      continue;  // left out by --benchmark_filter
    }
    std::snprintf(line, sizeof line, "%-44s %14.0f %14.0f %12.2f\n", caseName.c_str(),
                  one->itemsPerSecond, two->itemsPerSecond,
                  TwoThreadScaling(measurements, caseName));
    out << line;
  }
}

bool PrintTargets(const Measurements& measurements, std::ostream& out) {
  out << "\nTargets (27 bones is a full humanoid body)\n";
  TargetPrinter targets(measurements, out);
  const std::string humanoid = std::to_string(kHumanoidBones);
  for (const char* exportName : {"ConvertFrameDataToBytes", "ConvertSkeletonDefinitionToBytes"}) {
    const std::string caseName = PerBoneCaseName(exportName, kHumanoidBones);
    targets.RatioAtMost(caseName, kEncodingRatioTarget);
    targets.PeerRatioAtMost(caseName, PeerName("flatbuffers", "build"), kBuildPeerTarget);
    targets.PeerRatioAtMost(caseName, PeerName("oscpack", "build"), kBundlePeerTarget);
    targets.AllocationsAtMost(caseName, 1);
  }
  for (const char* exportName : {"ConvertBytesToFrameData", "ConvertBytesToSkeletonDefinition"}) {
    const std::string caseName = PerBoneCaseName(exportName, kHumanoidBones);
    targets.RatioAtMost(caseName, kDecodingRatioTarget);
    targets.PeerRatioAtMost(caseName, PeerName("flatbuffers", "verify+read"), kReadPeerTarget);
    targets.AllocationsAtMost(caseName, 1);
  }
  for (const SensorVariant& variant : kSensorVariants) {
    const std::string encoding = std::string("ConvertSensorDataToBytes/") + variant.name;
    const std::string parsing = std::string("ConvertBytesToSensorData/") + variant.name;
    targets.RatioAtMost(encoding, kSensorRatioTarget);
    targets.AllocationsAtMost(encoding, 1);
    targets.RatioAtMost(parsing, kSensorRatioTarget);
    targets.AllocationsAtMost(parsing, kSensorTextAllocations + 1);
  }
  for (const std::string detection :
       {"IsRmfBytes/frame/", "IsFrameDataBytes/frame/", "IsSkeletonDefinitionBytes/skeleton/"}) {
    targets.RatioAtMost(detection + humanoid, kDetectionRatioTarget);
    targets.AllocationsAtMost(detection + humanoid, 0);
  }
  for (const char* exportName : {"ConvertFrameDataToBuffer", "ConvertSkeletonDefinitionToBuffer"}) {
    const std::string caseName = PerBoneCaseName(exportName, kHumanoidBones);
    targets.PeerRatioAtMost(caseName, PeerName("flatbuffers", "build"), kBufferBuildPeerTarget);
    targets.AllocationsAtMost(caseName, 0);
  }
  for (const char* exportName :
       {"ConvertBytesToFrameDataArrays", "ConvertBytesToSkeletonDefinitionArrays"}) {
    const std::string caseName = PerBoneCaseName(exportName, kHumanoidBones);
    targets.PeerRatioAtMost(caseName, PeerName("flatbuffers", "verify+read-arrays"),
                            kArraysReadPeerTarget);
    targets.AllocationsAtMost(caseName, 0);
    targets.AllocationsAtMost(GeneralCaseName(exportName, kHumanoidBones), 0);
  }
  for (const SensorVariant& variant : kSensorVariants) {
    targets.AllocationsAtMost(std::string("ConvertSensorDataToBuffer/") + variant.name, 0);
    targets.AllocationsAtMost(std::string("ConvertBytesToSensorDataTexts/") + variant.name, 0);
  }
  targets.TwoThreadsAtLeast(CallerBufferRoundTripName(), kTwoThreadsTarget);
  targets.TwoThreadsShown(HandedOutRoundTripName());
  for (const char* exportName :
       {"ConvertBytesToFrameData", "ConvertBytesToSkeletonDefinition", "ConvertFrameDataToBytes",
        "ConvertSkeletonDefinitionToBytes", "ConvertBytesToFrameDataArrays",
        "ConvertBytesToSkeletonDefinitionArrays", "ConvertFrameDataToBuffer",
        "ConvertSkeletonDefinitionToBuffer"}) {
    targets.LinearScaling(exportName);
  }
  return targets.allMet();
}

}  // namespace ravuna_bench
