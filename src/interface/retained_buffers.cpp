#include "interface/retained_buffers.h"

namespace ravuna_motion_format {
namespace {

// Empty at load, never destroyed: what it holds last stays until the process ends.
constinit RetainedSlots retainedBuffers;

}  // namespace

void RetainBuffers(const RetainedSlots& slots) noexcept {
  delete[] retainedBuffers.boneIds;
  delete[] retainedBuffers.parentBoneIds;
  for (float* transform : retainedBuffers.transforms) {
    delete[] transform;
  }
  delete[] retainedBuffers.document;
  retainedBuffers = slots;
}

const RetainedSlots& RetainedBuffers() noexcept { return retainedBuffers; }

}  // namespace ravuna_motion_format
