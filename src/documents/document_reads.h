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
// accepts it and its sender; ReadBones then fills the caller's arrays and
// takes a frame's scalars.
class BoneDocumentRead {
 public:
  static BoneDocumentRead OfSkeletonDefinition(ByteView bytes,
                                               ReadPath path = ReadPath::fastOrGeneral) noexcept;
  static BoneDocumentRead OfFrameData(ByteView bytes,
                                      ReadPath path = ReadPath::fastOrGeneral) noexcept;

  bool accepted() const noexcept { return accepted_; }
  const SenderValues& sender() const noexcept { return sender_; }
  // A frame's scalars, once ReadBones has run (the fast read has them at once).
  const FrameHeaderValues& frame() const noexcept { return frame_; }

  // The bone count: known on the fast read, a walk of the data box otherwise.
  std::size_t CountBones() const noexcept;
  // A count to size arrays by before reading: exact on the fast read, else
  // the bones the data box holds at the density the writers lay them out.
  std::size_t ExpectedBones() const noexcept;
  // Reads the bones into arrays of `capacity` elements (parent ids for
  // skeleton definitions only) and returns their count; a count above the
  // capacity means the arrays hold only the first `capacity` bones.
  std::size_t ReadBones(const BoneOutputs& out, std::size_t capacity) noexcept;

 private:
  explicit BoneDocumentRead(BoxType dataKind) noexcept : dataKind_(dataKind) {}
  static BoneDocumentRead Of(BoxType dataKind, ByteView bytes, ReadPath path) noexcept;

  BoxType dataKind_;
  bool accepted_ = false;
  SenderValues sender_;
  FrameHeaderValues frame_;
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
