#include <gtest/gtest.h>

#include <cstring>

#include "api_calls.h"
#include "document_checks.h"

namespace {

using namespace api_calls;
using namespace document_checks;
using namespace test_bytes;

Bytes Document(const Bytes& sndtPayload) {
  return Cat({HeadBox(), SenderBox(192168000001ULL, 7000), BoxBytes("sndt", sndtPayload)});
}

TEST(SensorData, GoldenBytesOfTheExample) {
  const Encoded encoded = EncodeSensor({});
  ASSERT_EQ(encoded.size, 168);
  const Bytes sndt =
      Cat({Le(83U), Text("sndt"), Le(8U), Text("uttm"), Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}, Le(2U),
           Text("snad"), Bytes{0x61, 0x62}, Le(1U), Text("snnm"), Bytes{0x63}, Le(4U), Text("snji"),
           Bytes{3, 0, 0, 0}, Le(28U), Text("snvl"), Transform({0, 0, 0, 1, 0, 0, 0})});
  EXPECT_EQ(sndt.size(), 91U);
  EXPECT_EQ(encoded.Copy(), Cat({HeadBox(), SenderBox(192168000001ULL, 7000), sndt}));
}

TEST(SensorData, DocumentSizes) {
  SensorRecord empty;
  empty.address.clear();
  empty.name.clear();
  EXPECT_EQ(EncodeSensor(empty).size, 165);
  const SensorRead emptyRead = DecodeSensor(EncodeSensor(empty).Copy());
  ASSERT_TRUE(emptyRead.ok);
  EXPECT_TRUE(emptyRead.textsHandedOut);
  EXPECT_EQ(emptyRead.address, "");

  SensorRecord longer;
  longer.address = "00:11:22:33:44:55";
  longer.name = "wrist";
  longer.jointIndex = 0x01020304;
  const Bytes bytes = EncodeSensor(longer).Copy();
  ASSERT_EQ(bytes.size(), 187U);
  EXPECT_EQ(Bytes(bytes.begin() + 77, bytes.begin() + 81), Le(102U));
  EXPECT_EQ(Bytes(bytes.begin() + 147, bytes.begin() + 151), Le(0x01020304));
}

TEST(SensorData, RoundTripsBitForBit) {
  const std::vector<float> specials = SpecialFloats();
  SensorRecord record;
  record.uttm = std::bit_cast<double>(0x000FFFFFFFFFFFFFULL);
  record.address = "sensor address";
  record.name = std::string(5000, 'n');
  record.jointIndex = -2;
  for (std::size_t k = 0; k < 7; ++k) {
    record.values[k] = specials[k];
  }
  const SensorRead read = DecodeSensor(EncodeSensor(record, "1.2.3.4", 0x10001).Copy());
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.ip, 1002003004ULL);
  EXPECT_EQ(read.port, 1U);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(read.uttm), std::bit_cast<std::uint64_t>(record.uttm));
  EXPECT_EQ(read.address, record.address);
  EXPECT_EQ(read.name, record.name);
  EXPECT_EQ(read.jointIndex, -2);
  for (std::size_t k = 0; k < 7; ++k) {
    EXPECT_EQ(Bits(read.values[k]), Bits(record.values[k])) << k;
  }
}

TEST(SensorData, FailureHandsOutEmptyTextsAndKeepsTheRest) {
  for (const Bytes& bytes :
       {EncodeFrame(MakeBones(1)).Copy(), EncodeSkeleton(MakeBones(1)).Copy(), Bytes{}}) {
    const SensorRead read = DecodeSensor(bytes);
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.textsHandedOut);
    EXPECT_EQ(read.address, "");
    EXPECT_EQ(read.name, "");
    EXPECT_EQ(read.ip, 0U);
    EXPECT_EQ(read.port, kPortSentinel);
    EXPECT_EQ(read.uttm, kDoubleSentinel);
    EXPECT_EQ(read.jointIndex, kIntSentinel);
    EXPECT_EQ(read.values[0], kFloatSentinel);
  }
}

TEST(SensorData, MissingBoxes) {
  const SensorRead noJoint = DecodeSensor(Document(BoxBytes("snad", Text("x"))));
  ASSERT_TRUE(noJoint.ok);
  EXPECT_EQ(noJoint.jointIndex, kIntSentinel);
  EXPECT_EQ(noJoint.values[6], kFloatSentinel);
  EXPECT_EQ(noJoint.uttm, 0.0);
  EXPECT_EQ(noJoint.name, "");
  EXPECT_EQ(noJoint.address, "x");

  // A "snvl" cut after two floats gives them and zeros.
  const Bytes cut =
      Document(Cat({BoxBytes("snji", Le(9)), BoxClaiming("snvl", 28, Transform({1, 2}))}));
  const SensorRead cutRead = DecodeSensor(cut);
  ASSERT_TRUE(cutRead.ok);
  EXPECT_EQ(cutRead.jointIndex, 9);
  EXPECT_EQ(cutRead.values[1], 2.0F);
  EXPECT_EQ(cutRead.values[2], 0.0F);

  // The last "snad" wins; one running past the end of "sndt" gives the empty text.
  const Bytes overrun =
      Document(Cat({BoxBytes("snad", Text("keep")), BoxClaiming("snad", 50, Text("abc"))}));
  const SensorRead overrunRead = DecodeSensor(overrun);
  ASSERT_TRUE(overrunRead.ok);
  EXPECT_EQ(overrunRead.address, "");
}

TEST(SensorData, TextsKeepEmbeddedZeroBytesAndAreTheCallersToRelease) {
  const Bytes bytes = Document(BoxBytes("snnm", Bytes{'a', 0, 'b'}));
  std::uint64_t ip = 0;
  std::uint32_t port = 0;
  double uttm = 0;
  char* address = nullptr;
  char* name = nullptr;
  int joint = 0;
  float v[7] = {};
  ASSERT_TRUE(ConvertBytesToSensorData(static_cast<int>(bytes.size()), bytes.data(), &ip, &port,
                                       &uttm, &address, &name, &joint, &v[0], &v[1], &v[2], &v[3],
                                       &v[4], &v[5], &v[6]));
  EXPECT_EQ(std::memcmp(name, "a\0b\0", 4), 0);
  EXPECT_EQ(std::strlen(name), 1U);
  // Other calls, recording ones included, leave the texts alone.
  EXPECT_TRUE(EncodeSkeleton(MakeBones(3)).ok);
  EXPECT_EQ(name[2], 'b');
  ReleaseSensorDataText(address);
  ReleaseSensorDataText(name);
}

TEST(SensorData, RefusalsWriteNothing) {
  int size = kIntSentinel;
  unsigned char* buffer = nullptr;
  EXPECT_FALSE(ConvertSensorDataToBytes("1.1.1.1", 1, 0, nullptr, "n", 0, 0, 0, 0, 0, 0, 0, 0,
                                        &size, &buffer));
  EXPECT_FALSE(ConvertSensorDataToBytes("1.1.1.1", 1, 0, "a", nullptr, 0, 0, 0, 0, 0, 0, 0, 0,
                                        &size, &buffer));
  EXPECT_FALSE(
      ConvertSensorDataToBytes(nullptr, 1, 0, "a", "n", 0, 0, 0, 0, 0, 0, 0, 0, &size, &buffer));
  EXPECT_EQ(size, kIntSentinel);
  EXPECT_EQ(buffer, nullptr);

  const Bytes good = EncodeSensor({}).Copy();
  char* text = nullptr;
  std::uint64_t ip = kIpSentinel;
  std::uint32_t port = 0;
  double uttm = 0;
  int joint = 0;
  float v = 0;
  EXPECT_FALSE(ConvertBytesToSensorData(static_cast<int>(good.size()), good.data(), &ip, &port,
                                        &uttm, &text, &text, &joint, &v, &v, &v, nullptr, &v, &v,
                                        &v));
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(ip, kIpSentinel);
}

}  // namespace
