#include "box/envelope_decoder.h"

#include <gtest/gtest.h>

#include "test_bytes.h"

namespace ravuna_motion_format {
namespace {

using namespace test_bytes;

struct Decoded {
  EnvelopeResult result;
  std::string ipText = "unchanged";
  std::optional<std::uint32_t> port;
};

Decoded Decode(const Bytes& bytes, BoxType kind = BoxType::fram) {
  Decoded decoded;
  decoded.result = DecodeMotionFormat(bytes, decoded.ipText, decoded.port, kind);
  return decoded;
}

const Bytes kFrame = BoxBytes("fram", BoxBytes("fnum", Le(3)));

TEST(DecodeMotionFormat, ReadsSenderAndHandsBackTheDataBox) {
  const Bytes bytes = Cat({HeadBox(), SenderBox(192168001010ULL, 65535), kFrame});
  const Decoded decoded = Decode(bytes);
  ASSERT_TRUE(decoded.result);
  EXPECT_EQ(decoded.ipText, "192.168.1.10");
  EXPECT_EQ(decoded.port, 65535U);
  EXPECT_EQ(Bytes(decoded.result.data.begin(), decoded.result.data.end()), kFrame);
}

TEST(DecodeMotionFormat, FailuresInCheckOrderAndOutputsUntouched) {
  struct Case {
    Bytes bytes;
    EnvelopeStatus status;
    const char* text;
  };
  const Bytes sender = SenderBox(1, 2);
  const Case cases[] = {
      {{}, EnvelopeStatus::missingHeader, "Invalid header data."},
      {Cat({sender, kFrame}), EnvelopeStatus::missingHeader, "Invalid header data."},
      {Cat({Bytes(8, 0), HeadBox(), sender, kFrame}), EnvelopeStatus::missingHeader,
       "Invalid header data."},
      {Cat({BoxBytes("sndf", {}), HeadBox(), sender, kFrame}), EnvelopeStatus::missingHeader,
       "Invalid header data."},
      {Cat({HeadBox(), kFrame}), EnvelopeStatus::missingSenderDefinition,
       "Invalid sender definition data."},
      {Cat({HeadBox(), sender, BoxBytes("skdf", {})}), EnvelopeStatus::missingData,
       "Invalid value data."},
      {Cat({HeadBox(0), sender}), EnvelopeStatus::missingData, "Invalid value data."},
      {Cat({HeadBox(2), sender, kFrame}), EnvelopeStatus::unsupportedVersion,
       "Invalid data version. Current version : 1, Target version : 2."},
      {Cat({HeadBox(0), sender, kFrame}), EnvelopeStatus::unsupportedVersion,
       "Invalid data version. Current version : 1, Target version : 0."},
  };
  for (const Case& c : cases) {
    const Decoded decoded = Decode(c.bytes);
    EXPECT_EQ(decoded.result.status, c.status) << c.text;
    EXPECT_EQ(EnvelopeStatusText(decoded.result), c.text);
    EXPECT_EQ(decoded.ipText, "unchanged");
    EXPECT_FALSE(decoded.port.has_value());
  }
}

TEST(DecodeMotionFormat, LenientHeaderAndOrder) {
  const Bytes sender = SenderBox(10000000001ULL, 80);
  const Bytes noVersion = BoxBytes("head", BoxBytes("ftyp", Text("other")));
  EXPECT_TRUE(Decode(Cat({noVersion, sender, kFrame})).result);
  // An empty "head" is accepted, but at the outermost level it ends every
  // other search, so it must come last.
  EXPECT_TRUE(Decode(Cat({sender, kFrame, BoxBytes("head", {})})).result);
  EXPECT_EQ(Decode(Cat({BoxBytes("head", {}), sender, kFrame})).result.status,
            EnvelopeStatus::missingSenderDefinition);
  const Decoded reordered = Decode(Cat({sender, HeadBox(), kFrame}));
  ASSERT_TRUE(reordered.result);
  EXPECT_EQ(reordered.ipText, "10.0.0.1");
  // The last "vrsn" wins.
  const Bytes twoVersions = BoxBytes("head", Cat({BoxBytes("vrsn", {2}), BoxBytes("vrsn", {1})}));
  EXPECT_TRUE(Decode(Cat({twoVersions, sender, kFrame})).result);
}

TEST(DecodeMotionFormat, SenderValuesCutShortReadAsZero) {
  // The "sndf" box ends 7 bytes into "ipad" and 1 byte into "rcvp".
  const Bytes sender = BoxBytes(
      "sndf", Cat({BoxBytes("rcvp", Le(std::uint16_t{80})), BoxClaiming("ipad", 8), Bytes(7, 9)}));
  const Decoded decoded = Decode(Cat({HeadBox(), sender, kFrame}));
  ASSERT_TRUE(decoded.result);
  EXPECT_EQ(decoded.ipText, "0.0.0.0");
  EXPECT_EQ(decoded.port, 80U);
  const Bytes shortPort = BoxBytes("sndf", Cat({BoxClaiming("rcvp", 2), Bytes{1}}));
  EXPECT_EQ(Decode(Cat({HeadBox(), shortPort, kFrame})).port, 0U);
  const Bytes noPort = BoxBytes("sndf", BoxBytes("ipad", Le(std::uint64_t{1})));
  const Decoded keeps = Decode(Cat({HeadBox(), noPort, kFrame}));
  EXPECT_TRUE(keeps.result);
  EXPECT_FALSE(keeps.port.has_value());
  EXPECT_EQ(keeps.ipText, "0.0.0.1");
}

TEST(IpAddressToString, GroupsOfThreeDigits) {
  EXPECT_EQ(IpAddressToString(192168001010ULL), "192.168.1.10");
  EXPECT_EQ(IpAddressToString(0), "0.0.0.0");
  EXPECT_EQ(IpAddressToString(1234567890123ULL), "234.567.890.123");
  EXPECT_EQ(IpAddressToString(999999999999ULL), "999.999.999.999");
  EXPECT_EQ(IpAddressToString(~0ULL), "73.709.551.615");
}

}  // namespace
}  // namespace ravuna_motion_format
