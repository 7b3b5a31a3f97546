#include "interface/motion_serializer.h"

#include <atomic>
#include <utility>

namespace ravuna_motion_format {
namespace {

std::atomic<int> createdCount{0};

}  // namespace

MotionSerializer::MotionSerializer() { createdCount.fetch_add(1); }

MotionSerializer& MotionSerializer::Instance() {
  // Initialised once even when first calls race; never destroyed, so calls
  // made while the process shuts down still find it.
  static MotionSerializer* const instance = new MotionSerializer();
  return *instance;
}

int MotionSerializer::CreatedCount() noexcept { return createdCount.load(); }

void MotionSerializer::HandOut(std::unique_ptr<unsigned char[]> block) {
  ServiceLock lock(mutex_);
  handedOut_.Retain(std::move(block));
}

void MotionSerializer::ReleaseText(char* text) {
  ServiceLock lock(mutex_);
  delete[] text;
}

bool MotionSerializer::ContainsBox(BoxType kind, ByteView bytes) {
  ServiceLock lock(mutex_);
  return FindBox(bytes, kind, 0, -1).found;
}

}  // namespace ravuna_motion_format
