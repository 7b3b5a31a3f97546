#include "general_documents.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "ravuna_motion_serializer.h"

namespace ravuna_bench {
namespace {

constexpr std::size_t kHeaderLength = 8;  // size field, then code
constexpr std::size_t kCodeLength = 4;

// The box's length, header included; its size field counts the payload only.
std::size_t BoxLength(const Bytes& bytes, std::size_t box) {
  std::uint32_t payload = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    payload |= static_cast<std::uint32_t>(bytes[box + k]) << (8 * k);
  }
  return kHeaderLength + payload;
}

bool HasCode(const Bytes& bytes, std::size_t box, std::string_view code) {
  return box + kHeaderLength <= bytes.size() &&
         std::memcmp(bytes.data() + box + kHeaderLength - kCodeLength, code.data(), kCodeLength) ==
             0;
}

// The header of the first box with `code` whose header starts at or after
// `from`. The benchmark inputs hold no value that spells a code.
std::size_t FindBox(const Bytes& bytes, std::string_view code, std::size_t from) {
  const auto codeStart = bytes.begin() + static_cast<std::ptrdiff_t>(from + kCodeLength);
  const auto found = std::search(codeStart, bytes.end(), code.begin(), code.end());
  if (found == bytes.end()) {
    throw std::runtime_error("a general benchmark input lacks a box");
  }
  return static_cast<std::size_t>(found - bytes.begin()) - kCodeLength;
}

// Swaps the box at `first` with the box right after it, which must carry
// `secondCode`.
void SwapWithNextSibling(Bytes& bytes, std::size_t first, std::string_view secondCode) {
  const std::size_t second = first + BoxLength(bytes, first);
  if (!HasCode(bytes, second, secondCode) || second + BoxLength(bytes, second) > bytes.size()) {
    throw std::runtime_error("a general benchmark input has no such sibling");
  }
  const auto begin = bytes.begin();
  std::rotate(begin + static_cast<std::ptrdiff_t>(first),
              begin + static_cast<std::ptrdiff_t>(second),
              begin + static_cast<std::ptrdiff_t>(second + BoxLength(bytes, second)));
}

// The values a parse hands out, copied before the next call frees them.
std::vector<double> BoneValues(const calls::Bones& bones, bool withParents) {
  std::vector<double> values = {bones.count * 1.0};
  for (std::size_t i = 0; i < static_cast<std::size_t>(bones.count); ++i) {
    values.push_back(bones.ids[i]);
    if (withParents) {
      values.push_back(bones.parentIds[i]);
    }
    for (const std::vector<float>& component : bones.transforms) {
      values.push_back(component[i]);
    }
  }
  return values;
}

std::vector<double> SkeletonValues(const Bytes& document) {
  calls::Parsed<calls::SkeletonDefinition> out;
  if (!calls::ParseHandedOut(document, out)) {
    throw std::runtime_error("a general benchmark input does not parse");
  }
  std::vector<double> values = {static_cast<double>(out.ipAddress), out.port * 1.0};
  const std::vector<double> bones = BoneValues(out.values.bones, true);
  values.insert(values.end(), bones.begin(), bones.end());
  return values;
}

std::vector<double> FrameValues(const Bytes& document) {
  calls::Parsed<calls::FrameData> out;
  if (!calls::ParseHandedOut(document, out)) {
    throw std::runtime_error("a general benchmark input does not parse");
  }
  const calls::FrameData& f = out.values;
  std::vector<double> values = {
      static_cast<double>(out.ipAddress), out.port * 1.0, f.frameNumber * 1.0, f.time, f.uttm,
      f.timecodeFlag ? 1.0 : 0.0};
  values.insert(values.end(), f.timecode.begin(), f.timecode.end());
  const std::vector<double> bones = BoneValues(f.bones, false);
  values.insert(values.end(), bones.begin(), bones.end());
  return values;
}

// The swapped document must be read exactly (no lenient read) and give the
// writers' values.
template <class Values>
void CheckSameValues(const Bytes& written, const Bytes& general, std::uint32_t kind,
                     Values values) {
  RavunaDocumentVerdict verdict{};
  if (general == written ||
      !JudgeDocumentBytes(static_cast<int>(general.size()), general.data(), kind, &verdict) ||
      verdict.reason != RAVUNA_VERDICT_ACCEPTED || verdict.lenientReads != 0 ||
      values(general) != values(written)) {
    throw std::runtime_error("a general benchmark input does not read as the written one");
  }
}

}  // namespace

Bytes GeneralSkeletonDocument(const BoneInputs& bones) {
  const Bytes written = SkeletonDocument(bones);
  Bytes general = written;
  const std::size_t bone = FindBox(general, "bndt", 0);
  SwapWithNextSibling(general, FindBox(general, "bnid", bone + kHeaderLength), "pbid");
  CheckSameValues(written, general, RAVUNA_DOCUMENT_SKELETON_DEFINITION, SkeletonValues);
  return general;
}

Bytes GeneralFrameDocument(const BoneInputs& bones) {
  const Bytes written = FrameDocument(bones);
  Bytes general = written;
  const std::size_t frame = FindBox(general, "fram", 0);
  SwapWithNextSibling(general, FindBox(general, "fnum", frame + kHeaderLength), "time");
  CheckSameValues(written, general, RAVUNA_DOCUMENT_FRAME_DATA, FrameValues);
  return general;
}

}  // namespace ravuna_bench
