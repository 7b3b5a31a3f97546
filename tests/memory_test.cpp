// Memory, counted by replacing the global allocation functions: lifetimes of
// what is handed out, exhausted memory at every allocation, caller-buffer
// calls that allocate nothing, calls without caller lock.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <cstdlib>
#include <functional>
#include <new>
#include <thread>

#include "test_calls.h"

namespace {

std::atomic<long> liveAllocations{0};
std::atomic<long> allocations{0};               // every allocation made
std::atomic<long> allocationsUntilFailure{-1};  // -1: never fail

void* Allocate(std::size_t size) {
  void* memory = allocationsUntilFailure-- == 0 ? nullptr : std::malloc(size == 0 ? 1 : size);
  if (allocationsUntilFailure < 0) allocationsUntilFailure = -1;
  if (memory == nullptr) throw std::bad_alloc();
  ++allocations;
  return ++liveAllocations, memory;
}

void Free(void* memory) noexcept {
  if (memory != nullptr) --liveAllocations;
  std::free(memory);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* memory) noexcept { Free(memory); }
void operator delete[](void* memory) noexcept { Free(memory); }
void operator delete(void* memory, std::size_t) noexcept { Free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Free(memory); }

namespace {

using namespace test_calls;

// Every output of every call, all sentinels, sized so that copying a
// successful call's values allocates nothing.
struct Outputs {
  explicit Outputs(int bones)
      : skeleton(Sentinels<SkeletonDefinition>(bones)),
        frame(Sentinels<FrameData>(bones)),
        sensor(Sentinels<SensorData>(15)),
        buffer(4096, 0xA5) {}
  HandedOutDocument document{kIntSentinel, nullptr};
  Parsed<SkeletonDefinition> skeleton;
  Parsed<FrameData> frame;
  Parsed<SensorData> sensor;
  HandedOutArrays arrays;
  HandedOutTexts texts;
  Bytes buffer;
  int size = kIntSentinel;
  TextLengths lengths{kIntSentinel, kIntSentinel};

  bool Unchanged() const {
    const Outputs fresh(27);
    return document.size == kIntSentinel && document.buffer == nullptr && Unwritten(skeleton, 27) &&
           Unwritten(frame, 27) && Unwritten(sensor, 15) && arrays.ids == nullptr &&
           arrays.parentIds == nullptr && arrays.transforms == fresh.arrays.transforms &&
           !texts.address && !texts.name && buffer == fresh.buffer && size == kIntSentinel &&
           lengths.address == kIntSentinel;
  }
};

// Each export once, from one warmed-up state: the six that hand out memory,
// then the six that use the caller's.
class HandedOutMemory : public testing::Test {
 protected:
  static constexpr std::size_t kHandingOut = 6;
  const SkeletonDefinition skeleton{MakeBones(27)};
  const FrameData frame = MakeFrame(MakeBones(27));
  const SensorData sensor = MakeSensor("fifteen address", "fifteen letters", 3);  // inline texts
  const Bytes skeletonDoc = EncodeCopy(skeleton), frameDoc = EncodeCopy(frame);
  const Bytes sensorDoc = EncodeCopy(sensor);
  Outputs out{27};
  const std::function<bool()> calls[12] = {
      [&] { return EncodeHandedOut(kSender, frame, out.document); },
      [&] { return EncodeHandedOut(kSender, sensor, out.document); },
      [&] { return ParseHandedOut(skeletonDoc, out.skeleton, &out.arrays); },
      [&] { return ParseHandedOut(frameDoc, out.frame, &out.arrays); },
      [&] { return EncodeHandedOut(kSender, skeleton, out.document); },
      [&] { return ParseHandedOut(sensorDoc, out.sensor, &out.texts); },
      [&] { return EncodeIntoBuffer(kSender, skeleton, out.buffer, out.size); },
      [&] { return EncodeIntoBuffer(kSender, frame, out.buffer, out.size); },
      [&] { return EncodeIntoBuffer(kSender, sensor, out.buffer, out.size); },
      [&] { return ParseIntoArrays(skeletonDoc, out.skeleton); },
      [&] { return ParseIntoArrays(frameDoc, out.frame); },
      [&] { return ParseIntoTexts(sensorDoc, out.sensor, out.lengths); }};

  void SetUp() override {
    for (const auto& call : calls) ASSERT_TRUE(call());
    out = Outputs(27);
  }
};

// Failing calls write nothing, free nothing handed out (the heap overwrites a
// freed buffer's first bytes) and leak nothing: a second sweep ends with no
// more live allocations than the first. The caller-buffer calls succeed with
// the first allocation failing, having made none.
TEST_F(HandedOutMemory, ExhaustedAtAnyAllocationChangesNothing) {
  for (std::size_t call = 0; call < std::size(calls); ++call) {
    std::vector<long> liveAfterSweep;
    liveAfterSweep.reserve(2);
    for (int sweep = 0; sweep < 2; ++sweep) {
      HandedOutDocument last;
      ASSERT_TRUE(EncodeHandedOut(kSender, MakeFrame(MakeBones(3)), last));
      const Bytes copy = last.Copy();
      for (long failAt = 0;; ++failAt) {
        SCOPED_TRACE("call " + std::to_string(call) + ", allocation " + std::to_string(failAt));
        out = Outputs(27);
        const long allocationsBefore = allocations;
        allocationsUntilFailure = failAt;
        const bool ok = calls[call]();
        const long made = allocations - allocationsBefore;
        const bool failed = allocationsUntilFailure == -1;
        allocationsUntilFailure = -1;
        if (!failed) {  // a recording call frees `last`, a caller-buffer call nothing
          ASSERT_TRUE(ok);
          EXPECT_EQ(failAt > 0, call < kHandingOut);
          EXPECT_EQ(made == 0, call >= kHandingOut);
          if (call >= kHandingOut) {
            ASSERT_EQ(Bytes(last.buffer, last.buffer + last.size), copy);
          }
          break;
        }
        EXPECT_TRUE(!ok && out.Unchanged());
        ASSERT_EQ(Bytes(last.buffer, last.buffer + last.size), copy);
      }
      liveAfterSweep.push_back(liveAllocations);
    }
    EXPECT_LE(liveAfterSweep[1], liveAfterSweep[0]) << "call " << call;
  }
}

// Detection, sensor parsing, failed parses and every caller-buffer call
// record nothing and free nothing: the last hand-out, a document or arrays,
// stays intact.
TEST_F(HandedOutMemory, CallsThatRecordNothingFreeNothing) {
  const auto callsThatRecordNothing = [&] {
    const long before = liveAllocations;
    EXPECT_TRUE(IsRmfBytes(static_cast<int>(frameDoc.size()), frameDoc.data()) && calls[5]());
    out.texts = {};
    Parsed<SkeletonDefinition> skeletonOut;
    Parsed<FrameData> frameOut;
    EXPECT_FALSE(ParseHandedOut(frameDoc, skeletonOut) || ParseHandedOut(Bytes(7, 1), frameOut));
    for (std::size_t call = kHandingOut; call < std::size(calls); ++call)
      EXPECT_TRUE(calls[call]());
    EXPECT_EQ(liveAllocations, before);
  };
  HandedOutDocument last;
  ASSERT_TRUE(EncodeHandedOut(kSender, MakeFrame(MakeBones(3)), last));
  const Bytes copy = last.Copy();
  callsThatRecordNothing();
  EXPECT_EQ(Bytes(last.buffer, last.buffer + last.size), copy);

  ASSERT_TRUE(calls[2]());  // the skeleton's arrays handed out
  const HandedOutArrays a = out.arrays;
  const auto contents = [&a] {
    Bytes all;
    const auto append = [&all](const void* array, std::size_t elementSize) {
      const auto* bytes = static_cast<const std::uint8_t*>(array);
      all.insert(all.end(), bytes, bytes + 27 * elementSize);
    };
    append(a.ids, sizeof(int));
    append(a.parentIds, sizeof(int));
    for (const float* component : a.transforms) append(component, sizeof(float));
    return all;
  };
  const Bytes arrays = contents();
  callsThatRecordNothing();
  EXPECT_EQ(contents(), arrays);
}

// Threads released together make calls with no caller-side lock, checking only
// their own variables; a race on the record of handed-out memory frees twice
// (a crash) or leaks (the live count). The caller-buffer calls run on each
// thread's own buffers and give the handed-out calls' bytes and values.
TEST(Concurrency, CallsWithoutCallerLockKeepTheRecordIntact) {
  constexpr std::uint32_t kThreads = 8;
  constexpr int kShapes = 28;  // bone counts 0 to 27
  std::vector<Bytes> frames, skeletons, sensors;
  std::vector<std::vector<Bytes>> shapes(kThreads);  // each thread's frame of each bone count
  std::vector<Parsed<FrameData>> frameValues(kThreads);
  std::vector<Parsed<SkeletonDefinition>> skeletonValues(kThreads);
  std::vector<Parsed<SensorData>> sensorValues(kThreads);
  for (std::uint32_t t = 0; t < kThreads; ++t) {
    const int id = static_cast<int>(t);
    const Sender sender{"10.0.0.1", t};
    frames.push_back(EncodeCopy(MakeFrame(MakeBones(3, id), id), sender));
    skeletons.push_back(EncodeCopy(SkeletonDefinition{MakeBones(3, id)}, sender));
    sensors.push_back(EncodeCopy(MakeSensor("a", "n", id), sender));
    for (int n = 0; n < kShapes; ++n) {
      shapes[t].push_back(EncodeCopy(MakeFrame(MakeBones(n, id), n), {"1.1.1.1", t}));
    }
    ASSERT_TRUE(ParseHandedOut(frames[t], frameValues[t]) &&
                ParseHandedOut(skeletons[t], skeletonValues[t]) &&
                ParseHandedOut(sensors[t], sensorValues[t]));
  }
  const auto settle = [&] {  // the library's reusable memory warmed, then one hand-out
    Parsed<SkeletonDefinition> s;
    Parsed<FrameData> f;
    Parsed<SensorData> r;
    ParseHandedOut(skeletons[0], s), ParseHandedOut(frames[0], f), ParseHandedOut(sensors[0], r);
    for (int i = 0; i < 3; ++i) EncodeCopy(MakeFrame(MakeBones(27)));
    return liveAllocations.load();
  };
  std::barrier sync(kThreads);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  threads.reserve(kThreads);
  const long before = settle();
  for (std::uint32_t t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const int id = static_cast<int>(t);
      const Sender sender{"1.1.1.1", t};
      Parsed<FrameData> frame = Sentinels<FrameData>(27);
      Parsed<SkeletonDefinition> skeleton = Sentinels<SkeletonDefinition>(27);
      Parsed<SensorData> sensor = Sentinels<SensorData>(1);
      HandedOutDocument document;
      Bytes buffer(2048);
      int size = 0;
      TextLengths lengths;
      sync.arrive_and_wait();
      for (int round = 0; round < 10000; ++round) {
        const int n = round % kShapes;
        const FrameData values = MakeFrame(MakeBones(n, id), n);
        bool ok = true;
        for (int i = 0; i < 8; ++i) {
          ok &= EncodeHandedOut(sender, values, document) && document.size == 147 + 54 * n;
        }
        ok &= EncodeHandedOut(sender, SkeletonDefinition{values.bones}, document) &&
              document.size == 93 + 64 * n;
        ok &=
            EncodeIntoBuffer(sender, values, buffer, size) &&
            Bytes(buffer.begin(), buffer.begin() + size) == shapes[t][static_cast<std::size_t>(n)];
        Parsed<FrameData> frameHandedOut;
        Parsed<SkeletonDefinition> skeletonHandedOut;
        Parsed<SensorData> sensorHandedOut;
        HandedOutArrays arrays;  // the library's, not read: other threads free them
        ok &= ParseHandedOut(frames[t], frameHandedOut, &arrays) &&
              frameHandedOut.values.frameNumber == id && frameHandedOut.values.bones.count == 3 &&
              ParseIntoArrays(frames[t], frame) && SameBits(frame, frameValues[t]);
        ok &= ParseHandedOut(skeletons[t], skeletonHandedOut, &arrays) &&
              skeletonHandedOut.port == t && skeletonHandedOut.values.bones.count == 3 &&
              ParseIntoArrays(skeletons[t], skeleton) && SameBits(skeleton, skeletonValues[t]);
        ok &= ParseHandedOut(sensors[t], sensorHandedOut) &&
              ParseIntoTexts(sensors[t], sensor, lengths) &&
              SameBits(sensorHandedOut, sensorValues[t]) && SameBits(sensor, sensorValues[t]);
        ok &= IsFrameDataBytes(static_cast<int>(frames[t].size()), frames[t].data());
        if (!ok) ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(settle(), before);
}

}  // namespace
