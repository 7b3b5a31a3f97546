#include "rmf/motion/skeleton_pose.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace rmf::motion {

std::string HierarchyProblem::Describe() const {
  const std::string bone = "bone " + std::to_string(boneId);
  switch (fault) {
    case Fault::duplicateId: return bone + " is defined more than once";
    case Fault::unknownParent:
      return bone + ": parent " + std::to_string(parentId) + " is no bone of the skeleton";
    case Fault::cycle:
      return bone + " is its own ancestor (parent " + std::to_string(parentId) + ")";
  }
  return bone;
}

Hierarchy::Hierarchy(std::span<const int> ids, std::span<const int> parentIds)
    : ids_(ids.begin(), ids.end()), parents_(ids.size()), children_(ids.size()) {
  std::map<int, std::size_t> index;
  for (std::size_t bone = 0; bone < ids_.size(); ++bone) {
    if (!index.emplace(ids_[bone], bone).second) {
      problems_.push_back({HierarchyProblem::Fault::duplicateId, ids_[bone], 0});
    }
  }
  for (std::size_t bone = 0; bone < ids_.size(); ++bone) {
    const int parent = bone < parentIds.size() ? parentIds[bone] : 0;
    const auto found = index.find(parent);
    if (parent == kNoParent) {
      continue;
    }
    if (found == index.end()) {
      problems_.push_back({HierarchyProblem::Fault::unknownParent, ids_[bone], parent});
    } else {
      parents_[bone] = found->second;
    }
  }
  // A bone none of whose ancestors is a root lies on, or hangs from, a cycle;
  // the bones on it are named.
  for (std::size_t bone = 0; bone < ids_.size() && problems_.empty(); ++bone) {
    std::optional<std::size_t> at = parents_[bone];
    for (std::size_t steps = 0; at && steps <= ids_.size(); ++steps) {
      if (*at == bone) {
        problems_.push_back({HierarchyProblem::Fault::cycle, ids_[bone], ids_[*parents_[bone]]});
        break;
      }
      at = parents_[*at];
    }
  }
  if (!problems_.empty()) {
    return;
  }
  for (std::size_t bone = 0; bone < ids_.size(); ++bone) {
    (parents_[bone] ? children_[*parents_[bone]] : roots_).push_back(bone);
  }
  std::vector<std::size_t> stack(roots_.rbegin(), roots_.rend());
  while (!stack.empty()) {
    const std::size_t bone = stack.back();
    stack.pop_back();
    parentsFirst_.push_back(bone);
    stack.insert(stack.end(), children_[bone].rbegin(), children_[bone].rend());
  }
}

std::optional<std::size_t> Hierarchy::IndexOf(int id) const {
  const auto found = std::find(ids_.begin(), ids_.end(), id);
  return found == ids_.end()
             ? std::nullopt
             : std::optional<std::size_t>(static_cast<std::size_t>(found - ids_.begin()));
}

MatchedBones MatchBones(const Hierarchy& hierarchy, std::span<const int> ids,
                        const std::array<std::vector<float>, 7>& transforms) {
  MatchedBones matched;
  matched.floats.assign(hierarchy.Size(), BoneFloats{});
  std::vector<bool> seen(hierarchy.Size(), false);
  std::map<int, std::size_t> index;
  for (std::size_t bone = 0; bone < hierarchy.Size(); ++bone) {
    index.emplace(hierarchy.Id(bone), bone);
  }
  for (std::size_t n = 0; n < ids.size(); ++n) {
    const auto found = index.find(ids[n]);
    if (found == index.end()) {
      matched.unknown.push_back(ids[n]);
      continue;
    }
    if (seen[found->second]) {
      matched.repeated.push_back(ids[n]);
      continue;
    }
    seen[found->second] = true;
    for (std::size_t k = 0; k < transforms.size(); ++k) {
      matched.floats[found->second][k] = n < transforms[k].size() ? transforms[k][n] : 0.0F;
    }
  }
  for (std::size_t bone = 0; bone < hierarchy.Size(); ++bone) {
    if (!seen[bone]) {
      matched.missing.push_back(hierarchy.Id(bone));
    }
  }
  return matched;
}

Pose ComputePose(const Hierarchy& hierarchy, std::span<const BoneFloats> floats,
                 const Conventions& conventions) {
  Pose pose;
  // Each bone's transform as sent, read under the conventions.
  std::vector<Transform> given(hierarchy.Size());
  for (std::size_t bone = 0; bone < hierarchy.Size() && bone < floats.size(); ++bone) {
    const BoneFloats& values = floats[bone];
    const std::optional<Quaternion> rotation =
        ReadQuaternion({values[0], values[1], values[2], values[3]}, conventions.quaternion);
    const Vec3 translation = conventions.scale * Vec3{values[4], values[5], values[6]};
    if (!rotation && !pose.zeroQuaternionBone) {
      pose.zeroQuaternionBone = hierarchy.Id(bone);
    }
    if (!std::isfinite(translation.x + translation.y + translation.z) && !pose.nonFiniteBone) {
      pose.nonFiniteBone = hierarchy.Id(bone);
    }
    given[bone] = {ToYUp(rotation.value_or(Quaternion{}), conventions.up),
                   ToYUp(translation, conventions.up)};
  }
  if (pose.zeroQuaternionBone || pose.nonFiniteBone || floats.size() < hierarchy.Size() ||
      !hierarchy.Usable()) {
    return pose;
  }
  pose.usable = true;
  pose.joints.resize(hierarchy.Size());
  for (const std::size_t bone : hierarchy.ParentsFirst()) {
    JointPose& joint = pose.joints[bone];
    const std::optional<std::size_t> parent = hierarchy.Parent(bone);
    if (!parent) {
      joint.local = joint.world = given[bone];
      continue;
    }
    const Transform& up = pose.joints[*parent].world;
    if (conventions.space == Space::local) {
      joint.local = given[bone];
      joint.world = {up.rotation * given[bone].rotation,
                     up.translation + Rotate(up.rotation, given[bone].translation)};
    } else {
      joint.world = given[bone];
      joint.local = {Conjugate(up.rotation) * given[bone].rotation,
                     Rotate(Conjugate(up.rotation), given[bone].translation - up.translation)};
    }
  }
  return pose;
}

}  // namespace rmf::motion
