#include "rmf/documents/box_inspection.h"

#include <algorithm>

#include "box/envelope_decoder.h"

namespace rmf {
namespace {

using ravuna_motion_format::BoxValueType;
using ravuna_motion_format::kBoxHeaderSize;
using ravuna_motion_format::kMaxBoxDepth;
using ravuna_motion_format::ReadLittleEndian;
using ravuna_motion_format::VisitBudget;

template <class T, std::size_t Count>
std::array<T, Count> ReadArray(ByteView bytes, std::uint64_t payload) {
  std::array<T, Count> values{};
  for (std::size_t k = 0; k < Count; ++k) {
    values[k] = ReadLittleEndian<T>(bytes, payload + k * sizeof(T));
  }
  return values;
}

BoxValue ReadValue(ByteView bytes, BoxType type, std::uint64_t payload, std::uint32_t size) {
  switch (ravuna_motion_format::GetBoxValueType(type).valueType) {
    case BoxValueType::text:
      return std::string(ravuna_motion_format::ReadBoxString(bytes, payload, size));
    case BoxValueType::byte: return ReadLittleEndian<std::uint8_t>(bytes, payload);
    case BoxValueType::uint64: {
      const auto packed = ReadLittleEndian<std::uint64_t>(bytes, payload);
      return PackedAddress{packed, ravuna_motion_format::IpAddressToString(packed)};
    }
    case BoxValueType::uint16: return ReadLittleEndian<std::uint16_t>(bytes, payload);
    case BoxValueType::int16: return ReadLittleEndian<std::int16_t>(bytes, payload);
    case BoxValueType::int32: return ReadLittleEndian<std::int32_t>(bytes, payload);
    case BoxValueType::float32: return ReadLittleEndian<float>(bytes, payload);
    case BoxValueType::float64: return ReadLittleEndian<double>(bytes, payload);
    case BoxValueType::floatArray: return ReadArray<float, 7>(bytes, payload);
    case BoxValueType::byteArray: return ReadArray<std::uint8_t, 6>(bytes, payload);
    case BoxValueType::none:
    case BoxValueType::container: break;
  }
  return {};
}

std::string ReadCode(ByteView bytes, std::uint64_t offset) {
  const auto code = bytes.subspan(offset + 4, 4);
  return {code.begin(), code.end()};
}

class TreeInspector {
 public:
  explicit TreeInspector(ByteView bytes) : bytes_(bytes), budget_(bytes) {}

  BoxTree Inspect() {
    BoxTree tree;
    tree.trailingBytes = InspectRange(0, bytes_.size(), bytes_.size(), 0, tree.boxes);
    tree.visitLimitReached = visitLimitReached_;
    return tree;
  }

 private:
  // Visits [start, end) as the walk does; `declaredEnd` is where the
  // container's size field says the range ends, `end` where the walk stops
  // (never more than one byte past the bytes present). Returns the bytes left
  // over at the end of the range, present but too few to hold a box.
  std::uint64_t InspectRange(std::uint64_t start, std::uint64_t end, std::uint64_t declaredEnd,
                             int depth, std::vector<InspectedBox>& boxes) {
    std::uint64_t offset = start;
    while (offset + kBoxHeaderSize < end) {
      if (!budget_.Spend()) {
        visitLimitReached_ = true;
        return 0;
      }
      const InspectedBox& box = boxes.emplace_back(ReadBox(offset, declaredEnd, depth));
      offset += kBoxHeaderSize + box.size;
    }
    const std::uint64_t presentEnd = std::min<std::uint64_t>(end, bytes_.size());
    const std::uint64_t leftOver = offset < presentEnd ? presentEnd - offset : 0;
    if (leftOver == kBoxHeaderSize) {
      // A header that ends its range exactly (an empty box last in its
      // container): box searches see it, the walk does not.
      InspectedBox& box = boxes.emplace_back();
      box.offset = offset;
      const ravuna_motion_format::BoxHeader header =
          ravuna_motion_format::ReadBoxHeader(bytes_, offset);
      box.size = header.size;
      box.type = header.type;
      box.code = ReadCode(bytes_, offset);
      box.notVisited = true;
      const std::uint64_t payloadEnd = offset + kBoxHeaderSize + header.size;
      box.missingBytes = payloadEnd > bytes_.size() ? payloadEnd - bytes_.size() : 0;
      return 0;
    }
    return leftOver;
  }

  InspectedBox ReadBox(std::uint64_t offset, std::uint64_t declaredEnd, int depth) {
    const ravuna_motion_format::BoxHeader header =
        ravuna_motion_format::ReadBoxHeader(bytes_, offset);
    InspectedBox box;
    box.offset = offset;
    box.size = header.size;
    box.type = header.type;
    box.code = ReadCode(bytes_, offset);
    const std::uint64_t payload = offset + kBoxHeaderSize;
    const std::uint64_t payloadEnd = payload + header.size;
    box.missingBytes = payloadEnd > bytes_.size() ? payloadEnd - bytes_.size() : 0;
    box.overrunBytes = depth > 0 && payloadEnd > declaredEnd ? payloadEnd - declaredEnd : 0;
    if (depth == 0 && !searchStopped_ &&
        (header.type == BoxType::none || static_cast<std::int32_t>(header.size) < 1)) {
      box.endsDocumentSearch = true;
      searchStopped_ = true;
    }
    if (!ravuna_motion_format::IsContainer(header.type)) {
      box.value = ReadValue(bytes_, header.type, payload, header.size);
    } else if (depth < kMaxBoxDepth) {
      // As in the library, a nested range never reaches more than one byte
      // past the bytes present.
      const std::uint64_t nestedEnd = std::min<std::uint64_t>(payloadEnd, bytes_.size() + 1);
      box.trailingBytes = InspectRange(payload, nestedEnd, payloadEnd, depth + 1, box.children);
    } else {
      box.notEntered = true;
    }
    return box;
  }

  ByteView bytes_;
  VisitBudget budget_;
  bool searchStopped_ = false;
  bool visitLimitReached_ = false;
};

}  // namespace

std::uint32_t WrittenPayloadSize(BoxType type) {
  return ravuna_motion_format::FixedValueWidth(
      ravuna_motion_format::GetBoxValueType(type).valueType);
}

BoxTree InspectBoxTree(ByteView bytes) { return TreeInspector(bytes).Inspect(); }

}  // namespace rmf
