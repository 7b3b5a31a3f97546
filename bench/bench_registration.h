// Registration of the benchmark families, and the measuring loop they share.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

#include "counting_allocator.h"

namespace ravuna_bench {

void RegisterFloorBenchmarks();
void RegisterExportBenchmarks();
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

}  // namespace ravuna_bench
