// Exhausted memory at every allocation of every export: the export returns
// false, writes no output, leaves the record of handed-out memory as it was,
// and leaks nothing (the asan preset and valgrind run this program too).
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>

#include "api_calls.h"
#include "interface/motion_serializer.h"

namespace {

// Global allocation that throws at the n-th call once armed.
long allocationsUntilFailure = -1;  // -1: never fail
bool failureHappened = false;

void* Allocate(std::size_t size) {
  if (allocationsUntilFailure == 0) {
    allocationsUntilFailure = -1;
    failureHappened = true;
    throw std::bad_alloc();
  }
  if (allocationsUntilFailure > 0) {
    --allocationsUntilFailure;
  }
  if (void* memory = std::malloc(size == 0 ? 1 : size)) {
    return memory;
  }
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

using namespace api_calls;
using ravuna_motion_format::MotionSerializer;
using ravuna_motion_format::RetainedSlots;

bool SameSlots(const RetainedSlots& a, const RetainedSlots& b) {
  return a.boneIds == b.boneIds && a.parentBoneIds == b.parentBoneIds &&
         a.transforms == b.transforms && a.document == b.document;
}

// Runs `call` failing at its first, second, ... allocation until it gets
// through. `untouched` tells whether the call's outputs kept their sentinels.
template <class Outputs>
void FailEveryAllocation(const char* name, const std::function<bool(Outputs&)>& call,
                         const std::function<bool(const Outputs&)>& untouched) {
  for (long failAt = 0;; ++failAt) {
    Outputs outputs;
    const RetainedSlots before = MotionSerializer::Instance().HandedOut();
    failureHappened = false;
    allocationsUntilFailure = failAt;
    const bool ok = call(outputs);
    allocationsUntilFailure = -1;
    if (!failureHappened) {
      EXPECT_TRUE(ok) << name << " with no failing allocation";
      EXPECT_GT(failAt, 0) << name << " allocates nothing";
      return;
    }
    EXPECT_FALSE(ok) << name << " failing at allocation " << failAt;
    EXPECT_TRUE(untouched(outputs)) << name << " failing at allocation " << failAt;
    EXPECT_TRUE(SameSlots(before, MotionSerializer::Instance().HandedOut()))
        << name << " at " << failAt;
  }
}

class AllocationFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    // The service object exists and memory is handed out before each test.
    ASSERT_TRUE(EncodeFrame(MakeBones(2)).ok);
  }
};

TEST_F(AllocationFailure, SerialisingExports) {
  const Bones bones = MakeBones(27);
  const auto untouched = [](const Encoded& e) {
    return e.size == kIntSentinel && e.buffer == nullptr;
  };
  FailEveryAllocation<Encoded>(
      "skeleton", [&](Encoded& e) { return (e = EncodeSkeleton(bones)).ok; }, untouched);
  FailEveryAllocation<Encoded>(
      "frame", [&](Encoded& e) { return (e = EncodeFrame(bones)).ok; }, untouched);
  SensorRecord record;
  record.name = std::string(100, 'n');  // longer than a string keeps inline
  FailEveryAllocation<Encoded>(
      "sensor", [&](Encoded& e) { return (e = EncodeSensor(record)).ok; }, untouched);
}

// The sensor texts are read straight from the export: copying them into the
// test's strings would allocate while failures are armed.
struct SensorTexts {
  bool ok = false;
  std::uint64_t ip = kIpSentinel;
  std::uint32_t port = kPortSentinel;
  double uttm = kDoubleSentinel;
  char* address = nullptr;
  char* name = nullptr;
  int jointIndex = kIntSentinel;
  float values[7] = {};

  SensorTexts() = default;
  SensorTexts(const SensorTexts&) = delete;
  SensorTexts& operator=(const SensorTexts&) = delete;
  ~SensorTexts() {
    ReleaseSensorDataText(address);
    ReleaseSensorDataText(name);
  }
  bool Parse(const Bytes& bytes) {
    float* v = values;
    return ConvertBytesToSensorData(static_cast<int>(bytes.size()), bytes.data(), &ip, &port, &uttm,
                                    &address, &name, &jointIndex, &v[0], &v[1], &v[2], &v[3], &v[4],
                                    &v[5], &v[6]);
  }
};

TEST_F(AllocationFailure, ParsingExports) {
  const Bytes skeleton = EncodeSkeleton(MakeBones(27)).Copy();
  const Bytes frame = EncodeFrame(MakeBones(27)).Copy();
  SensorRecord record;
  record.address = std::string(100, 'a');  // longer than a string keeps inline
  const Bytes sensor = EncodeSensor(record).Copy();
  FailEveryAllocation<SkeletonRead>(
      "skeleton", [&](SkeletonRead& r) { return (r = DecodeSkeleton(skeleton)).ok; },
      [](const SkeletonRead& r) {
        return r.ip == kIpSentinel && r.port == kPortSentinel && r.count == kIntSentinel &&
               r.ids == IntSentinelPointer() && r.transforms[6] == FloatSentinelPointer();
      });
  FailEveryAllocation<FrameRead>(
      "frame", [&](FrameRead& r) { return (r = DecodeFrame(frame)).ok; },
      [](const FrameRead& r) {
        return r.ip == kIpSentinel && r.port == kPortSentinel && r.frameNumber == kIntSentinel &&
               r.count == kIntSentinel && r.ids == IntSentinelPointer();
      });
  FailEveryAllocation<SensorTexts>(
      "sensor", [&](SensorTexts& r) { return r.Parse(sensor); },
      [](const SensorTexts& r) {
        return r.address == nullptr && r.name == nullptr && r.ip == kIpSentinel &&
               r.port == kPortSentinel && r.jointIndex == kIntSentinel && r.uttm == kDoubleSentinel;
      });
}

}  // namespace
