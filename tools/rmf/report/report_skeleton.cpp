#include "rmf/report/report_skeleton.h"

#include <limits>

#include "rmf/motion/skeleton_pose.h"

namespace rmf {
namespace {

using motion::BoneFloats;
using motion::Hierarchy;

std::string ConventionsText(const motion::Conventions& conventions) {
  const std::vector<std::string> lines = motion::DescribeConventions(conventions);
  std::string text = "Read as";
  // The Euler order plays no part in joint positions.
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    text += (i == 0 ? " " : "; ") + lines[i];
  }
  return text + ".";
}

}  // namespace

PosedFrames PoseFrames(const SenderReport& sender, const SkeletonView& view) {
  PosedFrames posed;
  const AnimationFrames& animation = sender.animation;
  if (animation.frames.empty()) {
    posed.note = "No frames from this sender.";
    return posed;
  }
  // Without a definition, every bone of the first frame is a root.
  const std::vector<int> ids =
      sender.skeleton ? sender.skeleton->boneIds : animation.frames.front().boneIds;
  const std::vector<int> parentIds = sender.skeleton
                                         ? sender.skeleton->parentBoneIds
                                         : std::vector<int>(ids.size(), motion::kNoParent);
  const Hierarchy hierarchy(ids, parentIds);
  if (!hierarchy.Usable()) {
    posed.note = "The skeleton definition is no tree, so it is not drawn: " +
                 hierarchy.Problems().front().Describe() + ".";
    return posed;
  }
  std::vector<BoneFloats> rest(hierarchy.Size(), BoneFloats{0, 0, 0, 1, 0, 0, 0});
  if (sender.skeleton) {
    rest =
        motion::MatchBones(hierarchy, sender.skeleton->boneIds, sender.skeleton->transforms).floats;
  }
  for (std::size_t j = 0; j < hierarchy.Size(); ++j) {
    const std::optional<std::size_t> parent = hierarchy.Parent(j);
    posed.parents.push_back(parent ? static_cast<int>(*parent) : -1);
    posed.boneIds.push_back(hierarchy.Id(j));
  }
  std::size_t incomplete = 0;
  std::size_t unusable = 0;
  std::vector<float> last(3 * hierarchy.Size(), 0.0F);
  for (const FrameDataValues& frame : animation.frames) {
    motion::MatchedBones matched = motion::MatchBones(hierarchy, frame.boneIds, frame.transforms);
    for (const int id : matched.missing) {
      const std::size_t j = *hierarchy.IndexOf(id);
      matched.floats[j] = rest[j];
    }
    incomplete += matched.Complete() ? 0U : 1U;
    const motion::Pose pose = motion::ComputePose(hierarchy, matched.floats, view.conventions);
    if (pose.usable) {
      for (std::size_t j = 0; j < hierarchy.Size(); ++j) {
        const motion::Vec3& at = pose.joints[j].world.translation;
        last[3 * j] = static_cast<float>(at.x);
        last[3 * j + 1] = static_cast<float>(at.y);
        last[3 * j + 2] = static_cast<float>(at.z);
      }
    } else {
      ++unusable;  // the pose before it stays on screen
    }
    posed.positions.insert(posed.positions.end(), last.begin(), last.end());
  }
  posed.frames = animation.frames.size();
  posed.note = sender.skeleton ? "Bones at world positions through the sender's last skeleton "
                                 "definition. "
                               : "No skeleton definition from this sender: each bone is drawn "
                                 "alone at its own translation. ";
  posed.note += ConventionsText(view.conventions);
  if (incomplete != 0) {
    posed.note += " " + std::to_string(incomplete) +
                  " frames lack bones of the definition, which keep the definition's transform.";
  }
  if (unusable != 0) {
    posed.note += " " + std::to_string(unusable) +
                  " frames hold a zero-length rotation or a non-finite value and show the pose "
                  "before them.";
  }
  return posed;
}

}  // namespace rmf
