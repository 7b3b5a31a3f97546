#include "rmf/documents/box_inspection.h"

#include <algorithm>

#include "box/envelope_decoder.h"

namespace rmf {
namespace {

using ravuna_motion_format::BoxValueType;
using ravuna_motion_format::ReadLittleEndian;
using ravuna_motion_format::WalkedBox;

template <class T, std::size_t Count>
std::array<T, Count> ReadArray(ByteView bytes, std::uint64_t payload) {
  std::array<T, Count> values{};
  for (std::size_t k = 0; k < Count; ++k) {
    values[k] = ReadLittleEndian<T>(bytes, payload + k * sizeof(T));
  }
  return values;
}

BoxValue ReadValue(ByteView bytes, const WalkedBox& box) {
  const std::uint64_t payload = box.Payload();
  const std::uint32_t size = box.header.size;
  switch (ravuna_motion_format::GetBoxValueType(box.header.type).valueType) {
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

// Builds the tree from what the library's box walk reports.
class TreeInspector : public ravuna_motion_format::BoxWalkReader {
 public:
  explicit TreeInspector(ByteView bytes) : bytes_(bytes) { open_.push_back(&tree_.boxes); }

  BoxTree Inspect() && {
    ravuna_motion_format::WalkBoxes(bytes_, *this);
    return std::move(tree_);
  }

  void Leaf(const WalkedBox& box) { Add(box).value = ReadValue(bytes_, box); }
  void UnknownCode(const WalkedBox& box) { Add(box); }
  void NestingCap(const WalkedBox& box) { Add(box).notEntered = true; }
  bool Enter(const WalkedBox& box) {
    InspectedBox& container = Add(box);
    open_.push_back(&container.children);
    containers_.push_back(&container);
    return true;
  }
  void Leave(const WalkedBox&) {
    open_.pop_back();
    containers_.pop_back();
  }
  void VisitBudgetSpent() { tree_.visitLimitReached = true; }
  // A header that ends its range exactly (an empty box last in its
  // container): box searches see it, the walk does not.
  void UnvisitedHeader(const WalkedBox& box) { Add(box, false).notVisited = true; }
  void BytesLeftOver(std::uint64_t, std::uint64_t count, int) {
    (containers_.empty() ? tree_.trailingBytes : containers_.back()->trailingBytes) = count;
  }

 private:
  InspectedBox& Add(const WalkedBox& box, bool visited = true) {
    InspectedBox& added = open_.back()->emplace_back();
    added.offset = box.offset;
    added.size = box.header.size;
    added.type = box.header.type;
    const auto code = bytes_.subspan(box.offset + 4, 4);
    added.code.assign(code.begin(), code.end());
    const std::uint64_t payloadEnd = box.PayloadEnd();
    added.missingBytes = payloadEnd > bytes_.size() ? payloadEnd - bytes_.size() : 0;
    added.overrunBytes =
        box.depth > 0 && payloadEnd > box.declaredEnd ? payloadEnd - box.declaredEnd : 0;
    if (visited && box.depth == 0 && !searchStopped_ &&
        ravuna_motion_format::EndsSearchLevel(box.header)) {
      added.endsDocumentSearch = true;
      searchStopped_ = true;
    }
    return added;
  }

  ByteView bytes_;
  BoxTree tree_;
  // Where the next box goes, and the containers being walked.
  std::vector<std::vector<InspectedBox>*> open_;
  std::vector<InspectedBox*> containers_;
  bool searchStopped_ = false;
};

}  // namespace

std::uint32_t WrittenPayloadSize(BoxType type) {
  return ravuna_motion_format::FixedValueWidth(
      ravuna_motion_format::GetBoxValueType(type).valueType);
}

BoxTree InspectBoxTree(ByteView bytes) { return TreeInspector(bytes).Inspect(); }

}  // namespace rmf
