// The report after the run: every export case against its floor, and the
// targets for a 27-bone humanoid.
#pragma once

#include <benchmark/benchmark.h>

#include <ostream>
#include <vector>

#include "bench_cases.h"

namespace ravuna_bench {

// Shows the usual console output and keeps each run's measurement.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  const Measurements& measurements() const noexcept { return measurements_; }

 private:
  Measurements measurements_;
};

// One line per export case: ns/call, MB/s, allocations/call, floor, ratio.
void PrintRatioTable(const Measurements& measurements, std::ostream& out);

// Each 27-bone export case against each peer run.
void PrintPeerTable(const Measurements& measurements, std::ostream& out);

// Items per second of the thread cases on one and two threads.
void PrintThreadTable(const Measurements& measurements, std::ostream& out);

// Each target for 27 bones with the measured value and whether it is met;
// returns true when all of them are.
bool PrintTargets(const Measurements& measurements, std::ostream& out);

}  // namespace ravuna_bench
