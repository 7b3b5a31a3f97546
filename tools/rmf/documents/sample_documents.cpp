#include "rmf/documents/sample_documents.h"

#include <array>
#include <cmath>
#include <numbers>

#include "ravuna_motion_serializer.h"

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

// Per-bone values as the exports take them: one array per component.
struct BoneColumns {
  std::array<int, kSampleBoneCount> ids{};
  std::array<int, kSampleBoneCount> parents{};
  std::array<std::array<float, kSampleBoneCount>, 7> transform{};

  BoneColumns() {
    for (int bone = 0; bone < kSampleBoneCount; ++bone) {
      const auto i = static_cast<std::size_t>(bone);
      ids[i] = bone;
      parents[i] = kHumanoid[i].parent;
      transform[3][i] = 1.0F;  // identity rotation (x, y, z, w)
      for (std::size_t k = 0; k < 3; ++k) {
        transform[4 + k][i] = kHumanoid[i].offset[k];
      }
    }
  }
  const float* Column(std::size_t k) const { return transform[k].data(); }
};

Bytes CopyBuffer(int size, const unsigned char* buffer) { return Bytes(buffer, buffer + size); }

}  // namespace

Bytes SampleSkeletonDefinition() {
  const BoneColumns bones;
  int size = 0;
  unsigned char* buffer = nullptr;
  ConvertSkeletonDefinitionToBytes(
      kSampleSenderIp, kSampleSenderPort, kSampleBoneCount, bones.ids.data(), bones.parents.data(),
      bones.Column(0), bones.Column(1), bones.Column(2), bones.Column(3), bones.Column(4),
      bones.Column(5), bones.Column(6), &size, &buffer);
  return CopyBuffer(size, buffer);
}

Bytes SampleFrame(int frameIndex) {
  BoneColumns bones;
  // The right arm swings about the z axis; the hips bob a little.
  const double phase = 2.0 * std::numbers::pi * frameIndex / 30.0;
  const double halfAngle = 0.5 * 0.6 * std::sin(phase);
  bones.transform[2][kRightUpperArm] = static_cast<float>(std::sin(halfAngle));
  bones.transform[3][kRightUpperArm] = static_cast<float>(std::cos(halfAngle));
  bones.transform[5][kHips] = static_cast<float>(0.95 + 0.01 * std::sin(2.0 * phase));

  const double seconds = frameIndex / kSampleFrameRate;
  const auto frames = static_cast<unsigned char>(frameIndex % 60);
  int size = 0;
  unsigned char* buffer = nullptr;
  ConvertFrameDataToBytes(kSampleSenderIp, kSampleSenderPort, kSampleFirstFrame + frameIndex,
                          static_cast<float>(seconds), 1700000000.0 + seconds, 10, 0, 0, frames, 0,
                          true, kSampleBoneCount, bones.ids.data(), bones.Column(0),
                          bones.Column(1), bones.Column(2), bones.Column(3), bones.Column(4),
                          bones.Column(5), bones.Column(6), &size, &buffer);
  return CopyBuffer(size, buffer);
}

Bytes SampleSensorRecord() {
  int size = 0;
  unsigned char* buffer = nullptr;
  // Orientation as a quaternion, then acceleration in m/s^2.
  ConvertSensorDataToBytes(kSampleSenderIp, kSampleSenderPort, 1700000000.05, "00:1a:7d:da:71:13",
                           "right wrist IMU", 13, 0.0F, 0.0F, 0.0F, 1.0F, 0.0F, 9.81F, 0.0F, &size,
                           &buffer);
  return CopyBuffer(size, buffer);
}

}  // namespace rmf
