#include "interface/retained_buffers.h"

#include <gtest/gtest.h>

namespace ravuna_motion_format {
namespace {

// Every slot is freed exactly once with the matching delete[]: a slot freed
// twice, with the wrong form or never would be reported by ASan or valgrind.
TEST(RetainBuffers, ReplacesEverySlotAndFreesThePreviousOnes) {
  RetainedSlots arrays;
  arrays.boneIds = new int[3];
  arrays.parentBoneIds = new int[3];
  for (float*& transform : arrays.transforms) {
    transform = new float[3];
  }
  RetainBuffers(arrays);
  EXPECT_EQ(RetainedBuffers().boneIds, arrays.boneIds);
  EXPECT_EQ(RetainedBuffers().transforms[6], arrays.transforms[6]);
  EXPECT_EQ(RetainedBuffers().document, nullptr);

  RetainedSlots document;
  document.document = new unsigned char[10];
  RetainBuffers(document);
  EXPECT_EQ(RetainedBuffers().document, document.document);
  EXPECT_EQ(RetainedBuffers().boneIds, nullptr);
  EXPECT_EQ(RetainedBuffers().parentBoneIds, nullptr);
  for (float* transform : RetainedBuffers().transforms) {
    EXPECT_EQ(transform, nullptr);
  }

  RetainedSlots partial;  // slot 2 empty, as a frame read leaves it
  partial.boneIds = new int[0];
  RetainBuffers(partial);
  EXPECT_EQ(RetainedBuffers().document, nullptr);
  RetainBuffers(RetainedSlots{});
  EXPECT_EQ(RetainedBuffers().boneIds, nullptr);
}

}  // namespace
}  // namespace ravuna_motion_format
