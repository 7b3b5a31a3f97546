// Registration of the benchmark families, and the measuring loop they share.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
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

// An encoding case, e.g. "ConvertFrameDataToBytes/27", compared with
// copying its `document` ("skeleton", "frame" or "sensor").
template <class Call>
void RegisterEncodingCase(const std::string& exportName, const std::string& document,
                          const std::string& variant, std::size_t documentLength, Call call) {
  RegisterExportCase(
      {exportName + "/" + variant, CopyFloorName(document, variant), CaseKind::encoding},
      documentLength, std::move(call));
}

// A decoding case of a `count`-bone document, compared with copying it and
// its arrays.
template <class Call>
void RegisterDecodingCase(const std::string& caseName, const std::string& document, int count,
                          std::size_t documentLength, Call call) {
  RegisterExportCase(
      {caseName, DecodeFloorName(document, std::to_string(count)), CaseKind::decoding},
      documentLength, std::move(call));
}

// Registers a family's cases for each bone count, each count of the
// documents only the general walk reads, and each sensor variant.
inline void RegisterPerInput(void (*boneCases)(int), void (*generalCases)(int),
                             void (*sensorCases)(const SensorVariant&)) {
  for (const int count : kBoneCounts) {
    boneCases(count);
  }
  for (const int count : kGeneralBoneCounts) {
    generalCases(count);
  }
  for (const SensorVariant& variant : kSensorVariants) {
    sensorCases(variant);
  }
}

}  // namespace ravuna_bench
