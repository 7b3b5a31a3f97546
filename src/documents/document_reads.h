// Parsing a document: the fast read for documents laid out as the writers
// lay them out, the general walk for every other. Both end in the same
// values, handed out through the same steps; nothing here allocates.
#pragma once

#include <cstddef>
#include <optional>

#include "box/envelope_decoder.h"
#include "documents/canonical_reads.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"
#include "documents/skeleton_definition.h"

namespace ravuna_motion_format {

// Which reads may serve: the fast read first, or the general walk alone (to
// check the one against the other).
enum class ReadPath { fastOrGeneral, generalOnly };

// A skeleton definition or frame prepared for reading: whether a parse
// accepts it, its sender and scalars, and its bone count; ReadBones then
// fills arrays the caller sized from the count.
class BoneDocumentRead {
 public:
  static BoneDocumentRead OfSkeletonDefinition(ByteView bytes,
                                               ReadPath path = ReadPath::fastOrGeneral) noexcept;
  static BoneDocumentRead OfFrameData(ByteView bytes,
                                      ReadPath path = ReadPath::fastOrGeneral) noexcept;

  bool accepted() const noexcept { return accepted_; }
  const SenderValues& sender() const noexcept { return sender_; }
  const FrameHeaderValues& frame() const noexcept { return frame_; }  // frames only
  std::size_t boneCount() const noexcept { return boneCount_; }

  // Writes boneCount() elements to every array of `out` (parent ids for
  // skeleton definitions only).
  void ReadBones(const BoneOutputs& out) const noexcept;

 private:
  explicit BoneDocumentRead(BoxType dataKind) noexcept : dataKind_(dataKind) {}
  static BoneDocumentRead Of(BoxType dataKind, ByteView bytes, ReadPath path) noexcept;
  void ReadGeneral(ByteView bytes) noexcept;

  BoxType dataKind_;
  bool accepted_ = false;
  SenderValues sender_;
  FrameHeaderValues frame_;
  std::size_t boneCount_ = 0;
  ByteView data_;                            // the data box, for the general walk
  std::optional<CanonicalBones> canonical_;  // set when the fast read serves
};

struct SensorDataRead {
  bool accepted = false;
  SenderValues sender;
  SensorDataValues values;  // the texts view the parsed bytes
};

SensorDataRead ReadSensorData(ByteView bytes, ReadPath path = ReadPath::fastOrGeneral) noexcept;

}  // namespace ravuna_motion_format
