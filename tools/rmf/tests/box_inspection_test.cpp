#include "rmf/documents/box_inspection.h"

#include <gtest/gtest.h>

#include <variant>

#include "document_test_bytes.h"

namespace rmf {
namespace {

using namespace test_bytes;

// Offsets, sizes and values of every box kind of written documents, and an
// unknown code first, are in the golden outputs of golden/*.hex.

TEST(BoxTree, EmptyTopLevelBoxEndsTheSearchOnlyOnce) {
  const BoxTree tree = InspectBoxTree(Cat({BoxBytes("sndf", {}), BoxBytes("zzzz", {0})}));
  ASSERT_EQ(tree.boxes.size(), 2U);
  EXPECT_TRUE(tree.boxes[0].endsDocumentSearch);
  EXPECT_FALSE(tree.boxes[1].endsDocumentSearch);
}

TEST(BoxTree, ChildOverrunningItsContainerIsMarkedWithTheExcess) {
  // "ipad" claims 12 bytes inside a "sndf" that holds 8 after the ipad header.
  const Bytes bytes =
      Cat({BoxBytes("sndf", Cat({BoxClaiming("ipad", 12, Le(std::uint64_t{5}))})), Le(0U)});
  const BoxTree tree = InspectBoxTree(bytes);
  ASSERT_EQ(tree.boxes.size(), 1U);
  const InspectedBox& address = tree.boxes[0].children.at(0);
  EXPECT_EQ(address.overrunBytes, 4U);
  EXPECT_EQ(address.missingBytes, 0U);  // the 4 bytes after "sndf" are present
  EXPECT_EQ(std::get<PackedAddress>(address.value).packed, 5U);
  EXPECT_EQ(tree.trailingBytes, 4U);
}

TEST(BoxTree, PayloadPastTheEndIsMarkedAndItsValueReadsZero) {
  const Bytes bytes = Cat({HeadBox(), BoxClaiming("uttm", 8, {0, 0, 0xf0, 0x3f})});
  const BoxTree tree = InspectBoxTree(bytes);
  ASSERT_EQ(tree.boxes.size(), 2U);
  EXPECT_EQ(tree.boxes[1].missingBytes, 4U);
  EXPECT_EQ(tree.boxes[1].overrunBytes, 0U);  // the top level has no container
  EXPECT_EQ(std::get<double>(tree.boxes[1].value), 0.0);
}

TEST(BoxTree, ContainerClaimingMoreThanThereIsShowsItsRealChildren) {
  const Bytes bytes = BoxClaiming("fram", 1000, BoxBytes("fnum", Le(42)));
  const BoxTree tree = InspectBoxTree(bytes);
  ASSERT_EQ(tree.boxes.size(), 1U);
  EXPECT_EQ(tree.boxes[0].missingBytes, 1000U - 12U);
  ASSERT_EQ(tree.boxes[0].children.size(), 1U);
  EXPECT_EQ(std::get<std::int32_t>(tree.boxes[0].children[0].value), 42);
}

TEST(BoxTree, ShortLeafStillReadsItsFullWidthFromTheBytesAfterIt) {
  const Bytes bytes = BoxBytes("bndt", Cat({BoxClaiming("bnid", 1, {0x34}), {0x12}}));
  const BoxTree tree = InspectBoxTree(bytes);
  const InspectedBox& id = tree.boxes.at(0).children.at(0);
  EXPECT_EQ(std::get<std::int16_t>(id.value), 0x1234);
  EXPECT_EQ(WrittenPayloadSize(id.type), 2U);
  EXPECT_EQ(id.size, 1U);
}

TEST(BoxTree, BytesTooFewForABoxAreCountedAsLeftOver) {
  const BoxTree tree = InspectBoxTree(
      Cat({HeadBox(),
           BoxBytes("sndf", Cat({BoxBytes("rcvp", Le(std::uint16_t{7})), {1, 2, 3}})),
           {9, 9, 9, 9, 9}}));
  EXPECT_EQ(tree.trailingBytes, 5U);
  ASSERT_EQ(tree.boxes.size(), 2U);
  EXPECT_EQ(tree.boxes[1].trailingBytes, 3U);
  EXPECT_EQ(tree.boxes[1].children.size(), 1U);
}

TEST(BoxTree, ContainersDeeperThanTheLibraryEntersAreNotEntered) {
  Bytes bytes = BoxBytes("fnum", Le(1));
  for (int level = 0; level < 40; ++level) {
    bytes = BoxBytes("fram", bytes);
  }
  const BoxTree tree = InspectBoxTree(bytes);
  const InspectedBox* box = &tree.boxes.at(0);
  int depth = 0;
  while (!box->children.empty()) {
    box = &box->children[0];
    ++depth;
  }
  EXPECT_EQ(depth, 32);
  EXPECT_TRUE(box->notEntered);
}

TEST(BoxTree, EmptyInputHoldsNoBoxAndFewerThanEightBytesAreLeftOver) {
  EXPECT_TRUE(InspectBoxTree({}).boxes.empty());
  const Bytes tiny = {1, 0, 0, 0, 'h', 'e', 'a'};
  const BoxTree tree = InspectBoxTree(tiny);
  EXPECT_TRUE(tree.boxes.empty());
  EXPECT_EQ(tree.trailingBytes, 7U);
}

TEST(BoxTree, HeaderEndingItsRangeIsShownAsSearchedButNotWalked) {
  // An empty "btrs" last in its "fram", and a cut-off "head" last in the bytes.
  const BoxTree tree =
      InspectBoxTree(Cat({BoxBytes("fram", Cat({BoxBytes("fnum", Le(1)), BoxBytes("btrs", {})})),
                          BoxClaiming("head", 35)}));
  ASSERT_EQ(tree.boxes.size(), 2U);
  EXPECT_EQ(tree.trailingBytes, 0U);
  const InspectedBox& bones = tree.boxes[0].children.at(1);
  EXPECT_EQ(bones.code, "btrs");
  EXPECT_EQ(bones.offset, 20U);
  EXPECT_TRUE(bones.notVisited);
  EXPECT_EQ(tree.boxes[0].trailingBytes, 0U);
  EXPECT_TRUE(tree.boxes[1].notVisited);
  EXPECT_EQ(tree.boxes[1].missingBytes, 35U);
  EXPECT_FALSE(tree.boxes[0].notVisited);
}

TEST(BoxTree, OverrunIsMeasuredFromTheSizeOfTheContainerNotFromTheBytesPresent) {
  // "skdf" and "bons" agree on their sizes; the bytes end 12 bytes early.
  Bytes bytes = BoxBytes(
      "skdf",
      BoxBytes("bons", BoxBytes("bndt", BoxBytes("tran", Transform({0, 0, 0, 1, 1, 2, 3})))));
  bytes.resize(bytes.size() - 12);
  const BoxTree tree = InspectBoxTree(bytes);
  const InspectedBox& bones = tree.boxes.at(0).children.at(0);
  EXPECT_EQ(bones.missingBytes, 12U);
  EXPECT_EQ(bones.overrunBytes, 0U);
  const InspectedBox& transform = bones.children.at(0).children.at(0);
  EXPECT_EQ(transform.overrunBytes, 0U);
  EXPECT_EQ((std::get<std::array<float, 7>>(transform.value)),
            (std::array<float, 7>{0, 0, 0, 1, 0, 0, 0}));
}

}  // namespace
}  // namespace rmf
