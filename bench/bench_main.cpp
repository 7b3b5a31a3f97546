// The benchmark program: the floors, every export, the peers, the thread
// cases, then the ratio, peer and thread tables and the targets. Extra
// arguments go to Google Benchmark (for example --benchmark_filter=Frame or
// --benchmark_min_time=0.1).
#include <iostream>

#include "bench_registration.h"
#include "ratio_report.h"

int main(int argc, char** argv) {
  ravuna_bench::RegisterFloorBenchmarks();
  ravuna_bench::RegisterExportBenchmarks();
  ravuna_bench::RegisterCallerBufferBenchmarks();
  ravuna_bench::RegisterThreadBenchmarks();
  ravuna_bench::RegisterPeerBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  ravuna_bench::RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  ravuna_bench::PrintRatioTable(reporter.measurements(), std::cout);
  ravuna_bench::PrintPeerTable(reporter.measurements(), std::cout);
  ravuna_bench::PrintThreadTable(reporter.measurements(), std::cout);
  ravuna_bench::PrintTargets(reporter.measurements(), std::cout);
  return 0;
}
