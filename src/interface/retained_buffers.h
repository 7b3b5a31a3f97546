// The record of memory handed out to callers: the library owns it and frees
// it at the next call that hands out memory.
#pragma once

#include <memory>

namespace ravuna_motion_format {

// The memory of the last recording call: one block from new unsigned char[]
// holding the encoded document or every per-bone array. Used only under the
// service lock.
class RetainedBuffers {
 public:
  // Frees the block held so far, then keeps `block`.
  void Retain(std::unique_ptr<unsigned char[]> block) noexcept { block_ = std::move(block); }

 private:
  std::unique_ptr<unsigned char[]> block_;
};

}  // namespace ravuna_motion_format
