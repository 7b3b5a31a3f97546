// The values of an accepted document as the library's parse gives them, kept
// for printing: per-bone sequences as long as the document has boxes of each
// kind, scalars the document lacks left unset.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "box/box_reader.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"

namespace rmf {

// Transform components, rotation 0 to 3 then translation 0 to 2.
using TransformSequences = std::array<std::vector<float>, 7>;

struct SkeletonDefinitionValues {
  std::optional<std::uint32_t> port;
  std::vector<int> boneIds;
  std::vector<int> parentBoneIds;
  TransformSequences transforms;
};

struct FrameDataValues {
  std::optional<std::uint32_t> port;
  ravuna_motion_format::FrameHeaderValues frame;
  std::vector<int> boneIds;
  TransformSequences transforms;
};

struct SensorDataValues {
  std::optional<std::uint32_t> port;
  double uttm = 0.0;
  std::string sensorAddress;
  std::string sensorName;
  std::optional<int> sensorJointIndex;
  std::optional<ravuna_motion_format::SensorValueArray> sensorValues;
};

using DecodedValues =
    std::variant<std::monostate, SkeletonDefinitionValues, FrameDataValues, SensorDataValues>;

// The values of the bytes read as the kind whose data box is `dataKind`, and
// the sender's dotted address ("" without one); monostate when the library
// rejects them.
DecodedValues ReadDocumentValues(ravuna_motion_format::BoxType dataKind,
                                 ravuna_motion_format::ByteView bytes, std::string& ipText);

}  // namespace rmf
