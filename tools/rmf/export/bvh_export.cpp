#include "rmf/export/bvh_export.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>
#include <set>
#include <sstream>
#include <variant>

#include "rmf/input_reading.h"
#include "rmf/motion/skeleton_pose.h"
#include "rmf/output/value_format.h"

namespace rmf {
namespace {

using motion::BoneFloats;
using motion::Hierarchy;
using motion::Vec3;

// Frames per second where the stream gives no interval.
constexpr double kAssumedFrameRate = 60.0;
// A translation further than this share of the skeleton's largest
// translation from its offset is a difference BVH cannot show.
constexpr double kOffsetTolerance = 1e-5;

// The skeleton a BVH is written against: its hierarchy, and each joint's
// OFFSET under the conventions.
struct Skeleton {
  const SkeletonDefinitionValues* values = nullptr;
  std::string source;
  Hierarchy hierarchy;
  std::vector<Vec3> offsets;
  double tolerance = 0.0;
};

struct WrittenFrame {
  std::string source;
  int number = 0;
  double uttm = 0.0;
  float time = 0.0F;
  std::optional<std::int64_t> captureMicroseconds;
  std::string motion;  // its MOTION line, made as it comes so that poses are not kept
};

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](float x, float y) {
           return std::bit_cast<std::uint32_t>(x) == std::bit_cast<std::uint32_t>(y);
         });
}

bool SameSkeleton(const SkeletonDefinitionValues& a, const SkeletonDefinitionValues& b) {
  for (std::size_t k = 0; k < a.transforms.size(); ++k) {
    if (!SameBits(a.transforms[k], b.transforms[k])) {
      return false;
    }
  }
  return a.boneIds == b.boneIds && a.parentBoneIds == b.parentBoneIds;
}

std::string IdList(const std::vector<int>& ids) {
  std::string list;
  for (std::size_t k = 0; k < ids.size() && k < 8; ++k) {
    list += (k == 0 ? "" : ", ") + std::to_string(ids[k]);
  }
  return list + (ids.size() > 8 ? ", ..." : "");
}

double Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// The skeleton's hierarchy and offsets, or why it cannot be used. In local
// space the offsets are its translations and its rotations play no part; in
// world space they come through its own world transforms.
std::variant<Skeleton, std::string> ReadSkeleton(const SkeletonDefinitionValues& values,
                                                 const std::string& source,
                                                 const motion::Conventions& conventions) {
  Skeleton skeleton{&values, source, Hierarchy(values.boneIds, values.parentBoneIds), {}, 0.0};
  const Hierarchy& hierarchy = skeleton.hierarchy;
  if (!hierarchy.Usable()) {
    return hierarchy.Problems().front().Describe();
  }
  if (hierarchy.Size() == 0) {
    return std::string("it has no bones");
  }
  std::vector<BoneFloats> floats =
      motion::MatchBones(hierarchy, values.boneIds, values.transforms).floats;
  if (conventions.space == motion::Space::local) {
    for (BoneFloats& bone : floats) {
      bone[0] = bone[1] = bone[2] = bone[3] = 0.0F;  // the identity, w set below
      bone[conventions.quaternion == motion::QuaternionOrder::xyzw ? 3 : 0] = 1.0F;
    }
  }
  const motion::Pose pose = motion::ComputePose(hierarchy, floats, conventions);
  if (!pose.usable) {
    return pose.zeroQuaternionBone ? "bone " + std::to_string(*pose.zeroQuaternionBone) +
                                         " has a zero-length or non-finite quaternion"
                                   : "bone " + std::to_string(pose.nonFiniteBone.value_or(0)) +
                                         " has a translation that is not finite";
  }
  double largest = 0.0;
  for (std::size_t bone = 0; bone < hierarchy.Size(); ++bone) {
    skeleton.offsets.push_back(pose.joints[bone].local.translation);
    largest = std::max({largest, Length(pose.joints[bone].local.translation),
                        Length(pose.joints[bone].world.translation)});
  }
  skeleton.tolerance = kOffsetTolerance * largest;
  return skeleton;
}

// A float the documents carry as its shortest text; a value worked out from
// them (an angle, a scaled or turned translation) to ten significant digits,
// past the floats' precision, so that nothing that shows is lost.
std::string Number(double value) {
  const auto narrowed = static_cast<float>(value);
  if (static_cast<double>(narrowed) == value) {
    return FormatFloat(narrowed == 0.0F ? 0.0F : narrowed);
  }
  std::array<char, 32> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(),
                                    value == 0.0 ? 0.0 : value, std::chars_format::general, 10);
  return {text.data(), result.ptr};
}

// Values of a line, one blank apart.
void Append(std::string& line, const std::string& value) {
  if (!line.empty()) {
    line += ' ';
  }
  line += value;
}

std::string Triple(const Vec3& v) { return Number(v.x) + " " + Number(v.y) + " " + Number(v.z); }

// The median over consecutive written frames of (t_b - t_a) / (n_b - n_a),
// for those whose numbers and times both go forward.
template <class Time>
std::optional<std::pair<double, std::size_t>> MedianInterval(
    const std::vector<WrittenFrame>& frames, Time time) {
  std::vector<double> intervals;
  for (std::size_t k = 1; k < frames.size(); ++k) {
    const std::optional<double> a = time(frames[k - 1]);
    const std::optional<double> b = time(frames[k]);
    const std::int64_t steps = std::int64_t{frames[k].number} - frames[k - 1].number;
    if (a && b && steps > 0 && std::isfinite(*b - *a) && *b > *a) {
      intervals.push_back((*b - *a) / static_cast<double>(steps));
    }
  }
  if (intervals.empty()) {
    return std::nullopt;
  }
  std::sort(intervals.begin(), intervals.end());
  const std::size_t middle = intervals.size() / 2;
  const double median = intervals.size() % 2 == 1
                            ? intervals[middle]
                            : (intervals[middle - 1] + intervals[middle]) / 2.0;
  return std::pair{median, intervals.size()};
}

// The frame time and the words for its source: the frames' uttm, their
// time, the capture's packet times, or 1/60 s when none gives an interval.
std::pair<double, std::string> FrameTime(const std::vector<WrittenFrame>& frames) {
  using Source = std::optional<double> (*)(const WrittenFrame&);
  const std::array<std::pair<const char*, Source>, 3> sources = {{
      {"uttm", [](const WrittenFrame& f) -> std::optional<double> { return f.uttm; }},
      {"time",
       [](const WrittenFrame& f) -> std::optional<double> { return static_cast<double>(f.time); }},
      {"capture time",
       [](const WrittenFrame& f) -> std::optional<double> {
         if (!f.captureMicroseconds) {
           return std::nullopt;
         }
         return static_cast<double>(*f.captureMicroseconds) / 1e6;
       }},
  }};
  for (const auto& [name, time] : sources) {
    if (const auto median = MedianInterval(frames, time)) {
      return {median->first, "the median of " + std::to_string(median->second) + " " + name +
                                 " interval" + (median->second == 1 ? "" : "s")};
    }
  }
  return {1.0 / kAssumedFrameRate, "assumed: the stream gives no interval"};
}

bool HasPositions(const Skeleton& skeleton, const BvhOptions& options, std::size_t bone) {
  return options.jointPositions || !skeleton.hierarchy.Parent(bone);
}

// Joints in the hierarchy's order: position channels where there are any,
// then the rotation relative to the parent as Euler angles in degrees.
std::string MotionLine(const Skeleton& skeleton, const BvhOptions& options,
                       const std::vector<motion::JointPose>& joints) {
  std::string line;
  for (const std::size_t bone : skeleton.hierarchy.ParentsFirst()) {
    const motion::Transform& local = joints[bone].local;
    if (HasPositions(skeleton, options, bone)) {
      Append(line, Triple(local.translation));
    }
    for (const double angle : motion::EulerAngles(local.rotation, options.conventions.euler)) {
      Append(line, Number(angle * 180.0 / std::numbers::pi));
    }
  }
  return line + "\n";
}

class BvhWriter {
 public:
  BvhWriter(const Skeleton& skeleton, const BvhOptions& options)
      : skeleton_(skeleton), options_(options) {
    const Hierarchy& hierarchy = skeleton.hierarchy;
    std::set<std::string> seen;
    for (std::size_t bone = 0; bone < hierarchy.Size(); ++bone) {
      const auto named = options.names.find(hierarchy.Id(bone));
      names_.push_back(named != options.names.end() ? named->second
                                                    : "bone_" + std::to_string(hierarchy.Id(bone)));
      if (!seen.insert(names_.back()).second) {
        throw InputError("two joints would be named '" + names_.back() + "'");
      }
    }
    const std::array<int, 3> axes = motion::Axes(options.conventions.euler);
    for (const int axis : axes) {
      rotationChannels_ += std::string(" ") + static_cast<char>('X' + axis) + "rotation";
    }
  }

  const std::string& Name(std::size_t bone) const { return names_[bone]; }

  std::string HierarchyText() const {
    std::string text = "HIERARCHY\n";
    for (const std::size_t root : skeleton_.hierarchy.Roots()) {
      Joint(text, root);
    }
    return text;
  }

 private:
  // Depth first without recursion, and indented at most kMaxIndent tabs: a
  // hostile skeleton may nest thousands of bones deep.
  void Joint(std::string& text, std::size_t root) const {
    constexpr std::size_t kMaxIndent = 16;
    struct Open {
      std::size_t bone;
      std::size_t nextChild;
    };
    std::vector<Open> open;
    const auto indent = [&] { return std::string(std::min(open.size(), kMaxIndent), '\t'); };
    const auto begin = [&](std::size_t bone) {
      text +=
          indent() + (open.empty() ? "ROOT " : "JOINT ") + names_[bone] + "\n" + indent() + "{\n";
      open.push_back({bone, 0});
      text += indent() + "OFFSET " + Triple(skeleton_.offsets[bone]) + "\n";
      text += indent() + "CHANNELS " +
              (HasPositions(skeleton_, options_, bone) ? "6 Xposition Yposition Zposition"
                                                       : std::string("3")) +
              rotationChannels_ + "\n";
    };
    begin(root);
    while (!open.empty()) {
      Open& top = open.back();
      const std::vector<std::size_t>& children = skeleton_.hierarchy.Children(top.bone);
      if (top.nextChild < children.size()) {
        begin(children[top.nextChild++]);
        continue;
      }
      if (children.empty()) {
        text += indent() + "End Site\n" + indent() + "{\n" + indent() + "\tOFFSET 0 0 0\n" +
                indent() + "}\n";
      }
      open.pop_back();
      text += indent() + "}\n";
    }
  }

  const Skeleton& skeleton_;
  const BvhOptions& options_;
  std::vector<std::string> names_;
  std::string rotationChannels_;
};

// Takes the frames, skipping and counting each that cannot be written.
class FrameCollector {
 public:
  FrameCollector(const BvhOptions& options, ExportProblems& problems)
      : options_(options), problems_(problems) {}

  void OnSkeleton(const SkeletonDefinitionValues& values, const std::string& source) {
    latest_ = &values;
    latestSource_ = source;
  }

  void OnFrame(const FrameDataValues& frame, const StreamDocument& document) {
    const std::string where =
        "frame " + std::to_string(frame.frame.frameNumber) + " at " + document.source;
    if (latest_ == nullptr) {
      problems_.Count("frames before any skeleton definition, not written", where);
      return;
    }
    if (chosen_ && latest_ != chosen_->values && !SameSkeleton(*chosen_->values, *latest_)) {
      problems_.Count("frames after a changed skeleton definition, not written",
                      where + ": " + latestSource_ + " differs from " + chosen_->source);
      return;
    }
    if (!chosen_) {
      auto read = ReadSkeleton(*latest_, latestSource_, options_.conventions);
      if (const auto* why = std::get_if<std::string>(&read)) {
        problems_.Count("frames whose skeleton definition cannot be used, not written",
                        where + ": " + latestSource_ + ": " + *why);
        return;
      }
      chosen_.emplace(std::move(std::get<Skeleton>(read)));
    }
    AddFrame(frame, document, where);
  }

  const std::optional<Skeleton>& Chosen() const { return chosen_; }
  const std::vector<WrittenFrame>& Frames() const { return frames_; }

 private:
  void AddFrame(const FrameDataValues& frame, const StreamDocument& document,
                const std::string& where) {
    const Hierarchy& hierarchy = chosen_->hierarchy;
    const motion::MatchedBones matched =
        motion::MatchBones(hierarchy, frame.boneIds, frame.transforms);
    if (!matched.Complete()) {
      problems_.Count(
          "frames whose bones differ from the skeleton's, not written",
          where + (matched.missing.empty() ? " repeats bones " + IdList(matched.repeated)
                                           : " lacks bones " + IdList(matched.missing)));
      return;
    }
    if (!matched.unknown.empty()) {
      problems_.Count("frames with bones the skeleton lacks, those bones left out",
                      where + ": bones " + IdList(matched.unknown));
    }
    motion::Pose pose = motion::ComputePose(hierarchy, matched.floats, options_.conventions);
    if (pose.zeroQuaternionBone) {
      problems_.Count("frames with a zero-length or non-finite quaternion, not written",
                      where + ", bone " + std::to_string(*pose.zeroQuaternionBone));
      return;
    }
    if (pose.nonFiniteBone) {
      problems_.Count("frames with a translation that is not finite, not written",
                      where + ", bone " + std::to_string(*pose.nonFiniteBone));
      return;
    }
    if (!options_.jointPositions) {
      CheckOffsets(pose, where);
    }
    frames_.push_back({document.source, frame.frame.frameNumber, frame.frame.uttm, frame.frame.time,
                       document.captureMicroseconds, MotionLine(*chosen_, options_, pose.joints)});
  }

  // BVH moves a joint other than a root by its rotation alone: a translation
  // away from the offset is lost, and said so.
  void CheckOffsets(const motion::Pose& pose, const std::string& where) {
    const Hierarchy& hierarchy = chosen_->hierarchy;
    for (std::size_t bone = 0; bone < hierarchy.Size(); ++bone) {
      const double difference =
          Length(pose.joints[bone].local.translation - chosen_->offsets[bone]);
      if (hierarchy.Parent(bone) && difference > chosen_->tolerance) {
        problems_.Count(
            "frames whose translations differ from the skeleton's offsets, which BVH keeps "
            "(--joint-positions writes them)",
            where + ", bone " + std::to_string(hierarchy.Id(bone)) + " by " +
                FormatFloat(static_cast<float>(difference)));
        return;
      }
    }
  }

  const BvhOptions& options_;
  ExportProblems& problems_;
  const SkeletonDefinitionValues* latest_ = nullptr;
  std::string latestSource_;
  std::optional<Skeleton> chosen_;
  std::vector<WrittenFrame> frames_;
};

Json ConventionsJson(const motion::Conventions& conventions) {
  return {{"quaternion", motion::Name(conventions.quaternion)},
          {"space", motion::Name(conventions.space)},
          {"scale", conventions.scale},
          {"up", motion::Name(conventions.up)},
          {"euler", motion::Name(conventions.euler)}};
}

}  // namespace

BvhFile ExportBvh(const SenderStream& stream, const BvhOptions& options, ExportProblems& problems) {
  FrameCollector collector(options, problems);
  for (const StreamDocument& document : stream.documents) {
    if (const auto* skeleton = std::get_if<SkeletonDefinitionValues>(&document.values)) {
      collector.OnSkeleton(*skeleton, document.source);
    } else if (const auto* frame = std::get_if<FrameDataValues>(&document.values)) {
      collector.OnFrame(*frame, document);
    }
  }
  BvhFile file;
  const std::vector<WrittenFrame>& frames = collector.Frames();
  if (frames.empty()) {
    return file;
  }
  const Skeleton& skeleton = *collector.Chosen();
  const BvhWriter writer(skeleton, options);
  const auto [frameTime, frameTimeSource] = FrameTime(frames);
  file.text = writer.HierarchyText() + "MOTION\nFrames: " + std::to_string(frames.size()) +
              "\nFrame Time: " + FormatDouble(frameTime) + "\n";
  for (const WrittenFrame& frame : frames) {
    file.text += frame.motion;
  }
  file.frames = frames.size();
  file.joints = skeleton.hierarchy.Size();
  file.frameTime = FormatDouble(frameTime) + " s, " + frameTimeSource;

  std::vector<std::string> meaning = motion::DescribeConventions(options.conventions);
  meaning.insert(
      meaning.end(),
      {"hierarchy: the skeleton definition before the frames; a parent id of -1 marks a root",
       "OFFSET: the skeleton definition's translation of the joint from its parent, under the "
       "conventions above (End Sites 0 0 0)",
       std::string("position channels: ") + (options.jointPositions ? "every joint" : "the roots") +
           "; each holds the joint's whole translation from its parent (a root's from the "
           "origin), in place of its OFFSET",
       "rotation channels: each joint's rotation relative to its parent, in degrees",
       "frame time: " + file.frameTime});
  Json joints = Json::array();
  for (const std::size_t bone : skeleton.hierarchy.ParentsFirst()) {
    const auto parent = skeleton.hierarchy.Parent(bone);
    joints.push_back({{"name", writer.Name(bone)},
                      {"id", skeleton.hierarchy.Id(bone)},
                      {"parent", parent ? Json(skeleton.hierarchy.Id(*parent)) : Json(nullptr)}});
  }
  Json written = Json::array();
  for (const WrittenFrame& frame : frames) {
    written.push_back({{"source", frame.source}, {"frame_number", frame.number}});
  }
  file.sidecar = {{"sender", stream.sender},
                  {"skeleton", skeleton.source},
                  {"conventions", ConventionsJson(options.conventions)},
                  {"joint_positions", options.jointPositions},
                  {"meaning", meaning},
                  {"frame_time", frameTime},
                  {"frame_time_source", frameTimeSource},
                  {"joints", std::move(joints)},
                  {"frames", std::move(written)}};
  return file;
}

std::map<int, std::string> ParseJointNames(const std::string& text) {
  std::map<int, std::string> names;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string idText;
    std::string name;
    std::string extra;
    if (!(words >> idText)) {
      continue;
    }
    const auto fail = [&](const std::string& why) {
      throw InputError("line " + std::to_string(number) + ": " + why);
    };
    int id = 0;
    const auto [end, error] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    if (error != std::errc{} || end != idText.data() + idText.size()) {
      fail("'" + idText + "' is not a bone id");
    }
    if (!(words >> name) || (words >> extra)) {
      fail("expected a bone id and one name without blanks");
    }
    if (std::any_of(name.begin(), name.end(), [](unsigned char c) {
          return c < 0x21 || c == 0x7f || c == '{' || c == '}';
        })) {
      fail("the name '" + name + "' holds a brace or a control character");
    }
    if (!names.emplace(id, name).second) {
      fail("bone " + idText + " is named twice");
    }
  }
  return names;
}

}  // namespace rmf
