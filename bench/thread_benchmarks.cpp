// One thread, then two, each encoding and decoding its own 27-bone frames
// with inputs, document and arrays of its own; wall time, so two threads
// that do not hold each other up finish twice the frames per second. The
// caller-buffer exports share nothing between threads. The handed-out
// exports free their memory at the next call of any thread, so a host must
// hold a lock of its own across each call and the copying of its results;
// that path is measured the same way for comparison.
#include <algorithm>
#include <mutex>
#include <string>

#include "bench_cases.h"
#include "bench_registration.h"
#include "sample_documents.h"

namespace ravuna_bench {
namespace {

void CallerBufferRoundTrip(benchmark::State& state) {
  const BoneInputs bones(kHumanoidBones);
  Bytes document = FrameDocument(bones);
  auto arrays = FrameArrays(kHumanoidBones);
  for (auto _ : state) {
    int size = 0;
    if (!calls::EncodeIntoBuffer(kSender, bones.frame, document, size) ||
        !calls::ParseIntoArrays(document, arrays)) {
      state.SkipWithError("the call returned false");
      break;
    }
    benchmark::DoNotOptimize(arrays.values.bones.ids.data());
  }
  state.SetItemsProcessed(state.iterations());
}

// The host's lock, held across each handed-out call and the copying of its
// results.
std::mutex handedOutLock;

void HandedOutRoundTrip(benchmark::State& state) {
  const BoneInputs bones(kHumanoidBones);
  Bytes document;
  {
    const std::lock_guard lock(handedOutLock);
    document = FrameDocument(bones);
  }
  // Sized once, so the copies below reuse its arrays.
  auto parsed = FrameArrays(kHumanoidBones);
  for (auto _ : state) {
    bool done = false;
    {
      const std::lock_guard lock(handedOutLock);
      calls::HandedOutDocument out;
      done = calls::EncodeHandedOut(kSender, bones.frame, out) &&
             static_cast<std::size_t>(out.size) == document.size();
      if (done) {
        std::copy_n(out.buffer, document.size(), document.begin());
      }
    }
    if (done) {
      const std::lock_guard lock(handedOutLock);
      done = calls::ParseHandedOut(document, parsed);
    }
    if (!done) {
      state.SkipWithError("the call returned false");
      break;
    }
    benchmark::DoNotOptimize(parsed.values.bones.ids.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void RegisterRoundTrip(const std::string& name, void (*roundTrip)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name.c_str(), roundTrip)
      ->Threads(1)
      ->Threads(2)
      ->UseRealTime()
      ->Unit(benchmark::kNanosecond);
}

}  // namespace

void RegisterThreadBenchmarks() {
  RegisterRoundTrip(CallerBufferRoundTripName(), CallerBufferRoundTrip);
  RegisterRoundTrip(HandedOutRoundTripName(), HandedOutRoundTrip);
}

}  // namespace ravuna_bench
