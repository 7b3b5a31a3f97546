// The service object behind the exports: one per process. It holds what the
// exports share across calls, under its one lock: the memory handed out
// last. Detection runs under the lock as well; the caller-buffer exports and
// the verdict need none of it.
#pragma once

#include <memory>

#include "box/box_reader.h"
#include "interface/retained_buffers.h"
#include "interface/service_lock.h"

namespace ravuna_motion_format {

class MotionSerializer {
 public:
  // The process's one service object, created on first use (also when first
  // calls race) and never destroyed.
  static MotionSerializer& Instance();
  // How many service objects this process has created (1 once in use).
  static int CreatedCount() noexcept;

  MotionSerializer(const MotionSerializer&) = delete;
  MotionSerializer& operator=(const MotionSerializer&) = delete;

  // Keeps `block` as the memory handed out last and frees the one before.
  void HandOut(std::unique_ptr<unsigned char[]> block);
  // Frees a text handed out by ConvertBytesToSensorData; null is a no-op.
  void ReleaseText(char* text);
  // Whether a box search finds a box of the kind in the bytes.
  bool ContainsBox(BoxType kind, ByteView bytes);

 private:
  MotionSerializer();

  ServiceMutex mutex_;
  RetainedBuffers handedOut_ RAVUNA_GUARDED_BY(mutex_);
};

}  // namespace ravuna_motion_format
