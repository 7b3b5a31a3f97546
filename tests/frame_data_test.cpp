#include <gtest/gtest.h>

#include <climits>

#include "api_calls.h"
#include "document_checks.h"

namespace {

using namespace api_calls;
using namespace document_checks;
using namespace test_bytes;

const Bytes kEmptyFrameBox =
    Cat({Le(62U), Text("fram"), Le(4U), Text("fnum"), Bytes{1, 0, 0, 0}, Le(4U), Text("time"),
         Bytes{0, 0, 0, 0x3F}, Le(8U), Text("uttm"), Bytes{0, 0, 0, 0, 0, 0, 0, 0x40}, Le(6U),
         Text("tmcd"), Bytes{1, 2, 3, 4, 5, 1}, Le(0U), Text("btrs")});

Bytes Document(const Bytes& framPayload) {
  return Cat({HeadBox(), SenderBox(192168000001ULL, 7000), BoxBytes("fram", framPayload)});
}

TEST(FrameData, EmptyFrameGoldenBytes) {
  const Encoded encoded = EncodeFrame(MakeBones(0));
  ASSERT_EQ(encoded.size, 147);
  EXPECT_EQ(kEmptyFrameBox.size(), 70U);
  EXPECT_EQ(encoded.Copy(), Cat({HeadBox(), SenderBox(192168000001ULL, 7000), kEmptyFrameBox}));
  const FrameRead read = DecodeFrame(encoded.Copy());
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.count, 0);
  EXPECT_EQ(read.frameNumber, 1);
  EXPECT_EQ(read.time, 0.5F);
  EXPECT_EQ(read.uttm, 2.0);
  EXPECT_EQ(read.timecode, (std::array<unsigned char, 5>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(read.flag);
  EXPECT_NE(read.ids, IntSentinelPointer());
}

TEST(FrameData, OneBoneLayout) {
  Bones bones;
  bones.ids = {-1};
  for (std::size_t k = 0; k < 7; ++k) {
    bones.transforms[k] = {static_cast<float>(k) + 0.5F};
  }
  const Bytes bytes = EncodeFrame(bones).Copy();
  ASSERT_EQ(bytes.size(), 201U);
  EXPECT_EQ(Bytes(bytes.begin() + 77, bytes.begin() + 81), Le(116U));
  EXPECT_EQ(Bytes(bytes.begin() + 163, bytes.begin() + 165), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(Bytes(bytes.begin() + 173, bytes.end()),
            Transform({0.5F, 1.5F, 2.5F, 3.5F, 4.5F, 5.5F, 6.5F}));
  const FrameRead read = DecodeFrame(bytes);
  ASSERT_TRUE(read.ok);
  ExpectBones(bones, read.count, read.ids, nullptr, read.transforms);
}

TEST(FrameData, RoundTripsBitForBit) {
  for (int count : {0, 1, 27, 1000}) {
    Bones bones = MakeBones(count);
    const std::vector<float> specials = SpecialFloats();
    for (std::size_t i = 0; i < specials.size() && i < bones.ids.size(); ++i) {
      bones.transforms[(i + 3) % 7][i] = specials[i];
      bones.ids[i] = 65536 * static_cast<int>(i) - 32768;
    }
    FrameScalars scalars;
    scalars.frameNumber = INT_MIN + count;
    scalars.time = std::bit_cast<float>(0x7FA00001U);
    scalars.uttm = std::bit_cast<double>(0xFFF0000000000001ULL);
    scalars.timecode = {0, 255, 128, 7, 9};
    scalars.flag = false;
    const Encoded encoded = EncodeFrame(bones, scalars, "255.255.255.255", 65536 + 80);
    ASSERT_EQ(encoded.size, 147 + 54 * count);
    const FrameRead read = DecodeFrame(encoded.Copy());
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.ip, 255255255255ULL);
    EXPECT_EQ(read.port, 80U);
    EXPECT_EQ(read.frameNumber, scalars.frameNumber);
    EXPECT_EQ(Bits(read.time), Bits(scalars.time));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(read.uttm), std::bit_cast<std::uint64_t>(scalars.uttm));
    EXPECT_EQ(read.timecode, scalars.timecode);
    EXPECT_FALSE(read.flag);
    ExpectBones(bones, read.count, read.ids, nullptr, read.transforms);
  }
}

TEST(FrameData, FlagByteReadsAsZeroOrOne) {
  Bytes bytes = EncodeFrame(MakeBones(0)).Copy();
  bytes[77 + 61] = 0x80;  // the flag byte of "tmcd"
  EXPECT_TRUE(DecodeFrame(bytes).flag);
  bytes[77 + 61] = 0;
  EXPECT_FALSE(DecodeFrame(bytes).flag);
}

TEST(FrameData, OtherDocumentsAndBrokenOnesAreRefused) {
  const Bytes skeleton = EncodeSkeleton(MakeBones(1)).Copy();
  const Bytes sensor = EncodeSensor({}).Copy();
  const Bytes noHead = Cat({SenderBox(1, 1), kEmptyFrameBox});
  for (const Bytes& bytes : {skeleton, sensor, noHead, Bytes{}}) {
    const FrameRead read = DecodeFrame(bytes);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.ip, 0U);
    EXPECT_EQ(read.port, kPortSentinel);
    EXPECT_EQ(read.frameNumber, kIntSentinel);
    EXPECT_EQ(read.time, kFloatSentinel);
    EXPECT_EQ(read.uttm, kDoubleSentinel);
    EXPECT_EQ(read.timecode[0], 99);
    EXPECT_EQ(read.count, kIntSentinel);
    EXPECT_EQ(read.ids, IntSentinelPointer());
  }
}

TEST(FrameData, LenientReading) {
  const Bytes bone = BoxBytes("btdt", Cat({BoxBytes("tran", Transform({1, 2, 3, 4, 5, 6, 7})),
                                           BoxBytes("bnid", Le(std::int16_t{-7}))}));
  const FrameRead reordered = DecodeFrame(Document(BoxBytes("btrs", bone)));
  ASSERT_EQ(reordered.count, 1);
  EXPECT_EQ(reordered.ids[0], -7);
  EXPECT_EQ(reordered.transforms[6][0], 7.0F);
  EXPECT_EQ(reordered.frameNumber, 0);  // missing scalars are 0
  EXPECT_EQ(reordered.uttm, 0.0);
  EXPECT_FALSE(reordered.flag);

  // The document ends three bytes into "tmcd"; "fram" claims more.
  const Bytes full = EncodeFrame(MakeBones(0)).Copy();
  const Bytes cut(full.begin(), full.begin() + 77 + 56 + 3);
  const FrameRead cutRead = DecodeFrame(cut);
  ASSERT_TRUE(cutRead.ok);
  EXPECT_EQ(cutRead.timecode, (std::array<unsigned char, 5>{1, 2, 3, 0, 0}));
  EXPECT_FALSE(cutRead.flag);
  EXPECT_EQ(cutRead.count, 0);
  EXPECT_EQ(cutRead.frameNumber, 1);

  // Repeated scalars: the last one wins.
  const Bytes twice =
      Document(Cat({BoxBytes("fnum", Le(5)), BoxBytes("btrs", BoxBytes("fnum", Le(6)))}));
  EXPECT_EQ(DecodeFrame(twice).frameNumber, 6);

  // Fewer "tran" than "bnid": the missing elements are 0.
  const Bytes uneven = Document(Cat({bone, BoxBytes("bnid", Le(std::int16_t{3}))}));
  const FrameRead unevenRead = DecodeFrame(uneven);
  ASSERT_EQ(unevenRead.count, 2);
  EXPECT_EQ(unevenRead.transforms[0][1], 0.0F);
}

TEST(FrameData, RefusalsWriteNothing) {
  const Bones bones = MakeBones(3);
  int size = kIntSentinel;
  unsigned char* buffer = nullptr;
  EXPECT_FALSE(ConvertFrameDataToBytes("1.1.1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, false, 3, nullptr,
                                       bones.T(0), bones.T(1), bones.T(2), bones.T(3), bones.T(4),
                                       bones.T(5), bones.T(6), &size, &buffer));
  EXPECT_FALSE(ConvertFrameDataToBytes(
      "1.1.1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, false, 3, bones.ids.data(), bones.T(0), bones.T(1),
      bones.T(2), bones.T(3), bones.T(4), bones.T(5), bones.T(6), &size, nullptr));
  // 39,768,213 bones make 147 + 54 * n > 2^31 - 1: refused before any array is read.
  EXPECT_FALSE(ConvertFrameDataToBytes(
      "1.1.1.1", 1, 1, 0, 0, 0, 0, 0, 0, 0, false, 39768213, bones.ids.data(), bones.T(0),
      bones.T(1), bones.T(2), bones.T(3), bones.T(4), bones.T(5), bones.T(6), &size, &buffer));
  EXPECT_EQ(size, kIntSentinel);
  EXPECT_EQ(buffer, nullptr);

  const Bytes good = EncodeFrame(bones).Copy();
  FrameRead read;
  auto& t = read.transforms;
  auto& c = read.timecode;
  EXPECT_FALSE(ConvertBytesToFrameData(static_cast<int>(good.size()), good.data(), &read.ip,
                                       &read.port, &read.frameNumber, &read.time, &read.uttm, &c[0],
                                       &c[1], nullptr, &c[3], &c[4], &read.flag, &read.count,
                                       &read.ids, &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6]));
  EXPECT_EQ(read.ip, kIpSentinel);
  EXPECT_EQ(read.count, kIntSentinel);
}

}  // namespace
