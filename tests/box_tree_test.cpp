#include "box/box.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace ravuna_motion_format {
namespace {

const float kRotation[4] = {0, 0, 0, 1};
const float kTranslation[3] = {0.1F, 1.2F, -0.3F};

Box* NewBone() {
  BoxList bone;
  bone.Add(new Box(BoxType::bnid, static_cast<short>(5), 2));
  bone.Add(new Box(BoxType::pbid, static_cast<short>(-1), 2));
  bone.Add(new Box(BoxType::tran, kRotation, kTranslation));
  return NewContainer(BoxType::bndt, bone);
}

TEST(BoxTree, LeafKeepsValueSizeAndCode) {
  const OwnedBox leaf(new Box(BoxType::rcvp, static_cast<unsigned short>(7), 2));
  EXPECT_EQ(leaf->size, 2);
  EXPECT_EQ(leaf->count, 1);
  EXPECT_EQ(leaf->typeName, "rcvp");
  EXPECT_EQ(std::any_cast<unsigned short>(leaf->value), 7);
}

TEST(BoxTree, LeafOfKindNoneIgnoresValueAndSize) {
  const OwnedBox leaf(new Box(BoxType::none, 12, 4));
  EXPECT_EQ(leaf->size, 0);
  EXPECT_EQ(leaf->count, 0);
  EXPECT_EQ(leaf->typeName, "none");
  EXPECT_EQ(leaf->value.type(), typeid(std::nullptr_t));
}

TEST(BoxTree, ContainerSizesAreSumsOfChildBoxes) {
  BoxList empty;
  const OwnedBox none(NewContainer(BoxType::bons, empty));
  EXPECT_EQ(none->size, 0);
  EXPECT_EQ(none->count, 0);

  const OwnedBox bone(NewBone());
  EXPECT_EQ(bone->size, 56);
  EXPECT_EQ(bone->count, 3);
  EXPECT_EQ(bone->value.type(), typeid(Box**));

  BoxList bones;
  for (int i = 0; i < 5; ++i) {
    bones.Add(NewBone());
  }
  const OwnedBox list(NewContainer(BoxType::bons, bones));
  EXPECT_EQ(list->size, 64 * 5);
  EXPECT_EQ(list->count, 5);
}

TEST(BoxTree, ArrayAndTextBoxes) {
  const OwnedBox transform(new Box(BoxType::tran, kRotation, kTranslation));
  EXPECT_EQ(transform->size, 28);
  EXPECT_EQ(transform->count, 7);
  ASSERT_NE(transform->floatValues, nullptr);
  EXPECT_EQ(std::any_cast<float*>(transform->value), transform->floatValues);
  EXPECT_EQ(transform->floatValues[3], 1.0F);
  EXPECT_EQ(transform->floatValues[6], -0.3F);

  const OwnedBox timecode(new Box(1, 2, 3, 4, 5, 6));
  EXPECT_EQ(timecode->type, BoxType::tmcd);
  EXPECT_EQ(timecode->size, 6);
  EXPECT_EQ(timecode->byteValues[5], 6);

  const OwnedBox text(new Box(BoxType::snnm, std::string()));
  EXPECT_EQ(text->size, 0);
  EXPECT_EQ(text->count, 1);
  const OwnedBox named(new Box(BoxType::snad, std::string("a\0b", 3)));
  EXPECT_EQ(named->size, 3);
  EXPECT_EQ(named->text, std::string("a\0b", 3));
}

TEST(BoxTree, ReleaseEmptiesTheBoxButKeepsItsKind) {
  BoxList bones;
  bones.Add(NewBone());
  bones.Add(NewBone());
  Box* root = NewContainer(BoxType::bons, bones);
  Release(root);  // children freed once each: checked by the sanitizers and valgrind
  EXPECT_TRUE(root->children.empty());
  EXPECT_EQ(root->size, 0);
  EXPECT_EQ(root->count, 0);
  EXPECT_EQ(root->value.type(), typeid(std::nullptr_t));
  EXPECT_EQ(root->type, BoxType::bons);
  EXPECT_EQ(root->typeName, "bons");
  Release(root);  // a second release finds nothing left to free
  delete root;

  Box* transform = new Box(BoxType::tran, kRotation, kTranslation);
  Release(transform);
  EXPECT_EQ(transform->floatValues, nullptr);
  DeleteBox(transform);
}

TEST(BoxTree, ReleaseMotionFormatClearsEveryField) {
  auto* format = new MotionFormat;
  format->header = NewBone();
  format->data = NewBone();
  ReleaseMotionFormat(format);
  EXPECT_EQ(format->header, nullptr);
  EXPECT_EQ(format->senderDefinition, nullptr);
  EXPECT_EQ(format->data, nullptr);
  delete format;
}

TEST(BoxTree, ContainerOfKindNoneTakesNoChildren) {
  BoxList bones;
  bones.Add(NewBone());
  const OwnedBox none(NewContainer(BoxType::none, bones));
  EXPECT_TRUE(none->children.empty());
  EXPECT_EQ(none->size, 0);
}

}  // namespace
}  // namespace ravuna_motion_format
