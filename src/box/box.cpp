#include "box/box.h"

#include <cstddef>
#include <utility>

namespace ravuna_motion_format {

Box::Box(BoxType kind) : type(kind), typeName(BoxCode(kind)) {}

Box::Box(BoxType kind, std::any leafValue, std::int32_t payloadSize) : Box(kind) {
  if (kind == BoxType::none) {
    value.emplace<std::nullptr_t>();
    return;
  }
  value = std::move(leafValue);
  size = payloadSize;
  count = 1;
}

Box::Box(BoxType kind, std::vector<Box*> childBoxes) noexcept : Box(kind) {
  if (kind == BoxType::none) {
    // A box of kind none holds nothing; the children it was given are freed.
    for (Box* child : childBoxes) {
      DeleteBox(child);
    }
    value.emplace<std::nullptr_t>();
    return;
  }
  children = std::move(childBoxes);
  std::uint32_t total = 0;
  for (const Box* child : children) {
    total += 8U + static_cast<std::uint32_t>(child->size);
  }
  size = static_cast<std::int32_t>(total);
  count = static_cast<std::int32_t>(children.size());
  value.emplace<Box**>(children.empty() ? nullptr : children.data());
}

Box::Box(BoxType kind, const float* first, const float* second) : Box(kind) {
  floatValues = new float[kTransformFloatCount];
  for (int k = 0; k < 4; ++k) {
    floatValues[k] = first[k];
  }
  for (int k = 0; k < 3; ++k) {
    floatValues[4 + k] = second[k];
  }
  value.emplace<float*>(floatValues);
  count = kTransformFloatCount;
  size = kTransformFloatCount * 4;
}

Box::Box(BoxType kind, std::string textValue) : Box(kind) {
  if (kind == BoxType::none) {
    value.emplace<std::nullptr_t>();
    return;
  }
  size = static_cast<std::int32_t>(static_cast<std::uint32_t>(textValue.size()));
  count = 1;
  text = textValue;
  value = std::move(textValue);
}

Box::Box(unsigned char byte0, unsigned char byte1, unsigned char byte2, unsigned char byte3,
         unsigned char byte4, unsigned char byte5)
    : Box(BoxType::tmcd) {
  byteValues = new unsigned char[kTimecodeByteCount];
  const unsigned char bytes[kTimecodeByteCount] = {byte0, byte1, byte2, byte3, byte4, byte5};
  for (int k = 0; k < kTimecodeByteCount; ++k) {
    byteValues[k] = bytes[k];
  }
  value.emplace<unsigned char*>(byteValues);
  count = kTimecodeByteCount;
  size = kTimecodeByteCount;
}

void Release(Box* box) noexcept {
  delete[] box->floatValues;
  box->floatValues = nullptr;
  delete[] box->byteValues;
  box->byteValues = nullptr;
  std::string().swap(box->text);
  for (Box*& child : box->children) {
    DeleteBox(child);
    child = nullptr;
  }
  std::vector<Box*>().swap(box->children);
  box->count = 0;
  box->size = 0;
  box->value = nullptr;
}

void DeleteBox(Box* box) noexcept {
  if (box != nullptr) {
    Release(box);
    delete box;
  }
}

BoxList::~BoxList() {
  for (Box* box : boxes_) {
    DeleteBox(box);
  }
}

void BoxList::Add(Box* box) {
  OwnedBox guard(box);
  boxes_.push_back(box);
  guard.release();
}

Box* NewContainer(BoxType type, BoxList& children) {
  // The node is allocated before the children are handed over, so a failed
  // allocation leaves them with the list, which frees them.
  return new Box(type, children.Release());
}

void ReleaseMotionFormat(MotionFormat* format) noexcept {
  for (Box** field : {&format->header, &format->senderDefinition, &format->data}) {
    DeleteBox(*field);
    *field = nullptr;
  }
}

}  // namespace ravuna_motion_format
