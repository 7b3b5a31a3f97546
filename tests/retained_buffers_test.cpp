#include "interface/retained_buffers.h"

#include <gtest/gtest.h>

namespace ravuna_motion_format {
namespace {

// Each block is freed exactly once, when the next one is retained: a block
// freed twice, with the wrong form or never would be reported by ASan or
// valgrind.
TEST(RetainedBuffers, ReplacesEverySlotAndFreesThePreviousBlock) {
  RetainedBuffers record;
  std::unique_ptr<unsigned char[]> arrays(new unsigned char[36]);
  RetainedSlots slots;
  slots.boneIds = reinterpret_cast<int*>(arrays.get());
  slots.transforms[6] = reinterpret_cast<float*>(arrays.get() + 32);
  record.Retain(std::move(arrays), slots);
  EXPECT_EQ(record.Slots().boneIds, slots.boneIds);
  EXPECT_EQ(record.Slots().transforms[6], slots.transforms[6]);
  EXPECT_EQ(record.Slots().document, nullptr);

  std::unique_ptr<unsigned char[]> document(new unsigned char[10]);
  RetainedSlots documentSlots;
  documentSlots.document = document.get();
  record.Retain(std::move(document), documentSlots);
  EXPECT_EQ(record.Slots().document, documentSlots.document);
  EXPECT_EQ(record.Slots().boneIds, nullptr);
  for (float* transform : record.Slots().transforms) {
    EXPECT_EQ(transform, nullptr);
  }
  record.Retain(nullptr, RetainedSlots{});
  EXPECT_EQ(record.Slots().document, nullptr);
}

}  // namespace
}  // namespace ravuna_motion_format
