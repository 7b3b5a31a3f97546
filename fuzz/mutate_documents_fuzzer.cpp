// Valid documents, mutated where it hurts: the input picks a document (one of
// the three kinds, a few bones or short texts), serialises it through the
// exports, then applies a list of structure-aware edits (size fields set to
// hostile values, codes swapped for other codes, boxes duplicated, dropped or
// wrapped in new containers, bytes cut off or inserted) and feeds the result
// to every reader. Run it with the code dictionary (box_codes.dict).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "ravuna_motion_serializer.h"
#include "reader_invariants.h"

namespace {

using ravuna_fuzz::FuzzInput;
using Document = std::vector<std::uint8_t>;

constexpr std::array<const char*, 24> kBoxCodes = {
    "head", "ftyp", "vrsn", "sndf", "ipad", "rcvp", "skdf", "bons", "bndt", "bnid", "pbid", "tran",
    "fram", "fnum", "time", "uttm", "tmcd", "btrs", "btdt", "sndt", "snad", "snnm", "snji", "snvl"};
constexpr std::array<const char*, 9> kContainerCodes = {"head", "sndf", "skdf", "bons", "bndt",
                                                        "fram", "btrs", "btdt", "sndt"};

// Size fields that probe the walk's arithmetic: zero, one short or long, the
// signed limits, and values that wrap a 32-bit offset back onto itself.
constexpr std::array<std::uint32_t, 9> kHostileSizes = {
    0U, 1U, 7U, 8U, 0x7FFFFFFFU, 0x80000000U, 0xFFFFFFF8U, 0xFFFFFFFFU, 0xFFFFFFF0U};

// Edits that grow the document stop here: sixteen duplications of a box that
// claims the whole document would otherwise reach megabytes, and the run would
// measure the sanitizers' cost per byte instead of finding anything new.
constexpr std::size_t kMaxDocumentLength = 1U << 16U;

enum class Edit : std::uint8_t {
  setSize,
  nudgeSize,
  setCode,
  duplicateBox,
  dropBox,
  wrapBox,
  truncate,
  insertBytes,
  overwriteByte,
  count
};

std::uint32_t ReadSize(const Document& document, std::size_t offset) {
  std::uint32_t size = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    size |= static_cast<std::uint32_t>(document[offset + i]) << (8U * i);
  }
  return size;
}

void WriteSize(Document& document, std::size_t offset, std::uint32_t size) {
  for (std::size_t i = 0; i < 4; ++i) {
    document[offset + i] = static_cast<std::uint8_t>(size >> (8U * i));
  }
}

bool IsContainerCode(const std::uint8_t* code) {
  return std::any_of(kContainerCodes.begin(), kContainerCodes.end(),
                     [code](const char* known) { return std::memcmp(code, known, 4) == 0; });
}

// Header offsets of the boxes of a document as it stands, depth first; a
// size that leaves the range ends that level.
void CollectBoxes(const Document& document, std::size_t start, std::size_t end,
                  std::vector<std::size_t>& offsets, int depth = 0) {
  std::size_t offset = start;
  while (depth < 8 && offset + 8 <= end && offsets.size() < 4096) {
    const std::uint64_t boxEnd =
        offset + 8 + static_cast<std::uint64_t>(ReadSize(document, offset));
    offsets.push_back(offset);
    if (boxEnd > end) {
      return;
    }
    if (IsContainerCode(&document[offset + 4])) {
      CollectBoxes(document, offset + 8, static_cast<std::size_t>(boxEnd), offsets, depth + 1);
    }
    offset = static_cast<std::size_t>(boxEnd);
  }
}

// The length of the whole box at offset, cut where the document ends.
std::size_t BoxLength(const Document& document, std::size_t offset) {
  const std::uint64_t length = 8 + static_cast<std::uint64_t>(ReadSize(document, offset));
  return static_cast<std::size_t>(std::min<std::uint64_t>(length, document.size() - offset));
}

std::string DottedAddress(FuzzInput& input) {
  std::string text;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      text += '.';
    }
    text += std::to_string(input.Byte());
  }
  return text;
}

Document CopyOut(bool encoded, int size, const unsigned char* buffer) {
  RAVUNA_FUZZ_CHECK(encoded && size > 0 && buffer != nullptr);
  return Document(buffer, buffer + size);
}

Document DrawDocument(FuzzInput& input, int& kind) {
  kind = input.Byte() % 3;
  const std::string ip = DottedAddress(input);
  const std::uint32_t port = input.Integer<std::uint16_t>();
  const int boneCount = static_cast<int>(input.UpTo(5));
  std::vector<int> ids;
  std::array<std::vector<float>, 7> t;
  for (int i = 0; i < boneCount; ++i) {
    ids.push_back(input.Integer<std::int16_t>());
    for (std::vector<float>& component : t) {
      component.push_back(input.Float());
    }
  }
  int size = 0;
  unsigned char* buffer = nullptr;
  bool encoded = false;
  if (kind == 0) {
    encoded = ConvertSkeletonDefinitionToBytes(
        ip.c_str(), port, boneCount, ids.data(), ids.data(), t[0].data(), t[1].data(), t[2].data(),
        t[3].data(), t[4].data(), t[5].data(), t[6].data(), &size, &buffer);
  } else if (kind == 1) {
    encoded = ConvertFrameDataToBytes(
        ip.c_str(), port, input.Integer<int>(), input.Float(), input.Double(), 1, 2, 3, 4, 5,
        input.Bool(), boneCount, ids.data(), t[0].data(), t[1].data(), t[2].data(), t[3].data(),
        t[4].data(), t[5].data(), t[6].data(), &size, &buffer);
  } else {
    const std::string address = input.Text(16);
    const std::string name = input.Text(16);
    encoded = ConvertSensorDataToBytes(ip.c_str(), port, input.Double(), address.c_str(),
                                       name.c_str(), input.Integer<int>(), 0.0F, 1.0F, 2.0F, 3.0F,
                                       4.0F, 5.0F, 6.0F, &size, &buffer);
  }
  return CopyOut(encoded, size, buffer);
}

void ApplyEdit(FuzzInput& input, Document& document) {
  std::vector<std::size_t> boxes;
  CollectBoxes(document, 0, document.size(), boxes);
  const auto edit = static_cast<Edit>(input.Byte() % static_cast<std::uint8_t>(Edit::count));
  const std::size_t box = boxes.empty() ? 0 : boxes[input.UpTo(0xFFFF) % boxes.size()];
  const std::size_t position = input.UpTo(0xFFFF) % (document.size() + 1);
  if ((boxes.empty() && edit <= Edit::wrapBox) || document.size() > kMaxDocumentLength) {
    return;
  }
  switch (edit) {
    case Edit::setSize:
      WriteSize(document, box, kHostileSizes[input.Byte() % kHostileSizes.size()]);
      break;
    case Edit::nudgeSize:
      WriteSize(document, box,
                ReadSize(document, box) + static_cast<std::uint32_t>(input.Integer<std::int8_t>()));
      break;
    case Edit::setCode:
      std::memcpy(&document[box + 4], kBoxCodes[input.Byte() % kBoxCodes.size()], 4);
      break;
    case Edit::duplicateBox: {
      const Document copy(
          document.begin() + static_cast<std::ptrdiff_t>(box),
          document.begin() + static_cast<std::ptrdiff_t>(box + BoxLength(document, box)));
      document.insert(document.begin() + static_cast<std::ptrdiff_t>(box), copy.begin(),
                      copy.end());
      break;
    }
    case Edit::dropBox:
      document.erase(
          document.begin() + static_cast<std::ptrdiff_t>(box),
          document.begin() + static_cast<std::ptrdiff_t>(box + BoxLength(document, box)));
      break;
    case Edit::wrapBox: {
      // A new container around the box, claiming exactly the box's length.
      Document header(8);
      WriteSize(header, 0, static_cast<std::uint32_t>(BoxLength(document, box)));
      std::memcpy(&header[4], kContainerCodes[input.Byte() % kContainerCodes.size()], 4);
      document.insert(document.begin() + static_cast<std::ptrdiff_t>(box), header.begin(),
                      header.end());
      break;
    }
    case Edit::truncate: document.resize(position); break;
    case Edit::insertBytes: {
      const std::vector<std::uint8_t> bytes = input.Bytes(16);
      document.insert(document.begin() + static_cast<std::ptrdiff_t>(position), bytes.begin(),
                      bytes.end());
      break;
    }
    case Edit::overwriteByte:
      if (position < document.size()) {
        document[position] = input.Byte();
      }
      break;
    case Edit::count: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  int kind = 0;
  Document document = DrawDocument(input, kind);
  if (input.Remaining() == 0) {
    // Unedited, the document must read back as its own kind.
    const ravuna_fuzz::ReaderAnswers answers =
        ravuna_fuzz::CheckEveryReader(document.data(), document.size());
    RAVUNA_FUZZ_CHECK(answers.skeletonDefinitionParsed == (kind == 0));
    RAVUNA_FUZZ_CHECK(answers.frameDataParsed == (kind == 1));
    RAVUNA_FUZZ_CHECK(answers.sensorDataParsed == (kind == 2));
    return 0;
  }
  for (int edits = 0; edits < 16 && input.Remaining() > 0; ++edits) {
    ApplyEdit(input, document);
  }
  // An exact-length copy, so that a read one past the end is caught.
  const auto exact = std::make_unique<std::uint8_t[]>(document.size());
  std::copy(document.begin(), document.end(), exact.get());
  ravuna_fuzz::CheckEveryReader(exact.get(), document.size());
  return 0;
}
