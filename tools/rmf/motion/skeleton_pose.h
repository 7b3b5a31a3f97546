// A skeleton definition's hierarchy, checked, and the poses of its bones
// under the conventions: local and world transforms, Y-up, scaled, so that
// every exporter and drawer places the joints alike.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rmf/motion/conventions.h"
#include "rmf/motion/rotations.h"

namespace rmf::motion {

// The parent id of a root bone, always: a bone whose id is -1 has no children.
inline constexpr int kNoParent = -1;

// What makes ids and parents no tree: every bone concerned is named.
struct HierarchyProblem {
  enum class Fault { duplicateId, unknownParent, cycle };
  Fault fault;
  int boneId;
  int parentId;
  // "bone 7 is defined twice", "bone 7: parent 9 is no bone of the skeleton",
  // "bone 7 is its own ancestor (parent 3)".
  std::string Describe() const;
};

class Hierarchy {
 public:
  // The tree of the skeleton definition's bones, indexed in definition
  // order. A parent id of kNoParent makes a root, one naming a bone makes
  // that bone the parent; anything else is a problem.
  Hierarchy(std::span<const int> ids, std::span<const int> parentIds);

  // A hierarchy with problems has no usable tree: roots, children and the
  // order below are empty.
  bool Usable() const { return problems_.empty(); }
  const std::vector<HierarchyProblem>& Problems() const { return problems_; }

  std::size_t Size() const { return ids_.size(); }
  int Id(std::size_t bone) const { return ids_[bone]; }
  std::optional<std::size_t> IndexOf(int id) const;
  std::optional<std::size_t> Parent(std::size_t bone) const { return parents_[bone]; }
  const std::vector<std::size_t>& Roots() const { return roots_; }
  const std::vector<std::size_t>& Children(std::size_t bone) const { return children_[bone]; }
  // Depth first from each root, children in definition order: every parent
  // before its children.
  const std::vector<std::size_t>& ParentsFirst() const { return parentsFirst_; }

 private:
  std::vector<int> ids_;
  std::vector<std::optional<std::size_t>> parents_;
  std::vector<std::size_t> roots_;
  std::vector<std::vector<std::size_t>> children_;
  std::vector<std::size_t> parentsFirst_;
  std::vector<HierarchyProblem> problems_;
};

// A bone's seven floats as the documents carry them: rotation0..3, then
// translation0..2.
using BoneFloats = std::array<float, 7>;

// A frame's (or a skeleton definition's) bones put in the hierarchy's
// order; the ids that do not fit are listed.
struct MatchedBones {
  std::vector<BoneFloats> floats;  // by hierarchy index
  std::vector<int> missing;        // bones of the hierarchy the document lacks
  std::vector<int> unknown;        // ids that are no bone of the hierarchy
  std::vector<int> repeated;       // ids given more than once
  bool Complete() const { return missing.empty() && repeated.empty(); }
};

// `transforms[k][n]` is component k of the n-th id; a component sequence
// shorter than the ids reads as 0, as the library reads a missing value.
MatchedBones MatchBones(const Hierarchy& hierarchy, std::span<const int> ids,
                        const std::array<std::vector<float>, 7>& transforms);

struct Transform {
  Quaternion rotation;
  Vec3 translation;
};

struct JointPose {
  Transform local;  // relative to the parent (to the world for a root)
  Transform world;  // world.translation is the joint's position
};

struct Pose {
  bool usable = false;            // false when a problem below, or the hierarchy's, stops it
  std::vector<JointPose> joints;  // by hierarchy index, when usable
  std::optional<int>
      zeroQuaternionBone;            // the first bone whose rotation has no length or is not finite
  std::optional<int> nonFiniteBone;  // the first bone with an infinite or NaN translation
};

// The pose of a usable hierarchy from its bones' floats read under the
// conventions: quaternions normalised, translations scaled, turned Y-up,
// and world and local transforms both worked out through the hierarchy.
Pose ComputePose(const Hierarchy& hierarchy, std::span<const BoneFloats> floats,
                 const Conventions& conventions);

}  // namespace rmf::motion
