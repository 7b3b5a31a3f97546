#include "box/box_pool.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "box/box.h"
#include "box/box_encoder.h"

namespace ravuna_motion_format {
namespace {

const float kRotation[4] = {0.5F, -0.0F, 1e-30F, 1.0F};
const float kTranslation[3] = {-2.5F, 3.25F, 7.0F};

// One bone of each array kind: a "bndt" with "bnid" and "tran", and a "tmcd".
std::vector<std::uint8_t> EncodeSampleBoxes() {
  BoxList bone;
  bone.Add(new Box(BoxType::bnid, static_cast<short>(-3), 2));
  bone.Add(new Box(BoxType::tran, kRotation, kTranslation));
  const OwnedBox container(NewContainer(BoxType::bndt, bone));
  const OwnedBox timecode(new Box(9, 8, 7, 6, 5, 1));
  ByteVector bytes;
  EncodeBox(container.get(), bytes);
  EncodeBox(timecode.get(), bytes);
  return bytes;
}

TEST(BoxPool, BoxesMadeInAScopeUseThePoolAndGiveItBack) {
  BoxPool pool;
  {
    const BoxPoolScope scope(pool);
    const OwnedBox transform(new Box(BoxType::tran, kRotation, kTranslation));
    const OwnedBox timecode(new Box(1, 2, 3, 4, 5, 6));
    EXPECT_EQ(transform->arrayPool, &pool);
    EXPECT_EQ(pool.nodes().blocksInUse(), 2U);
    EXPECT_EQ(pool.floatArrays().blocksInUse(), 1U);
    EXPECT_EQ(pool.byteArrays().blocksInUse(), 1U);
    EXPECT_EQ(transform->floatValues[2], 1e-30F);
    EXPECT_EQ(timecode->byteValues[5], 6);
  }
  EXPECT_EQ(pool.nodes().blocksInUse(), 0U);
  EXPECT_EQ(pool.floatArrays().blocksInUse(), 0U);
  EXPECT_EQ(pool.byteArrays().blocksInUse(), 0U);
  EXPECT_GT(pool.nodes().blocksOwned(), 0U);  // kept for the next call
}

TEST(BoxPool, ReleasedMemoryIsReusedByTheNextBox) {
  BoxPool pool;
  const BoxPoolScope scope(pool);
  Box* first = new Box(BoxType::tran, kRotation, kTranslation);
  const float* firstArray = first->floatValues;
  DeleteBox(first);
  const float other[4] = {9.0F, 8.0F, 7.0F, 6.0F};
  const OwnedBox second(new Box(BoxType::tran, other, other));
  EXPECT_EQ(second.get(), first);
  EXPECT_EQ(second->floatValues, firstArray);
  EXPECT_EQ(second->floatValues[0], 9.0F);
  EXPECT_EQ(second->floatValues[6], 7.0F);
}

TEST(BoxPool, WithoutAScopeBoxesUseTheHeap) {
  BoxPool pool;
  EXPECT_EQ(ActiveBoxPool(), nullptr);
  const OwnedBox transform(new Box(BoxType::tran, kRotation, kTranslation));
  EXPECT_EQ(transform->arrayPool, nullptr);
  EXPECT_EQ(pool.nodes().blocksOwned(), 0U);
}

TEST(BoxPool, ABoxGoesBackToItsOwnPoolAfterTheScopeEnds) {
  BoxPool outer;
  BoxPool inner;
  Box* made = nullptr;
  {
    const BoxPoolScope outerScope(outer);
    {
      const BoxPoolScope innerScope(inner);
      made = new Box(1, 2, 3, 4, 5, 6);
    }
    EXPECT_EQ(ActiveBoxPool(), &outer);
  }
  EXPECT_EQ(ActiveBoxPool(), nullptr);
  EXPECT_EQ(inner.nodes().blocksInUse(), 1U);
  DeleteBox(made);  // outside every scope: still returned to `inner`
  EXPECT_EQ(inner.nodes().blocksInUse(), 0U);
  EXPECT_EQ(inner.byteArrays().blocksInUse(), 0U);
  EXPECT_EQ(outer.nodes().blocksOwned(), 0U);
}

// Builds `count` leaves and bone containers in the pool, then frees them.
void BuildAndFree(BoxPool& pool, int count) {
  const BoxPoolScope scope(pool);
  BoxList many;
  for (int i = 0; i < count; ++i) {
    BoxList bone;
    bone.Reserve(1);
    bone.Add(new Box(BoxType::bnid, static_cast<short>(i), 2));
    many.Add(NewContainer(BoxType::btdt, bone));
  }
}  // the list frees its boxes before the scope trims

TEST(BoxPool, KeepsWhatLargeCallsNeedAndFreesASpike) {
  BoxPool pool;
  BuildAndFree(pool, 5000);
  EXPECT_GE(pool.nodes().blocksOwned(), 10000U);  // kept for the next large call
  EXPECT_EQ(pool.spareChildLists(), 5000U);
  BuildAndFree(pool, 5000);
  EXPECT_GE(pool.nodes().blocksOwned(), 10000U);
  BuildAndFree(pool, 3);  // a small call after the large ones: the memory goes
  EXPECT_EQ(pool.nodes().blocksOwned(), 0U);
  EXPECT_EQ(pool.spareChildLists(), 0U);
}

TEST(BoxPool, ChildListsOfReleasedContainersAreReused) {
  BoxPool pool;
  const BoxPoolScope scope(pool);
  Box* first = nullptr;
  const Box* const* firstList = nullptr;
  {
    BoxList bone;
    bone.Reserve(2);
    bone.Add(new Box(BoxType::bnid, static_cast<short>(1), 2));
    bone.Add(new Box(BoxType::tran, kRotation, kTranslation));
    first = NewContainer(BoxType::btdt, bone);
    firstList = first->children.data();
  }
  DeleteBox(first);
  EXPECT_EQ(pool.spareChildLists(), 1U);

  BoxList bone;
  bone.Reserve(2);
  bone.Add(new Box(BoxType::bnid, static_cast<short>(2), 2));
  const OwnedBox second(NewContainer(BoxType::btdt, bone));
  EXPECT_EQ(second->children.data(), firstList);
  EXPECT_EQ(pool.spareChildLists(), 0U);
  EXPECT_EQ(second->count, 1);
  EXPECT_EQ(second->size, 10);
}

TEST(BoxPool, AContainerBuiltOutsideThePoolKeepsItsListOnTheHeap) {
  BoxList bone;
  bone.Add(new Box(BoxType::bnid, static_cast<short>(1), 2));
  Box* container = NewContainer(BoxType::btdt, bone);
  BoxPool pool;
  const BoxPoolScope scope(pool);
  DeleteBox(container);  // made without a pool: freed, not stashed
  EXPECT_EQ(pool.spareChildLists(), 0U);
}

TEST(BoxPool, PooledTreesEncodeToTheSameBytes) {
  const std::vector<std::uint8_t> fromHeap = EncodeSampleBoxes();
  BoxPool pool;
  const BoxPoolScope scope(pool);
  EXPECT_EQ(EncodeSampleBoxes(), fromHeap);
  EXPECT_EQ(EncodeSampleBoxes(), fromHeap);  // again, in recycled memory
}

}  // namespace
}  // namespace ravuna_motion_format
