// Handed-out memory, counted by replacing the global allocation functions:
// lifetimes, exhausted memory at every allocation, calls without caller lock.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <cstdlib>
#include <functional>
#include <new>
#include <thread>

#include "api_calls.h"

namespace {

std::atomic<long> liveAllocations{0};
std::atomic<long> allocationsUntilFailure{-1};  // -1: never fail

void* Allocate(std::size_t size) {
  void* memory = allocationsUntilFailure-- == 0 ? nullptr : std::malloc(size == 0 ? 1 : size);
  if (allocationsUntilFailure < 0) allocationsUntilFailure = -1;
  if (memory == nullptr) throw std::bad_alloc();
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

using namespace api_calls;

// Each export once, from one warmed-up state.
class HandedOutMemory : public testing::Test {
 protected:
  const Bones bones = MakeBones(27);
  const Sensor sensor{1, "fifteen address", "fifteen letters", 3, {}};  // kept inline by strings
  const Bytes skeletonDoc = EncodeSkeleton(bones).Copy(), frameDoc = EncodeFrame(bones).Copy();
  const Bytes sensorDoc = EncodeSensor(sensor).Copy();
  const std::function<Result()> calls[6] = {
      [&] { return EncodeFrame(bones); },          [&] { return EncodeSensor(sensor); },
      [&] { return DecodeSkeleton(skeletonDoc); }, [&] { return DecodeFrame(frameDoc); },
      [&] { return EncodeSkeleton(bones); },       [&] { return DecodeSensor(sensorDoc); }};

  void SetUp() override {
    for (const auto& call : calls) ASSERT_TRUE(call().ok);
  }
};

// Failing calls write nothing, free nothing handed out (the heap overwrites a
// freed buffer's first bytes) and leak nothing: a second sweep ends with no
// more live allocations than the first.
TEST_F(HandedOutMemory, ExhaustedAtAnyAllocationChangesNothing) {
  for (std::size_t call = 0; call < 6; ++call) {
    std::vector<long> liveAfterSweep;
    liveAfterSweep.reserve(2);
    for (int sweep = 0; sweep < 2; ++sweep) {
      const Result last = EncodeFrame(MakeBones(3));
      const Bytes copy = last.Copy();
      for (long failAt = 0;; ++failAt) {
        SCOPED_TRACE("call " + std::to_string(call) + ", allocation " + std::to_string(failAt));
        allocationsUntilFailure = failAt;
        const Result r = calls[call]();
        const bool failed = allocationsUntilFailure == -1;
        allocationsUntilFailure = -1;
        if (!failed) {
          ASSERT_TRUE(r.ok && failAt > 0);
          break;
        }
        EXPECT_TRUE(!r.ok && r.size == kIntSentinel && r.buffer == nullptr && r.ip == kIpSentinel &&
                    r.count == kIntSentinel && r.ids == nullptr && r.frame.number == kIntSentinel &&
                    r.sensor.joint == kIntSentinel && (call != 5 || r.sensor.name == "<null>"));
        ASSERT_EQ(Bytes(last.buffer, last.buffer + last.size), copy);
      }
      liveAfterSweep.push_back(liveAllocations);
    }
    EXPECT_LE(liveAfterSweep[1], liveAfterSweep[0]) << "call " << call;
  }
}

// Detection, sensor parsing and failed parses record nothing and free
// nothing: the last hand-out stays intact.
TEST_F(HandedOutMemory, CallsThatRecordNothingFreeNothing) {
  const Result last = EncodeFrame(MakeBones(3));
  const Bytes copy = last.Copy();
  const long before = liveAllocations;
  EXPECT_TRUE(IsRmfBytes(last.size, last.buffer) && calls[5]().ok);
  EXPECT_FALSE(DecodeSkeleton(frameDoc).ok || DecodeFrame(Bytes(7, 1)).ok);
  EXPECT_EQ(liveAllocations, before);
  EXPECT_EQ(Bytes(last.buffer, last.buffer + last.size), copy);
}

// Threads released together make calls with no caller-side lock, checking only
// their own variables; a race on the record of handed-out memory frees twice
// (a crash) or leaks (the live count).
TEST(Concurrency, CallsWithoutCallerLockKeepTheRecordIntact) {
  constexpr std::uint32_t kThreads = 8;
  std::vector<Bytes> frames, skeletons, sensors;
  for (std::uint32_t t = 0; t < kThreads; ++t) {
    const int id = static_cast<int>(t);
    frames.push_back(EncodeFrame(MakeBones(3, id), {id}, "10.0.0.1", t).Copy());
    skeletons.push_back(EncodeSkeleton(MakeBones(3, id), "10.0.0.1", t).Copy());
    sensors.push_back(EncodeSensor({1, "a", "n", id, {}}, "10.0.0.1", t).Copy());
  }
  const auto settle = [&] {  // the library's reusable memory warmed, then one hand-out
    DecodeSkeleton(skeletons[0]), DecodeFrame(frames[0]), DecodeSensor(sensors[0]);
    for (int i = 0; i < 3; ++i) EncodeFrame(MakeBones(27));
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
      sync.arrive_and_wait();
      for (int round = 0; round < 10000; ++round) {
        const Bones bones = MakeBones(round % 28, id);
        const int n = static_cast<int>(bones.ids.size());
        bool ok = true;
        for (int i = 0; i < 8; ++i)
          ok &= EncodeFrame(bones, {round}, "1.1.1.1", t).size == 147 + 54 * n;
        ok &= EncodeSkeleton(bones, "1.1.1.1", t).size == 93 + 64 * n;
        const Result frame = DecodeFrame(frames[t]), skeleton = DecodeSkeleton(skeletons[t]);
        const Result sensor = DecodeSensor(sensors[t]);
        ok &= EncodeSensor({}, "1.1.1.1", t).size == 168 && frame.frame.number == id &&
              frame.count == 3 && skeleton.port == t && skeleton.count == 3 &&
              sensor.sensor.joint == id && sensor.port == t &&
              IsFrameDataBytes(static_cast<int>(frames[t].size()), frames[t].data());
        if (!ok) ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(settle(), before);
}

}  // namespace
