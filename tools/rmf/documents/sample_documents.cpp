#include "rmf/documents/sample_documents.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>

#include "motion_calls.hpp"

namespace rmf {
namespace {

struct SampleBone {
  int parent;
  std::array<float, 3> offset;  // from the parent, in metres
};

// Hips, spine to head, both arms, both legs, then eyes, jaw and two fingers.
constexpr std::array<SampleBone, kSampleBoneCount> kHumanoid = {{
    {-1, {0.0F, 0.95F, 0.0F}},    // 0 hips
    {0, {0.0F, 0.1F, 0.0F}},      // 1 spine
    {1, {0.0F, 0.12F, 0.0F}},     // 2 chest
    {2, {0.0F, 0.12F, 0.0F}},     // 3 upper chest
    {3, {0.0F, 0.14F, 0.0F}},     // 4 neck
    {4, {0.0F, 0.1F, 0.0F}},      // 5 head
    {3, {0.04F, 0.1F, 0.0F}},     // 6 left shoulder
    {6, {0.12F, 0.0F, 0.0F}},     // 7 left upper arm
    {7, {0.26F, 0.0F, 0.0F}},     // 8 left lower arm
    {8, {0.24F, 0.0F, 0.0F}},     // 9 left hand
    {3, {-0.04F, 0.1F, 0.0F}},    // 10 right shoulder
    {10, {-0.12F, 0.0F, 0.0F}},   // 11 right upper arm
    {11, {-0.26F, 0.0F, 0.0F}},   // 12 right lower arm
    {12, {-0.24F, 0.0F, 0.0F}},   // 13 right hand
    {0, {0.09F, -0.05F, 0.0F}},   // 14 left upper leg
    {14, {0.0F, -0.42F, 0.0F}},   // 15 left lower leg
    {15, {0.0F, -0.4F, 0.0F}},    // 16 left foot
    {16, {0.0F, -0.06F, 0.12F}},  // 17 left toes
    {0, {-0.09F, -0.05F, 0.0F}},  // 18 right upper leg
    {18, {0.0F, -0.42F, 0.0F}},   // 19 right lower leg
    {19, {0.0F, -0.4F, 0.0F}},    // 20 right foot
    {20, {0.0F, -0.06F, 0.12F}},  // 21 right toes
    {5, {0.03F, 0.06F, 0.08F}},   // 22 left eye
    {5, {-0.03F, 0.06F, 0.08F}},  // 23 right eye
    {5, {0.0F, -0.02F, 0.05F}},   // 24 jaw
    {9, {0.08F, 0.0F, 0.02F}},    // 25 left index finger
    {13, {-0.08F, 0.0F, 0.02F}},  // 26 right index finger
}};

constexpr int kRightUpperArm = 11;
constexpr int kHips = 0;

namespace calls = ravuna_motion_calls;

const calls::Sender kSampleSender{kSampleSenderIp, kSampleSenderPort};

// The humanoid at rest: identity rotations, the offsets as translations.
calls::Bones RestBones() {
  calls::Bones bones;
  bones.Resize(kSampleBoneCount);
  for (std::size_t i = 0; i < kHumanoid.size(); ++i) {
    bones.ids[i] = static_cast<int>(i);
    bones.parentIds[i] = kHumanoid[i].parent;
    bones.transforms[3][i] = 1.0F;  // identity rotation (x, y, z, w)
    for (std::size_t k = 0; k < 3; ++k) {
      bones.transforms[4 + k][i] = kHumanoid[i].offset[k];
    }
  }
  return bones;
}

template <class Record>
Bytes Encoded(const Record& record) {
  calls::HandedOutDocument document;
  calls::EncodeHandedOut(kSampleSender, record, document);
  return document.Copy();
}

}  // namespace

Bytes SampleSkeletonDefinition() { return Encoded(calls::SkeletonDefinition{RestBones()}); }

Bytes SampleFrame(int frameIndex) {
  calls::FrameData frame;
  frame.bones = RestBones();
  // The right arm swings about the z axis; the hips bob a little.
  const double phase = 2.0 * std::numbers::pi * frameIndex / 30.0;
  const double halfAngle = 0.5 * 0.6 * std::sin(phase);
  auto& t = frame.bones.transforms;
  t[2][kRightUpperArm] = static_cast<float>(std::sin(halfAngle));
  t[3][kRightUpperArm] = static_cast<float>(std::cos(halfAngle));
  t[5][kHips] = static_cast<float>(0.95 + 0.01 * std::sin(2.0 * phase));

  const double seconds = frameIndex / kSampleFrameRate;
  frame.frameNumber = kSampleFirstFrame + frameIndex;
  frame.time = static_cast<float>(seconds);
  frame.uttm = 1700000000.0 + seconds;
  frame.timecode = {10, 0, 0, static_cast<unsigned char>(frameIndex % 60), 0};
  frame.timecodeFlag = true;
  return Encoded(frame);
}

Bytes SampleSensorRecord() {
  calls::SensorData sensor;
  sensor.uttm = 1700000000.05;
  sensor.sensorAddress = "00:1a:7d:da:71:13";
  sensor.sensorName = "right wrist IMU";
  sensor.sensorJointIndex = 13;
  // Orientation as a quaternion, then acceleration in m/s^2.
  sensor.sensorValues = {0.0F, 0.0F, 0.0F, 1.0F, 0.0F, 9.81F, 0.0F};
  return Encoded(sensor);
}

}  // namespace rmf
