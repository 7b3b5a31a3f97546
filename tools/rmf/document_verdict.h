// The library's own verdict on a document: which kind it is, whether the
// library accepts it (and if not, the diagnostic text of the failed check),
// and the values its decoder reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "box/box_reader.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"
#include "documents/skeleton_definition.h"

namespace rmf {

enum class DocumentKind { unknown, skeletonDefinition, frameData, sensorData };

// "skeleton_definition", "frame_data", "sensor_data" or "unknown".
std::string_view DocumentKindName(DocumentKind kind);
std::optional<DocumentKind> DocumentKindFromName(std::string_view name);

using DecodedValues =
    std::variant<std::monostate, ravuna_motion_format::SkeletonDefinitionValues,
                 ravuna_motion_format::FrameDataValues, ravuna_motion_format::SensorDataValues>;

struct DocumentVerdict {
  DocumentKind kind = DocumentKind::unknown;
  bool accepted = false;
  std::string diagnostic;  // the library's text for the failed check
  std::string ipText;      // dotted sender address, when accepted
  DecodedValues values;    // the decoder's values, when accepted
};

// The kind whose data box comes first in a depth-first search, as the
// detection functions find them; unknown when there is none.
DocumentKind DetectDocumentKind(ravuna_motion_format::ByteView bytes);

// Decodes the bytes as the detected kind with the library's decoder.
DocumentVerdict JudgeDocument(ravuna_motion_format::ByteView bytes);

}  // namespace rmf
