#include "ratio_report.h"

#include <cstdio>
#include <iomanip>
#include <sstream>
#include <string>

namespace ravuna_bench {
namespace {

constexpr double kEncodingRatioTarget = 150.0;
constexpr double kDecodingRatioTarget = 10.0;
constexpr double kDetectionRatioTarget = 3.0;
constexpr double kScalingTarget = 1.5;
constexpr int kEncodingAllocationAllowance = 10;  // beyond one per bone
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

  void AllocationsAtMost(const std::string& caseName, double limit) {
    const Measurement* measured = Find(measurements_, caseName);
    const double allocations = measured == nullptr ? -1.0 : measured->allocationsPerCall;
    Line(caseName + ": allocations/call", Fixed(allocations, 1), "<= " + Fixed(limit, 0),
         allocations >= 0.0 && allocations <= limit, allocations >= 0.0);
  }

  // Allocations per call may not depend on the bone count.
  void AllocationsConstant(const std::string& exportName) {
    const Measurement* fewest = Find(measurements_, PerBoneCaseName(exportName, 0));
    const Measurement* most = Find(measurements_, PerBoneCaseName(exportName, kLargestBoneCount));
    const bool measured = fewest != nullptr && most != nullptr;
    const std::string value = measured ? Fixed(fewest->allocationsPerCall, 1) + " at 0 bones, " +
                                             Fixed(most->allocationsPerCall, 1) + " at " +
                                             std::to_string(kLargestBoneCount)
                                       : "n/a";
    Line(exportName + ": allocations vs bones", value, "constant",
         measured && most->allocationsPerCall <= fewest->allocationsPerCall + 0.5, measured);
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

  bool allMet() const noexcept { return allMet_; }

 private:
  // `measured` is false when the cases behind the line were filtered out.
  void Line(const std::string& what, const std::string& value, const std::string& target, bool met,
            bool measured = true) {
    char line[200];
    std::snprintf(line, sizeof line, "%-62s %28s  %-10s %s\n", what.c_str(),
                  measured ? value.c_str() : "-", target.c_str(),
                  !measured ? "not run" : (met ? "met" : "NOT MET"));
    out_ << line;
    allMet_ = allMet_ && met;
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
    // machine may be shared, and the calls are single-threaded.
    measurement.nsPerCall = run.GetAdjustedCPUTime();
    if (const auto bytes = run.counters.find("bytes_per_second"); bytes != run.counters.end()) {
      measurement.bytesPerSecond = bytes->second.value;
    }
    if (const auto allocs = run.counters.find("allocs"); allocs != run.counters.end()) {
      measurement.allocationsPerCall = allocs->second.value;
    }
    measurements_[run.run_name.function_name] = measurement;
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

bool PrintTargets(const Measurements& measurements, std::ostream& out) {
  out << "\nTargets (27 bones is a full humanoid body)\n";
  TargetPrinter targets(measurements, out);
  const std::string humanoid = std::to_string(kHumanoidBones);
  for (const char* exportName : {"ConvertBytesToFrameData", "ConvertBytesToSkeletonDefinition"}) {
    targets.RatioAtMost(PerBoneCaseName(exportName, kHumanoidBones), kDecodingRatioTarget);
    targets.AllocationsConstant(exportName);
  }
  for (const char* exportName : {"ConvertFrameDataToBytes", "ConvertSkeletonDefinitionToBytes"}) {
    targets.RatioAtMost(PerBoneCaseName(exportName, kHumanoidBones), kEncodingRatioTarget);
    targets.AllocationsAtMost(PerBoneCaseName(exportName, kHumanoidBones),
                              kHumanoidBones + kEncodingAllocationAllowance);
  }
  for (const std::string detection :
       {"IsRmfBytes/frame/", "IsFrameDataBytes/frame/", "IsSkeletonDefinitionBytes/skeleton/"}) {
    targets.RatioAtMost(detection + humanoid, kDetectionRatioTarget);
  }
  for (const char* exportName : {"ConvertBytesToFrameData", "ConvertBytesToSkeletonDefinition",
                                 "ConvertFrameDataToBytes", "ConvertSkeletonDefinitionToBytes"}) {
    targets.LinearScaling(exportName);
  }
  return targets.allMet();
}

}  // namespace ravuna_bench
