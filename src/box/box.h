// The box tree: one node per box, built bottom-up from values, encoded once
// and released. The exports write documents without it (direct_writers.h);
// it is the second, independent encoding the writers are checked against.
#pragma once

#include <any>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "box/box_kinds.h"

namespace ravuna_motion_format {

// One box. A container owns its children, an array box its array. A box is
// complete when its constructor returns; whoever deletes one calls Release
// on it first (DeleteBox does both).
class Box {
 public:
  // Leaf: a scalar or the "ftyp" text. Kind none ignores value and size.
  Box(BoxType kind, std::any leafValue, std::int32_t payloadSize);
  // Container: takes ownership of the children; its size is the sum of
  // (8 + child size). Kind none takes none of them.
  Box(BoxType kind, std::vector<Box*> childBoxes) noexcept;
  // Seven-float array ("tran", "snvl"): four values, then three.
  Box(BoxType kind, const float* first, const float* second);
  // Text box ("snad", "snnm").
  Box(BoxType kind, std::string textValue);
  // Timecode box ("tmcd"): the six bytes in order.
  Box(unsigned char byte0, unsigned char byte1, unsigned char byte2, unsigned char byte3,
      unsigned char byte4, unsigned char byte5);

  Box(const Box&) = delete;
  Box& operator=(const Box&) = delete;
  ~Box() = default;

  std::int32_t size = 0;  // payload bytes, never the 8-byte header
  BoxType type = BoxType::none;
  std::string typeName;  // the code written on the wire
  std::any value;        // its exact type decides the payload
  std::vector<Box*> children;
  std::int32_t count = 0;  // children, array elements, or 1 for a leaf
  float* floatValues = nullptr;
  unsigned char* byteValues = nullptr;
  std::string text;

 private:
  explicit Box(BoxType kind);
};

// Frees everything the box owns, children recursively; the box stays
// allocated with size 0, count 0, no children and a nullptr value.
void Release(Box* box) noexcept;

// Release, then destroy and free the box. Null is a no-op.
void DeleteBox(Box* box) noexcept;

struct BoxDeleter {
  void operator()(Box* box) const noexcept { DeleteBox(box); }
};
using OwnedBox = std::unique_ptr<Box, BoxDeleter>;

// Boxes made for a container that does not exist yet. If building fails
// half-way, the boxes made so far are freed with the list.
class BoxList {
 public:
  BoxList() = default;
  BoxList(const BoxList&) = delete;
  BoxList& operator=(const BoxList&) = delete;
  ~BoxList();

  void Reserve(std::size_t count) { boxes_.reserve(count); }
  // Takes ownership of the box, also when growing the list fails.
  void Add(Box* box);
  // Hands the boxes over, for a container constructor.
  std::vector<Box*> Release() noexcept { return std::move(boxes_); }

 private:
  std::vector<Box*> boxes_;
};

// Makes a container of the kind from the listed boxes, taking them over.
Box* NewContainer(BoxType type, BoxList& children);

// The root record of one document tree; owns its three boxes.
struct MotionFormat {
  Box* header = nullptr;            // "head"
  Box* senderDefinition = nullptr;  // "sndf"
  Box* data = nullptr;              // "skdf", "fram" or "sndt"
};

// Releases and frees the three boxes in order and sets the fields to null.
void ReleaseMotionFormat(MotionFormat* format) noexcept;

struct MotionFormatDeleter {
  void operator()(MotionFormat* format) const noexcept {
    ReleaseMotionFormat(format);
    delete format;
  }
};
// A document tree that is released on every path out of its scope.
using MotionFormatPtr = std::unique_ptr<MotionFormat, MotionFormatDeleter>;

}  // namespace ravuna_motion_format
