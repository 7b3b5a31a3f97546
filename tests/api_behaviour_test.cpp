// The exports as a caller meets them: address texts, refusals, sensor texts
// (round trips: the golden documents and the round-trip fuzz target's replay).
#include <gtest/gtest.h>

#include <cstring>

#include "api_calls.h"

namespace {

using namespace api_calls;
using namespace test_bytes;

TEST(RoundTrip, AddressTextsPackAsDecimalGroups) {
  const std::pair<const char*, std::uint64_t> cases[] = {{"300.1.1.1", 300001001001},
                                                         {"1.2.3", 1002003000},
                                                         {"abc", 0},
                                                         {"1.2.3.4junk", 1002003004},
                                                         {"1.1000.0.0", 2000000000}};
  for (const auto& [text, packed] : cases)
    EXPECT_EQ(DecodeSensor(EncodeSensor({}, text).Copy()).ip, packed) << text;
}

TEST(Refusal, NullPointersAndHugeCountsWriteNothing) {
  const int one[1] = {1};
  const float f[1] = {1};
  Result r;
  const bool results[] = {
      ConvertSkeletonDefinitionToBytes(nullptr, 1, 1, one, one, f, f, f, f, f, f, f, &r.size,
                                       &r.buffer),
      ConvertSkeletonDefinitionToBytes("1.1.1.1", 1, 1, one, nullptr, f, f, f, f, f, f, f, &r.size,
                                       &r.buffer),
      ConvertFrameDataToBytes("1.1.1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, false, 1, one, f, f, f, f, f,
                              nullptr, f, &r.size, &r.buffer),
      ConvertFrameDataToBytes("1.1.1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, false, 1, one, f, f, f, f, f, f,
                              f, &r.size, nullptr),
      ConvertSensorDataToBytes("1.1.1.1", 1, 0, "a", nullptr, 0, 0, 0, 0, 0, 0, 0, 0, &r.size,
                               &r.buffer),
      // 2^31 bytes or more: refused before any array is read
      ConvertSkeletonDefinitionToBytes("1.1.1.1", 1, 33554431, one, one, f, f, f, f, f, f, f,
                                       &r.size, &r.buffer),
      ConvertFrameDataToBytes("1.1.1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, false, 39768213, one, f, f, f,
                              f, f, f, f, &r.size, &r.buffer),
      ConvertBytesToSkeletonDefinition(8, nullptr, &r.ip, &r.port, &r.count, &r.ids, &r.ids,
                                       &r.t[0], &r.t[1], &r.t[2], &r.t[3], &r.t[4], &r.t[5],
                                       &r.t[6]),
      ConvertBytesToSkeletonDefinition(93, EncodeSkeleton({}).buffer, &r.ip, &r.port, &r.count,
                                       &r.ids, nullptr, &r.t[0], &r.t[1], &r.t[2], &r.t[3], &r.t[4],
                                       &r.t[5], &r.t[6])};
  for (std::size_t i = 0; i < std::size(results); ++i) EXPECT_FALSE(results[i]) << "call " << i;
  EXPECT_TRUE(r.size == kIntSentinel && r.buffer == nullptr && r.ip == kIpSentinel &&
              r.count == kIntSentinel && r.ids == nullptr);
}

TEST(SensorTexts, AreTheCallersWholeAndOutliveRecordingCalls) {
  Bytes doc = EncodeSensor({0, "xyz", "name", 1, {}}).Copy();
  doc[77 + 33] = 0;  // "xyz" in "snad" becomes "x\0z"
  Result r;
  char *address = nullptr, *name = nullptr;
  float* v = r.sensor.v.data();
  ASSERT_TRUE(ConvertBytesToSensorData(static_cast<int>(doc.size()), doc.data(), &r.ip, &r.port,
                                       &r.sensor.uttm, &address, &name, &r.sensor.joint, v, v + 1,
                                       v + 2, v + 3, v + 4, v + 5, v + 6));
  EXPECT_TRUE(EncodeSkeleton(MakeBones(3)).ok && DecodeFrame(EncodeFrame({}).Copy()).ok);
  EXPECT_TRUE(std::memcmp(address, "x\0z", 4) == 0 && std::strcmp(name, "name") == 0);
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
  ReleaseSensorDataText(nullptr);
}

}  // namespace
