// A parse keeps nothing of the parse before it: the library reuses its
// collecting memory from call to call, so each call must start empty.
#include <gtest/gtest.h>

#include "api_calls.h"

namespace {

using namespace api_calls;
using namespace test_bytes;

// A document without "rcvp" and with only the boxes given.
Bytes DocumentWithoutPort(const std::string& dataCode, const Bytes& payload) {
  return Cat({HeadBox(), BoxBytes("sndf", BoxBytes("ipad", Le(std::uint64_t{1002003004}))),
              BoxBytes(dataCode, payload)});
}

TEST(RepeatedParsing, AFrameAfterALargerFrameShowsOnlyItsOwnValues) {
  ASSERT_TRUE(DecodeFrame(EncodeFrame(MakeBones(27)).Copy()).ok);

  const Bytes small = DocumentWithoutPort(
      "fram",
      BoxBytes("btrs",
               BoxBytes("btdt", Cat({BoxBytes("bnid", Le(std::int16_t{-4})),
                                     BoxBytes("tran", Transform({9, 8, 7, 6, 5, 4, 3}))}))));
  const FrameRead read = DecodeFrame(small);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.port, kPortSentinel);  // no "rcvp": the caller's value stays
  EXPECT_EQ(read.ip, 1002003004U);
  EXPECT_EQ(read.frameNumber, 0);
  EXPECT_EQ(read.time, 0.0F);
  EXPECT_EQ(read.uttm, 0.0);
  EXPECT_EQ(read.timecode, (std::array<unsigned char, 5>{0, 0, 0, 0, 0}));
  ASSERT_EQ(read.count, 1);
  EXPECT_EQ(read.ids[0], -4);
  EXPECT_EQ(read.transforms[0][0], 9.0F);
  EXPECT_EQ(read.transforms[6][0], 3.0F);
}

TEST(RepeatedParsing, ASkeletonAfterALargerSkeletonShowsOnlyItsOwnValues) {
  ASSERT_TRUE(DecodeSkeleton(EncodeSkeleton(MakeBones(27)).Copy()).ok);

  // Two ids, one parent id, no transform: the missing values read as 0.
  const Bytes small =
      DocumentWithoutPort("skdf", BoxBytes("bons", Cat({BoxBytes("bnid", Le(std::int16_t{11})),
                                                        BoxBytes("pbid", Le(std::int16_t{-1})),
                                                        BoxBytes("bnid", Le(std::int16_t{12}))})));
  const SkeletonRead read = DecodeSkeleton(small);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.port, kPortSentinel);
  ASSERT_EQ(read.count, 2);
  EXPECT_EQ(read.ids[1], 12);
  EXPECT_EQ(read.parentIds[0], -1);
  EXPECT_EQ(read.parentIds[1], 0);
  for (float* transform : read.transforms) {
    EXPECT_EQ(transform[0], 0.0F);
    EXPECT_EQ(transform[1], 0.0F);
  }
}

}  // namespace
