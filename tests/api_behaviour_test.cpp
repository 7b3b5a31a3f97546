// The exports as a caller meets them: round trips, refusals, sensor texts.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstring>

#include "api_calls.h"

namespace {

using namespace api_calls;
using namespace test_bytes;

class RoundTrip : public testing::TestWithParam<int> {};

// Special floats (signed zero, NaN payloads, subnormals, infinities), ids
// and ports beyond 16 bits; a parsed document encodes to the same bytes.
TEST_P(RoundTrip, EveryKindComesBackBitForBit) {
  const int n = GetParam();
  Bones bones = MakeBones(n);
  for (std::size_t i = 0; i < bones.ids.size() && i < 7; ++i) {
    bones.t[i][i] = std::bit_cast<float>(std::array{0x80000000U, 0x7FC00001U, 0xFFBFFFFFU, 1U,
                                                    0x807FFFFFU, 0xFF800000U, 0x7F7FFFFFU}[i]);
    bones.ids[i] = 65536 * static_cast<int>(i) - 1,
    bones.parentIds[i] = INT_MIN + static_cast<int>(i);
  }
  const Frame frame{INT_MIN + n,
                    std::bit_cast<float>(0x7FA00001U),
                    std::bit_cast<double>(0xFFF0000000000001ULL),
                    {0, 255, 128, 7, 9},
                    n % 2 == 0};
  const Sensor sensor{-0.0,
                      std::string(static_cast<std::size_t>(n), 'a'),
                      "n\xFF",
                      -n,
                      {-0.0F, std::bit_cast<float>(0x7FC00001U)}};
  const Bytes documents[] = {EncodeSkeleton(bones, "10.20.30.40", 65536 + 80).Copy(),
                             EncodeFrame(bones, frame, "255.255.255.255", 0x1FFFF).Copy(),
                             EncodeSensor(sensor, "1.2.3.4", 0x10001).Copy()};
  const std::size_t sizes[] = {93U + 64U * bones.ids.size(), 147U + 54U * bones.ids.size(),
                               167U + bones.ids.size()};
  const std::uint64_t ips[] = {10020030040, 255255255255, 1002003004};
  const std::uint32_t ports[] = {80, 0xFFFF, 1};
  for (int kind = 0; kind < 3; ++kind) {
    SCOPED_TRACE(kind);
    const Result r = Decode(static_cast<Kind>(kind), documents[kind]);
    EXPECT_EQ(documents[kind].size(), sizes[kind]);
    EXPECT_TRUE(r.ok && r.ip == ips[kind] && r.port == ports[kind]);
    EXPECT_TRUE(kind == 2 || n < 2 || (r.ids[1] == -1 && (kind == 1 || r.parentIds[1] == 1)));
    EXPECT_EQ(Reencode(static_cast<Kind>(kind), r), documents[kind]);  // frees r's arrays
  }
}

INSTANTIATE_TEST_SUITE_P(Bones, RoundTrip, testing::Values(0, 1, 27, 1000));

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
