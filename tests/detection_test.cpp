#include <gtest/gtest.h>

#include "api_calls.h"

namespace {

using namespace api_calls;
using namespace test_bytes;

struct Answers {
  bool rmf, skeleton, frame, sensor;
  bool operator==(const Answers&) const = default;
};

Answers Detect(const Bytes& bytes) {
  const int size = static_cast<int>(bytes.size());
  return {IsRmfBytes(size, bytes.data()), IsSkeletonDefinitionBytes(size, bytes.data()),
          IsFrameDataBytes(size, bytes.data()), IsSensorDataBytes(size, bytes.data())};
}

TEST(Detection, EachDocumentKindIsRecognised) {
  const Bytes skeleton = EncodeSkeleton(MakeBones(2)).Copy();
  const Bytes frame = EncodeFrame(MakeBones(2)).Copy();
  const Bytes sensor = EncodeSensor({}).Copy();
  EXPECT_EQ(Detect(skeleton), (Answers{true, true, false, false}));
  EXPECT_EQ(Detect(frame), (Answers{true, false, true, false}));
  EXPECT_EQ(Detect(sensor), (Answers{true, false, false, true}));
}

TEST(Detection, AnswersFollowTheBoxSearch) {
  const Bytes frame = EncodeFrame(MakeBones(1)).Copy();
  const Bytes first77(frame.begin(), frame.begin() + 77);
  const Bytes dataOnly(frame.begin() + 77, frame.end());
  const Bytes version2 = Cat({HeadBox(2), SenderBox(1, 1), dataOnly});
  const Bytes zeroPrefix = Cat({Bytes(8, 0), frame});
  const Bytes emptyHead = Cat({BoxBytes("head", {}), dataOnly});
  const Bytes skeleton = EncodeSkeleton(MakeBones(1)).Copy();
  const Bytes skeletonOnly(skeleton.begin() + 77, skeleton.end());
  struct Case {
    const char* name;
    Bytes bytes;
    Answers expected;
  };
  const Case cases[] = {
      {"header and sender only", first77, {true, false, false, false}},
      {"data box only", dataOnly, {false, false, true, false}},
      {"unsupported version", version2, {true, false, true, false}},
      {"unknown first box", zeroPrefix, {false, false, false, false}},
      {"empty head first", emptyHead, {true, false, false, false}},
      {"skeleton box only", skeletonOnly, {false, true, false, false}},
      {"seven bytes", Bytes(frame.begin(), frame.begin() + 7), {false, false, false, false}},
      {"empty", {}, {false, false, false, false}},
      {"nested in unknown kinds",
       BoxBytes("fram", BoxBytes("sndt", {})),
       {false, false, true, true}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Detect(c.bytes), c.expected) << c.name;
  }
}

TEST(Detection, LengthZeroOrNegativeReadsNothing) {
  const unsigned char* dangling = reinterpret_cast<const unsigned char*>(0x1);
  EXPECT_FALSE(IsRmfBytes(0, dangling));
  EXPECT_FALSE(IsFrameDataBytes(-5, dangling));
  EXPECT_FALSE(IsSkeletonDefinitionBytes(-1, nullptr));
  EXPECT_FALSE(IsSensorDataBytes(0, nullptr));
}

TEST(Detection, NullBytesWithPositiveLengthAreRefused) {
  EXPECT_FALSE(IsRmfBytes(100, nullptr));
  EXPECT_FALSE(IsSkeletonDefinitionBytes(8, nullptr));
  EXPECT_FALSE(IsFrameDataBytes(1, nullptr));
  EXPECT_FALSE(IsSensorDataBytes(1 << 30, nullptr));
}

TEST(Detection, HugeSizeClaimFinishesAtOnce) {
  const Bytes bytes = Cat({BoxClaiming("head", 0x7FFFFFF0U), BoxBytes("ftyp", {1})});
  EXPECT_EQ(Detect(bytes), (Answers{true, false, false, false}));
  const Bytes inside = Cat({BoxClaiming("sndf", 0x7FFFFFF0U), BoxBytes("fram", {1})});
  EXPECT_EQ(Detect(inside), (Answers{false, false, true, false}));
}

}  // namespace
