// The library's own verdict on a document (JudgeDocumentBytes): which kind it
// is, whether the library accepts it, whether it reads it leniently, the
// library's text for all of that (DescribeDocumentVerdict), and the values
// its decoder reads.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "box/box_reader.h"
#include "ravuna_motion_serializer.h"
#include "rmf/documents/document_values.h"

namespace rmf {

// The library's document kinds, by its numbers.
enum class DocumentKind : std::uint32_t {
  unknown = RAVUNA_DOCUMENT_NONE,
  skeletonDefinition = RAVUNA_DOCUMENT_SKELETON_DEFINITION,
  frameData = RAVUNA_DOCUMENT_FRAME_DATA,
  sensorData = RAVUNA_DOCUMENT_SENSOR_DATA,
};
inline constexpr std::size_t kDocumentKindCount = RAVUNA_DOCUMENT_SENSOR_DATA + 1;

// The kinds a document can be (every one but unknown), in the library's order.
inline constexpr std::array<DocumentKind, 3> kDocumentKinds = {
    DocumentKind::skeletonDefinition, DocumentKind::frameData, DocumentKind::sensorData};

// "skeleton_definition", "frame_data", "sensor_data" or "unknown".
std::string_view DocumentKindName(DocumentKind kind);

// The names of the three kinds as a sentence: "a, b or c".
std::string DocumentKindNames();
std::optional<DocumentKind> DocumentKindFromName(std::string_view name);

struct DocumentVerdict {
  DocumentKind kind = DocumentKind::unknown;
  bool accepted = false;
  bool holdsDocument = false;      // a "head" or a data box of any kind
  std::uint32_t lenientReads = 0;  // the library's lenient reads of an accepted document
  std::string text;                // the library's text: why rejected, or how it reads
  std::string ipText;              // dotted sender address, when accepted
  DecodedValues values;            // the decoder's values, when accepted
};

// Whether a payload holds something the library would take for a document:
// a "head" or a data box of any kind, by the library's verdict.
bool HoldsDocument(ravuna_motion_format::ByteView payload);

// The library's verdict on the bytes as the kind they hold, and the values
// of an accepted document as the library's decoder reads them.
DocumentVerdict JudgeDocument(ravuna_motion_format::ByteView bytes);

}  // namespace rmf
