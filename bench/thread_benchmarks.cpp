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
  Bytes document;
  int size = 0;
  EncodeFrameToBuffer(bones, document, size);  // with no capacity: asks the length
  document.resize(static_cast<std::size_t>(size));
  FrameArrays arrays(kHumanoidBones);
  for (auto _ : state) {
    if (!EncodeFrameToBuffer(bones, document, size) || !ParseFrameArrays(document, arrays)) {
      state.SkipWithError("the call returned false");
      break;
    }
    benchmark::DoNotOptimize(arrays.bones.ids.data());
  }
  state.SetItemsProcessed(state.iterations());
}

// The host's lock, held across each handed-out call and the copying of its
// results.
std::mutex handedOutLock;

bool CopyParsedFrame(const ParsedFrame& parsed, FrameArrays& out) {
  const auto count = static_cast<std::size_t>(parsed.bones.boneCount);
  if (count > out.bones.ids.size()) {
    return false;
  }
  out.bones.boneCount = parsed.bones.boneCount;
  std::copy_n(parsed.bones.boneIds, count, out.bones.ids.begin());
  for (std::size_t k = 0; k < out.bones.transform.size(); ++k) {
    std::copy_n(parsed.bones.transform[k], count, out.bones.transform[k].begin());
  }
  out.frameNumber = parsed.frameNumber;
  out.time = parsed.time;
  out.uttm = parsed.uttm;
  std::copy_n(parsed.timecode, 5, out.timecode);
  out.timecodeFlag = parsed.timecodeFlag;
  return true;
}

void HandedOutRoundTrip(benchmark::State& state) {
  const BoneInputs bones(kHumanoidBones);
  Bytes document;
  {
    const std::lock_guard lock(handedOutLock);
    document = FrameDocument(bones);
  }
  FrameArrays arrays(kHumanoidBones);
  for (auto _ : state) {
    bool done = false;
    {
      const std::lock_guard lock(handedOutLock);
      int size = 0;
      unsigned char* buffer = nullptr;
      done = EncodeFrame(bones, size, buffer) && static_cast<std::size_t>(size) == document.size();
      if (done) {
        std::copy_n(buffer, document.size(), document.begin());
      }
    }
    if (done) {
      const std::lock_guard lock(handedOutLock);
      ParsedFrame parsed;
      done = ParseFrame(document, parsed) && CopyParsedFrame(parsed, arrays);
    }
    if (!done) {
      state.SkipWithError("the call returned false");
      break;
    }
    benchmark::DoNotOptimize(arrays.bones.ids.data());
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
