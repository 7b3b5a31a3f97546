#include <gtest/gtest.h>

#include <climits>

#include "api_calls.h"
#include "document_checks.h"

namespace {

using namespace api_calls;
using namespace document_checks;
using namespace test_bytes;

Bytes BoneBox(std::int16_t id, std::int16_t parent, std::initializer_list<float> transform) {
  return BoxBytes("bndt", Cat({BoxBytes("bnid", Le(id)), BoxBytes("pbid", Le(parent)),
                               BoxBytes("tran", Transform(transform))}));
}

Bytes Document(const Bytes& skdfPayload) {
  return Cat({HeadBox(), SenderBox(192168000001ULL, 7000), BoxBytes("skdf", skdfPayload)});
}

TEST(SkeletonDefinition, EmptyDocumentIs93Bytes) {
  const Encoded encoded = EncodeSkeleton(MakeBones(0));
  ASSERT_TRUE(encoded.ok);
  EXPECT_EQ(encoded.Copy(), Document(BoxBytes("bons", {})));
  EXPECT_EQ(encoded.size, 93);
  const Bytes empty = encoded.Copy();  // the next encoding frees the buffer
  int size = 0;
  unsigned char* buffer = nullptr;
  EXPECT_TRUE(ConvertSkeletonDefinitionToBytes("192.168.0.1", 7000, -4, nullptr, nullptr, nullptr,
                                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                               &size, &buffer));
  EXPECT_EQ(Bytes(buffer, buffer + size), empty);

  const SkeletonRead read = DecodeSkeleton(empty);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.count, 0);
  EXPECT_NE(read.ids, IntSentinelPointer());
  EXPECT_NE(read.ids, nullptr);
  EXPECT_NE(read.transforms[6], nullptr);
}

TEST(SkeletonDefinition, OneBoneGoldenBytes) {
  Bones bones;
  bones.ids = {5};
  bones.parentIds = {-1};
  const float values[7] = {0, 0, 0, 1, 0.1F, 1.2F, -0.3F};
  for (std::size_t k = 0; k < 7; ++k) {
    bones.transforms[k] = {values[k]};
  }
  const Encoded encoded = EncodeSkeleton(bones);
  ASSERT_EQ(encoded.size, 157);
  const Bytes bone =
      Cat({Le(56U), Text("bndt"), Le(2U), Text("bnid"), Bytes{5, 0}, Le(2U), Text("pbid"),
           Bytes{0xFF, 0xFF}, Le(28U), Text("tran"), Transform({0, 0, 0, 1, 0.1F, 1.2F, -0.3F})});
  const Bytes expected = Cat({HeadBox(), SenderBox(192168000001ULL, 7000), Le(72U), Text("skdf"),
                              Le(64U), Text("bons"), bone});
  EXPECT_EQ(encoded.Copy(), expected);
  const SkeletonRead read = DecodeSkeleton(encoded.Copy());
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.ip, 192168000001ULL);
  EXPECT_EQ(read.port, 7000U);
  ExpectBones(bones, read.count, read.ids, read.parentIds, read.transforms);
}

TEST(SkeletonDefinition, RoundTripsAtSeveralSizes) {
  for (int count : {0, 1, 27, 1000}) {
    Bones bones = MakeBones(count);
    const std::vector<float> specials = SpecialFloats();
    for (std::size_t i = 0; i < specials.size() && i < bones.ids.size(); ++i) {
      bones.transforms[i % 7][i] = specials[i];
    }
    if (count > 3) {
      bones.ids[0] = 70000;
      bones.ids[1] = 40000;
      bones.parentIds[2] = 65535;
      bones.parentIds[3] = INT_MIN;
    }
    const Encoded encoded = EncodeSkeleton(bones, "10.20.30.40", 0x12345);
    ASSERT_TRUE(encoded.ok);
    EXPECT_EQ(encoded.size, 93 + 64 * count);
    const SkeletonRead read = DecodeSkeleton(encoded.Copy());
    ASSERT_TRUE(read.ok) << count;
    EXPECT_EQ(read.ip, 10020030040ULL);
    EXPECT_EQ(read.port, 0x2345U);
    ExpectBones(bones, read.count, read.ids, read.parentIds, read.transforms);
    if (count > 3) {
      EXPECT_EQ(read.ids[0], 4464);
      EXPECT_EQ(read.ids[1], -25536);
      EXPECT_EQ(read.parentIds[2], -1);
      EXPECT_EQ(read.parentIds[3], 0);
    }
  }
}

TEST(SkeletonDefinition, WrongOrBrokenDocumentsLeaveOutputsAlone) {
  const Bytes frame = EncodeFrame(MakeBones(2)).Copy();
  const Bytes good = EncodeSkeleton(MakeBones(1)).Copy();
  Bytes version2 = good;
  version2[42] = 2;
  const Bytes noSender = Cat({HeadBox(), Bytes(good.begin() + 77, good.end())});
  for (const Bytes& bytes :
       {frame, version2, noSender, Bytes{}, Bytes(good.begin(), good.begin() + 80)}) {
    const SkeletonRead read = DecodeSkeleton(bytes);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.ip, 0U);  // the empty address text packs to 0
    EXPECT_EQ(read.port, kPortSentinel);
    EXPECT_EQ(read.count, kIntSentinel);
    EXPECT_EQ(read.ids, IntSentinelPointer());
    EXPECT_EQ(read.parentIds, IntSentinelPointer());
    EXPECT_EQ(read.transforms[3], FloatSentinelPointer());
  }
}

TEST(SkeletonDefinition, LenientReading) {
  // Cut three floats into the last "tran": the rest reads as 0.
  const Bytes twoBones = Document(BoxBytes(
      "bons",
      Cat({BoneBox(1, 0, {1, 2, 3, 4, 5, 6, 7}), BoneBox(2, 1, {8, 9, 10, 11, 12, 13, 14})})));
  const Bytes cut(twoBones.begin(), twoBones.end() - 16);
  const SkeletonRead read = DecodeSkeleton(cut);
  ASSERT_TRUE(read.ok);
  ASSERT_EQ(read.count, 2);
  EXPECT_EQ(read.transforms[2][1], 10.0F);
  EXPECT_EQ(read.transforms[3][1], 0.0F);
  EXPECT_EQ(read.transforms[6][1], 0.0F);

  // A "bndt" beside "bons" still adds a bone, in document order.
  const Bytes beside = Document(Cat({BoxBytes("bons", BoneBox(1, 0, {1, 1, 1, 1, 1, 1, 1})),
                                     BoneBox(9, 1, {2, 2, 2, 2, 2, 2, 2})}));
  const SkeletonRead besideRead = DecodeSkeleton(beside);
  ASSERT_EQ(besideRead.count, 2);
  EXPECT_EQ(besideRead.ids[1], 9);
  EXPECT_EQ(besideRead.transforms[0][1], 2.0F);

  // More "bnid" than "pbid" or "tran": missing partners are 0; extra "tran" are cut.
  const Bytes uneven = Document(BoxBytes(
      "bons", Cat({BoneBox(1, 5, {1, 1, 1, 1, 1, 1, 1}), BoxBytes("bnid", Le(std::int16_t{2})),
                   BoxBytes("bnid", Le(std::int16_t{3}))})));
  const SkeletonRead unevenRead = DecodeSkeleton(uneven);
  ASSERT_EQ(unevenRead.count, 3);
  EXPECT_EQ(unevenRead.parentIds[0], 5);
  EXPECT_EQ(unevenRead.parentIds[2], 0);
  EXPECT_EQ(unevenRead.transforms[6][2], 0.0F);
  const Bytes extra = Document(Cat(
      {BoxBytes("tran", Transform({1, 1, 1, 1, 1, 1, 1})), BoxBytes("bnid", Le(std::int16_t{4}))}));
  EXPECT_EQ(DecodeSkeleton(extra).count, 1);

  // A "bnid" whose size is 1 still yields 16 bits, taken from what follows.
  const Bytes shortId = Document(Cat({BoxClaiming("bnid", 1, {0x34}), Bytes{0x12}}));
  const SkeletonRead shortRead = DecodeSkeleton(shortId);
  ASSERT_EQ(shortRead.count, 1);
  EXPECT_EQ(shortRead.ids[0], 0x1234);
}

TEST(SkeletonDefinition, NullPointersAreRefusedAndNothingIsWritten) {
  const Bones bones = MakeBones(2);
  int size = kIntSentinel;
  unsigned char* buffer = nullptr;
  const float* t[7] = {bones.T(0), bones.T(1), bones.T(2), bones.T(3),
                       bones.T(4), bones.T(5), bones.T(6)};
  EXPECT_FALSE(ConvertSkeletonDefinitionToBytes(nullptr, 1, 2, bones.ids.data(),
                                                bones.parentIds.data(), t[0], t[1], t[2], t[3],
                                                t[4], t[5], t[6], &size, &buffer));
  EXPECT_FALSE(ConvertSkeletonDefinitionToBytes("1.1.1.1", 1, 2, bones.ids.data(), nullptr, t[0],
                                                t[1], t[2], t[3], t[4], t[5], t[6], &size,
                                                &buffer));
  EXPECT_FALSE(ConvertSkeletonDefinitionToBytes("1.1.1.1", 1, 2, bones.ids.data(),
                                                bones.parentIds.data(), t[0], t[1], t[2], t[3],
                                                t[4], nullptr, t[6], &size, &buffer));
  EXPECT_FALSE(ConvertSkeletonDefinitionToBytes("1.1.1.1", 1, 2, bones.ids.data(),
                                                bones.parentIds.data(), t[0], t[1], t[2], t[3],
                                                t[4], t[5], t[6], nullptr, &buffer));
  EXPECT_EQ(size, kIntSentinel);
  EXPECT_EQ(buffer, nullptr);

  const Bytes good = EncodeSkeleton(bones).Copy();
  std::uint64_t ip = 0;
  std::uint32_t port = 0;
  int count = kIntSentinel;
  int* ids = nullptr;
  float* f = nullptr;
  EXPECT_FALSE(ConvertBytesToSkeletonDefinition(static_cast<int>(good.size()), good.data(), &ip,
                                                &port, &count, &ids, nullptr, &f, &f, &f, &f, &f,
                                                &f, &f));
  EXPECT_FALSE(ConvertBytesToSkeletonDefinition(10, nullptr, &ip, &port, &count, &ids, &ids, &f, &f,
                                                &f, &f, &f, &f, &f));
  EXPECT_EQ(count, kIntSentinel);
  EXPECT_EQ(ids, nullptr);
}

TEST(SkeletonDefinition, DocumentsOf2GiBOrMoreAreRefusedBeforeReadingArrays) {
  // 33,554,431 bones would need 93 + 64 * n > 2^31 - 1 bytes. The arrays hold
  // one element: reading past it would be caught by the sanitizers.
  const int one[1] = {1};
  const float f[1] = {1};
  int size = kIntSentinel;
  unsigned char* buffer = nullptr;
  EXPECT_FALSE(ConvertSkeletonDefinitionToBytes("1.1.1.1", 1, 33554431, one, one, f, f, f, f, f, f,
                                                f, &size, &buffer));
  EXPECT_FALSE(ConvertSkeletonDefinitionToBytes("1.1.1.1", 1, INT_MAX, one, one, f, f, f, f, f, f,
                                                f, &size, &buffer));
  EXPECT_EQ(size, kIntSentinel);
  EXPECT_EQ(buffer, nullptr);
}

}  // namespace
