#include "rmf/report/report_skeleton.h"

namespace rmf {

PosedFrames PoseFrames(const SenderReport& sender, const SkeletonView& /*view*/) {
  PosedFrames posed;
  if (sender.animation.frames.empty()) {
    posed.note = "no frames from this sender";
  }
  return posed;
}

}  // namespace rmf
