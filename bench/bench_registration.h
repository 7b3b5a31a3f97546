// Registration of the benchmark families, and the measuring loop they share.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <utility>

#include "bench_cases.h"
#include "counting_allocator.h"

namespace ravuna_bench {

void RegisterFloorBenchmarks();
void RegisterExportBenchmarks();
void RegisterCallerBufferBenchmarks();
void RegisterThreadBenchmarks();
void RegisterPeerBenchmarks();  // those whose packages were found

// Runs `call` once per iteration and reports the heap allocations per call
// and the document bytes handled per second. A call that fails stops the
// benchmark with an error, so a broken case never reports a time.
template <class Call>
void MeasureCalls(benchmark::State& state, std::size_t documentLength, Call&& call) {
  const std::uint64_t allocationsBefore = AllocationCount();
  for (auto _ : state) {
    if (!call()) {
      state.SkipWithError("the call returned false");
      break;
    }
  }
  const auto allocations = static_cast<double>(AllocationCount() - allocationsBefore);
  state.counters["allocs"] = benchmark::Counter(allocations, benchmark::Counter::kAvgIterations);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(documentLength));
}

// Registers an export case measured by MeasureCalls and records it for the
// ratio report.
template <class Call>
void RegisterExportCase(BenchCase benchCase, std::size_t documentLength, Call call) {
  benchmark::RegisterBenchmark(benchCase.name.c_str(), [documentLength,
                                                        call](benchmark::State& state) {
    MeasureCalls(state, documentLength, call);
  })->Unit(benchmark::kNanosecond);
  ExportCases().push_back(std::move(benchCase));
}

}  // namespace ravuna_bench
