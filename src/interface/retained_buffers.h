// The record of memory handed out to callers: the library owns it and frees
// it at the next call that hands out memory.
#pragma once

#include <array>
#include <memory>

namespace ravuna_motion_format {

// Ten slots: 1 and 2 the bone id and parent bone id arrays, 3 to 9 the seven
// transform arrays, 10 an encoded document. All of them lie in one block.
struct RetainedSlots {
  int* boneIds = nullptr;              // slot 1
  int* parentBoneIds = nullptr;        // slot 2
  std::array<float*, 7> transforms{};  // slots 3 to 9
  unsigned char* document = nullptr;   // slot 10
};

// The memory of the last recording call: one block from new unsigned char[],
// and the slots that point into it. Used only under the service lock.
class RetainedBuffers {
 public:
  // Frees the block held so far, then keeps `block` and `slots`.
  void Retain(std::unique_ptr<unsigned char[]> block, const RetainedSlots& slots) noexcept {
    block_ = std::move(block);
    slots_ = slots;
  }
  const RetainedSlots& Slots() const noexcept { return slots_; }

 private:
  std::unique_ptr<unsigned char[]> block_;
  RetainedSlots slots_;
};

}  // namespace ravuna_motion_format
