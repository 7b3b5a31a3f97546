#include "box/box_reader.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "test_bytes.h"

namespace ravuna_motion_format {
namespace {

using namespace test_bytes;

using Visit = std::pair<BoxType, std::uint64_t>;  // kind, offset of the header

std::vector<Visit> WalkAll(const Bytes& bytes, std::uint64_t start = 0, std::int64_t end = -1) {
  std::vector<Visit> visits;
  WalkBoxes(bytes, start, end, [&](BoxType type, std::uint64_t payload, std::uint32_t) {
    visits.emplace_back(type, payload - 8);
    return false;
  });
  return visits;
}

TEST(ReadBoxHeader, ReadsSizeAndKindAndNothingPastTheEnd) {
  const Bytes bytes = BoxBytes("fram", {1, 2});
  EXPECT_EQ(ReadBoxHeader(bytes, 0).size, 2U);
  EXPECT_EQ(ReadBoxHeader(bytes, 0).type, BoxType::fram);
  const Bytes cut(bytes.begin(), bytes.begin() + 7);
  EXPECT_EQ(ReadBoxHeader(cut, 0).size, 2U);
  EXPECT_EQ(ReadBoxHeader(cut, 0).type, BoxType::none);
  EXPECT_EQ(ReadBoxHeader(cut, 4).size, 0U);
  EXPECT_EQ(ReadBoxHeader(cut, 1000).type, BoxType::none);
  EXPECT_EQ(ReadBoxHeader(BoxBytes("Fram", {}), 0).type, BoxType::none);
  EXPECT_EQ(ReadBoxHeader(Cat({Le(0U), Bytes{'f', 0, 'a', 'm'}}), 0).type, BoxType::none);
}

TEST(ReadLittleEndian, ValuesPastTheEndReadAsZero) {
  const Bytes bytes = {0x34, 0x12, 0xFF};
  EXPECT_EQ(ReadLittleEndian<std::uint16_t>(bytes, 0), 0x1234);
  EXPECT_EQ(ReadLittleEndian<std::int16_t>(bytes, 1), -238);  // 0xFF12, sign-extended
  EXPECT_EQ(ReadLittleEndian<std::uint16_t>(bytes, 2), 0);
  EXPECT_EQ(ReadLittleEndian<std::uint32_t>(bytes, 0), 0U);
  EXPECT_EQ(ReadLittleEndian<double>(bytes, ~0ULL), 0.0);
}

TEST(FindBox, SearchesDepthFirstAndReportsOffsetAndLength) {
  const Bytes frame = BoxBytes("fram", BoxBytes("fnum", Le(7)));
  const Bytes doc = Cat({HeadBox(), SenderBox(1, 2), frame});
  const FoundBox found = FindBox(doc, BoxType::fram, 0, -1);
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.offset, 77);
  EXPECT_EQ(found.length, frame.size());
  EXPECT_EQ(FindBox(doc, BoxType::ftyp, 0, -1).offset, 8);
  EXPECT_EQ(FindBox(doc, BoxType::fnum, 0, -1).offset, 85);
  const Bytes nested = BoxBytes("skdf", frame);
  EXPECT_EQ(FindBox(nested, BoxType::fram, 0, -1).offset, 8);
}

TEST(FindBox, NotFoundLeavesMinusOneAndZero) {
  for (const Bytes& bytes : {Bytes{}, Bytes{1, 2, 3, 4, 5, 6, 7}, Cat({HeadBox()})}) {
    const FoundBox found = FindBox(bytes, BoxType::fram, 0, -1);
    EXPECT_FALSE(found.found);
    EXPECT_EQ(found.offset, -1);
    EXPECT_EQ(found.length, 0U);
  }
}

TEST(FindBox, OutermostLevelStopsAtUnknownCodeOrSizeZero) {
  const Bytes frame = BoxBytes("fram", {});
  EXPECT_FALSE(FindBox(Cat({Bytes(8, 0), frame}), BoxType::fram, 0, -1).found);
  EXPECT_FALSE(FindBox(Cat({BoxBytes("head", {}), frame}), BoxType::fram, 0, -1).found);
  const FoundBox empty = FindBox(Cat({BoxBytes("head", {}), frame}), BoxType::head, 0, -1);
  EXPECT_TRUE(empty.found);
  EXPECT_EQ(empty.length, 8U);
  // Inside a container the same only abandons that container.
  const Bytes inner = BoxBytes("sndf", Cat({Bytes(8, 0), BoxBytes("fram", {})}));
  EXPECT_TRUE(FindBox(Cat({inner, BoxBytes("fram", {1})}), BoxType::fram, 0, -1).found);
  EXPECT_EQ(FindBox(Cat({inner, BoxBytes("fram", {1})}), BoxType::fram, 0, -1).offset,
            static_cast<std::int64_t>(inner.size()));
}

TEST(FindBox, HeaderMustLieWithinTheBytes) {
  const Bytes bytes = BoxBytes("ftyp", {});
  EXPECT_TRUE(FindBox(bytes, BoxType::ftyp, 0, -1).found);
  EXPECT_FALSE(FindBox(Bytes(bytes.begin(), bytes.end() - 1), BoxType::ftyp, 0, -1).found);
  // A size-0 box whose header ends exactly at the range end is still examined.
  const Bytes inHead = BoxBytes("head", BoxBytes("vrsn", {}));
  EXPECT_TRUE(FindBox(inHead, BoxType::vrsn, 0, -1).found);
}

TEST(BoxWalk, VisitsInDocumentOrderAndEntersContainers) {
  const Bytes doc = Cat({HeadBox(), SenderBox(1, 2)});
  const std::vector<Visit> expected = {{BoxType::head, 0},  {BoxType::ftyp, 8},
                                       {BoxType::vrsn, 34}, {BoxType::sndf, 43},
                                       {BoxType::ipad, 51}, {BoxType::rcvp, 67}};
  EXPECT_EQ(WalkAll(doc), expected);
}

TEST(BoxWalk, RangesShorterThanNineBytesYieldNothing) {
  EXPECT_TRUE(WalkAll(BoxBytes("ftyp", {})).empty());
  EXPECT_EQ(WalkAll(BoxBytes("ftyp", {1})).size(), 1U);
  // A size-0 box ending exactly at its container's end is not visited...
  EXPECT_EQ(WalkAll(BoxBytes("head", BoxBytes("vrsn", {}))).size(), 1U);
  // ...but one ending at the last byte inside a container claiming more is.
  const Bytes claiming = Cat({BoxClaiming("head", 100), BoxBytes("vrsn", {})});
  EXPECT_EQ(WalkAll(claiming), (std::vector<Visit>{{BoxType::head, 0}, {BoxType::vrsn, 8}}));
}

TEST(BoxWalk, StepsOverUnknownAndEmptyBoxesAndOverrunningSizes) {
  const Bytes bytes =
      Cat({Bytes(8, 0), BoxBytes("vrsn", {1}), BoxClaiming("head", 1000), BoxBytes("ftyp", {'a'})});
  const std::vector<Visit> expected = {
      {BoxType::none, 0}, {BoxType::vrsn, 8}, {BoxType::head, 17}, {BoxType::ftyp, 25}};
  EXPECT_EQ(WalkAll(bytes), expected);
}

TEST(BoxWalk, HandledContainersAreNotEntered) {
  int visits = 0;
  WalkBoxes(Cat({HeadBox(), SenderBox(1, 2)}), 0, -1,
            [&](BoxType type, std::uint64_t, std::uint32_t) {
              ++visits;
              return type == BoxType::head;
            });
  EXPECT_EQ(visits, 4);  // head, sndf, ipad, rcvp
}

TEST(HostileSizes, HugeAndWrappingSizesEndAtOnce) {
  for (std::uint32_t size : {0x80000000U, 0xFFFFFFF8U, 0xFFFFFFFFU, 0x7FFFFFF8U}) {
    const Bytes bytes = Cat({BoxClaiming("head", size), BoxBytes("vrsn", {1}), Bytes(32, 0)});
    EXPECT_EQ(WalkAll(bytes).front().first, BoxType::head);
    EXPECT_LE(WalkAll(bytes).size(), bytes.size());
    EXPECT_FALSE(FindBox(bytes, BoxType::fram, 0, -1).found);
    // The search enters a container only when its size, read as signed, is positive.
    EXPECT_EQ(FindBox(bytes, BoxType::vrsn, 0, -1).found, static_cast<std::int32_t>(size) > 0);
  }
}

// Containers nested far deeper than the cap: every level claims the rest.
Bytes DeepNesting(std::size_t levels, const Bytes& innermost) {
  Bytes bytes;
  bytes.reserve(levels * 8 + innermost.size());
  for (std::size_t i = 0; i < levels; ++i) {
    const Bytes header =
        BoxClaiming("head", static_cast<std::uint32_t>((levels - i - 1) * 8 + innermost.size()));
    bytes.insert(bytes.end(), header.begin(), header.end());
  }
  bytes.insert(bytes.end(), innermost.begin(), innermost.end());
  return bytes;
}

TEST(HostileDepth, NestingIsFollowedToTheCapOnly) {
  const Bytes reachable = DeepNesting(kMaxBoxDepth, BoxBytes("fram", {}));
  EXPECT_TRUE(FindBox(reachable, BoxType::fram, 0, -1).found);
  const Bytes tooDeep = DeepNesting(kMaxBoxDepth + 1, BoxBytes("fram", {}));
  EXPECT_FALSE(FindBox(tooDeep, BoxType::fram, 0, -1).found);
  EXPECT_EQ(WalkAll(tooDeep).size(), static_cast<std::size_t>(kMaxBoxDepth + 1));
  const Bytes huge = DeepNesting(200000, BoxBytes("fram", {}));
  EXPECT_FALSE(FindBox(huge, BoxType::fram, 0, -1).found);
  EXPECT_EQ(WalkAll(huge).size(), static_cast<std::size_t>(kMaxBoxDepth + 1));
}

// Units of 32 bytes in which every container's last child claims the rest of
// the input: without a bound on visits the walk's work grows with a power of
// the unit count; with it, it stays within the budget.
Bytes OverlappingRanges(std::size_t units) {
  Bytes bytes;
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t rest = static_cast<std::uint32_t>((units - i) * 32);
    const Bytes unit = Cat({BoxClaiming("head", 24), BoxClaiming("sndf", rest),
                            BoxClaiming("ftyp", 8, Bytes(8, 'x'))});
    bytes.insert(bytes.end(), unit.begin(), unit.end());
  }
  return bytes;
}

TEST(HostileOverlap, WorkStaysLinearInTheInput) {
  const Bytes bytes = OverlappingRanges(4096);
  const std::size_t budget = (kMaxBoxDepth + 1) * (bytes.size() / 8 + 1);
  EXPECT_LE(WalkAll(bytes).size(), budget);
  EXPECT_FALSE(FindBox(bytes, BoxType::fram, 0, -1).found);
  // Small inputs of this shape are walked exactly, revisits included.
  EXPECT_GT(WalkAll(OverlappingRanges(3)).size(), 3U * 3U);
}

TEST(SliceBytes, CutsAtTheEnd) {
  const Bytes bytes = {1, 2, 3, 4};
  const ByteView slice = SliceBytes(bytes, 2, 10);
  EXPECT_EQ(Bytes(slice.begin(), slice.end()), (Bytes{3, 4}));
  EXPECT_TRUE(SliceBytes(bytes, 0, 0).empty());
  EXPECT_TRUE(SliceBytes(bytes, 4, 1).empty());
  EXPECT_TRUE(SliceBytes(bytes, 1, -1).empty());
}

TEST(ReadBoxString, WholeTextOrNothing) {
  const Bytes bytes = {'a', 0, 'b'};
  EXPECT_EQ(ReadBoxString(bytes, 0, 3), std::string_view("a\0b", 3));
  EXPECT_EQ(ReadBoxString(bytes, 1, 3), "");
  EXPECT_EQ(ReadBoxString(bytes, 0, 0), "");
  EXPECT_EQ(ReadBoxString(bytes, ~0ULL, 2), "");
}

}  // namespace
}  // namespace ravuna_motion_format
