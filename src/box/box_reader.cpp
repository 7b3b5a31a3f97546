#include "box/box_reader.h"

namespace ravuna_motion_format {
namespace {

bool SearchRange(ByteView bytes, BoxType wanted, std::uint64_t start, std::uint64_t end, int depth,
                 VisitBudget& budget, FoundBox& result) {
  std::uint64_t offset = start;
  while (offset < end && FitsWithin(bytes, offset, kBoxHeaderSize)) {
    if (!budget.Spend()) {
      return false;
    }
    const BoxHeader header = ReadBoxHeader(bytes, offset);
    if (header.type == wanted) {
      result = {true, static_cast<std::int64_t>(offset), kBoxHeaderSize + header.size};
      return true;
    }
    if (EndsSearchLevel(header)) {
      return false;
    }
    const std::uint64_t payload = offset + kBoxHeaderSize;
    if (IsContainer(header.type) && depth < kMaxBoxDepth &&
        SearchRange(bytes, wanted, payload, payload + header.size, depth + 1, budget, result)) {
      return true;
    }
    offset = payload + header.size;
  }
  return false;
}

}  // namespace

FoundBox FindBox(ByteView bytes, BoxType wanted, std::uint64_t start, std::int64_t length) {
  FoundBox result;
  VisitBudget budget(bytes);
  const std::uint64_t end = length >= 0 ? start + static_cast<std::uint64_t>(length) : bytes.size();
  SearchRange(bytes, wanted, start, end, 0, budget, result);
  return result;
}

ByteView SliceBytes(ByteView bytes, std::uint64_t offset, std::int64_t count) noexcept {
  if (count < 1 || offset >= bytes.size()) {
    // Diagnostic "Invalid index : <offset>" when the start lies past the end.
    return {};
  }
  const std::uint64_t available = bytes.size() - offset;
  return bytes.subspan(offset, std::min(static_cast<std::uint64_t>(count), available));
}

std::string_view ReadBoxString(ByteView bytes, std::uint64_t offset, std::int64_t count) noexcept {
  if (count < 1 || !FitsWithin(bytes, offset, static_cast<std::uint64_t>(count))) {
    return {};
  }
  return {reinterpret_cast<const char*>(bytes.data() + offset), static_cast<std::size_t>(count)};
}

}  // namespace ravuna_motion_format
