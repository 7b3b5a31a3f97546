// The skeleton of a sender as the page animates it: each kept frame's joints
// at world positions through the hierarchy, under the convention flags of
// `rmf export`.
#pragma once

#include <string>
#include <vector>

#include "rmf/report/report_data.h"

namespace rmf {

struct SkeletonView {};

struct PosedFrames {
  std::vector<int> parents;      // per joint, the index of its parent joint, -1 for a root
  std::vector<int> boneIds;      // per joint
  std::vector<float> positions;  // x, y, z per joint per frame, y up
  std::size_t frames = 0;
  std::string note;  // how the poses were made, or why there are none
};

PosedFrames PoseFrames(const SenderReport& sender, const SkeletonView& view);

}  // namespace rmf
