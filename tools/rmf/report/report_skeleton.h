// The skeleton of a sender as the page animates it: each kept frame's joints
// at world positions through the hierarchy, read under the convention flags
// of `rmf export` (rmf/motion), with the same defaults.
#pragma once

#include <string>
#include <vector>

#include "rmf/motion/conventions.h"
#include "rmf/report/report_data.h"

namespace rmf {

struct SkeletonView {
  motion::Conventions conventions;
};

struct PosedFrames {
  std::vector<int> parents;      // per joint, the index of its parent joint, -1 for a root
  std::vector<int> boneIds;      // per joint
  std::vector<float> positions;  // x, y, z per joint per frame, Y-up
  std::size_t frames = 0;
  std::string note;  // how the poses were made, or why there are none
};

// The poses of the kept frames, on the last skeleton definition the sender
// sent. Bones a frame lacks keep the definition's transform; without a
// definition, each bone is drawn alone at its own translation.
PosedFrames PoseFrames(const SenderReport& sender, const SkeletonView& view);

}  // namespace rmf
