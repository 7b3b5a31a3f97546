// The box tree of encoded bytes as the library's lenient walk sees it, with
// every leniency marked: unknown codes, sizes overrunning their container,
// payloads reaching past the end of the bytes (their values read as 0).
// Like the library, a nested range never reaches more than one byte past
// the end, so every visited box has its whole header.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "box/box_kinds.h"
#include "box/box_reader.h"

namespace rmf {

using ravuna_motion_format::BoxType;
using ravuna_motion_format::ByteView;

// The "ipad" value, packed and as the library unpacks it.
struct PackedAddress {
  std::uint64_t packed = 0;
  std::string dotted;
};

// A leaf's value read as the library reads it: values past the end read 0.
using BoxValue = std::variant<std::monostate, std::string, std::uint8_t, PackedAddress,
                              std::uint16_t, std::int16_t, std::int32_t, float, double,
                              std::array<float, 7>, std::array<std::uint8_t, 6>>;

struct InspectedBox {
  std::uint64_t offset = 0;  // of the 8-byte header, from the first byte
  std::uint32_t size = 0;    // the size field: payload bytes
  std::string code;          // the four code bytes as stored
  BoxType type = BoxType::none;
  BoxValue value;
  std::uint64_t missingBytes = 0;   // payload bytes beyond the end of the bytes
  std::uint64_t overrunBytes = 0;   // payload bytes beyond the enclosing container
  bool endsDocumentSearch = false;  // a top-level box at which box searches stop
  bool notEntered = false;          // a container nested too deep to be entered
  bool notVisited = false;          // an empty box ending its range: walks skip it
  std::uint64_t trailingBytes = 0;  // container bytes too few to hold a box
  std::vector<InspectedBox> children;
};

// The payload size a leaf or array of the kind has when written by the
// library, or 0 for containers, texts and unknown kinds.
std::uint32_t WrittenPayloadSize(BoxType type);

struct BoxTree {
  std::vector<InspectedBox> boxes;
  std::uint64_t trailingBytes = 0;  // top-level bytes too few to hold a box
  bool visitLimitReached = false;   // hostile nesting: the walk stopped early
};

// Walks the whole byte range like the library's readers do.
BoxTree InspectBoxTree(ByteView bytes);

}  // namespace rmf
