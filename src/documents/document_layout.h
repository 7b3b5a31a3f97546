// Where every box and value sits in a document as this library writes it,
// computed from the value widths of the kinds table: what the direct writers
// lay down, the fast read recognises and the lengths add up.
#pragma once

#include <cstdint>

#include "box/box_kinds.h"
#include "box/box_reader.h"

namespace ravuna_motion_format {

// The payload a box of the kind has when written: a value's fixed width.
constexpr std::uint64_t WrittenValueWidth(BoxType type) noexcept {
  return FixedValueWidth(GetBoxValueType(type).valueType);
}

// Header and value of a leaf of fixed width.
constexpr std::uint64_t LeafLength(BoxType type) noexcept {
  return kBoxHeaderSize + WrittenValueWidth(type);
}

// A box as laid out: its header's offset and its size field. Offsets count
// from the start of the enclosing piece (document start, data box or bone).
struct BoxPlace {
  std::uint64_t offset;
  std::uint64_t size;

  constexpr std::uint64_t Value() const noexcept { return offset + kBoxHeaderSize; }
  constexpr std::uint64_t End() const noexcept { return Value() + size; }
};

// The leaf of `type` that starts where `previous` ends.
constexpr BoxPlace LeafAfter(std::uint64_t offset, BoxType type) noexcept {
  return {offset, WrittenValueWidth(type)};
}

// "head" (format text and version), then "sndf" (address and port): the
// first bytes of every document.
namespace document_start {
inline constexpr BoxPlace kFormatType{kBoxHeaderSize, kFormatTypeText.size()};
inline constexpr BoxPlace kVersion = LeafAfter(kFormatType.End(), BoxType::vrsn);
inline constexpr BoxPlace kHead{0, kVersion.End() - kBoxHeaderSize};
inline constexpr BoxPlace kAddress = LeafAfter(kHead.End() + kBoxHeaderSize, BoxType::ipad);
inline constexpr BoxPlace kPort = LeafAfter(kAddress.End(), BoxType::rcvp);
inline constexpr BoxPlace kSenderDefinition{kHead.End(),
                                            kPort.End() - kHead.End() - kBoxHeaderSize};
inline constexpr std::uint64_t kLength = kSenderDefinition.End();
}  // namespace document_start

// A transform's seven floats: four rotation values, then three translation
// values.
inline constexpr std::uint64_t kTranslationOffset = 4 * sizeof(float);

// One bone of a skeleton definition: "bndt" holding "bnid", "pbid", "tran".
namespace skeleton_bone {
inline constexpr BoxPlace kId = LeafAfter(kBoxHeaderSize, BoxType::bnid);
inline constexpr BoxPlace kParentId = LeafAfter(kId.End(), BoxType::pbid);
inline constexpr BoxPlace kTransform = LeafAfter(kParentId.End(), BoxType::tran);
inline constexpr BoxPlace kBone{0, kTransform.End() - kBoxHeaderSize};
inline constexpr std::uint64_t kLength = kBone.End();
}  // namespace skeleton_bone

// "skdf" holding "bons", which holds the bones; offsets from "skdf".
namespace skeleton_data {
inline constexpr std::uint64_t kBonesHeader = kBoxHeaderSize;
inline constexpr std::uint64_t kFirstBone = kBonesHeader + kBoxHeaderSize;
inline constexpr std::uint64_t kEmptyLength = kFirstBone;
}  // namespace skeleton_data

// One bone of a frame: "btdt" holding "bnid" and "tran".
namespace frame_bone {
inline constexpr BoxPlace kId = LeafAfter(kBoxHeaderSize, BoxType::bnid);
inline constexpr BoxPlace kTransform = LeafAfter(kId.End(), BoxType::tran);
inline constexpr BoxPlace kBone{0, kTransform.End() - kBoxHeaderSize};
inline constexpr std::uint64_t kLength = kBone.End();
}  // namespace frame_bone

// "fram": the scalars, then "btrs" holding the bones; offsets from "fram".
namespace frame_data {
inline constexpr BoxPlace kFrameNumber = LeafAfter(kBoxHeaderSize, BoxType::fnum);
inline constexpr BoxPlace kTime = LeafAfter(kFrameNumber.End(), BoxType::time);
inline constexpr BoxPlace kUttm = LeafAfter(kTime.End(), BoxType::uttm);
inline constexpr BoxPlace kTimecode = LeafAfter(kUttm.End(), BoxType::tmcd);
inline constexpr std::uint64_t kBonesHeader = kTimecode.End();
inline constexpr std::uint64_t kFirstBone = kBonesHeader + kBoxHeaderSize;
inline constexpr std::uint64_t kEmptyLength = kFirstBone;
}  // namespace frame_data

// "sndt": "uttm", the two texts, "snji", "snvl"; offsets from "sndt". The
// texts' lengths move everything after them: offsets past the address text
// count from its end, offsets past the name text from its end.
namespace sensor_data {
inline constexpr BoxPlace kUttm = LeafAfter(kBoxHeaderSize, BoxType::uttm);
inline constexpr std::uint64_t kAddressHeader = kUttm.End();
inline constexpr std::uint64_t kAddressText = kAddressHeader + kBoxHeaderSize;
// From the end of the address text.
inline constexpr std::uint64_t kNameText = kBoxHeaderSize;
// From the end of the name text.
inline constexpr BoxPlace kJointIndex = LeafAfter(0, BoxType::snji);
inline constexpr BoxPlace kValues = LeafAfter(kJointIndex.End(), BoxType::snvl);
inline constexpr std::uint64_t kEmptyLength = kAddressText + kNameText + kValues.End();
}  // namespace sensor_data

// Encoded lengths: the document start, the data box, the bones or texts. A
// bone count of 0 or below means no bones.
constexpr std::uint64_t BonesOf(std::int64_t boneCount) noexcept {
  return boneCount > 0 ? static_cast<std::uint64_t>(boneCount) : 0;
}
constexpr std::uint64_t SkeletonDefinitionLength(std::int64_t boneCount) noexcept {
  return document_start::kLength + skeleton_data::kEmptyLength +
         skeleton_bone::kLength * BonesOf(boneCount);
}
constexpr std::uint64_t FrameDataLength(std::int64_t boneCount) noexcept {
  return document_start::kLength + frame_data::kEmptyLength +
         frame_bone::kLength * BonesOf(boneCount);
}
constexpr std::uint64_t SensorDataLength(std::uint64_t addressLength,
                                         std::uint64_t nameLength) noexcept {
  return document_start::kLength + sensor_data::kEmptyLength + addressLength + nameLength;
}

// The lengths the public header documents.
static_assert(SkeletonDefinitionLength(0) == 93 && skeleton_bone::kLength == 64);
static_assert(FrameDataLength(0) == 147 && frame_bone::kLength == 54);
static_assert(SensorDataLength(0, 0) == 165);

}  // namespace ravuna_motion_format
