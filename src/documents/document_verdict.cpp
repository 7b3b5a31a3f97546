#include "documents/document_verdict.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "box/envelope_decoder.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"
#include "documents/skeleton_definition.h"

namespace ravuna_motion_format {
namespace {

constexpr std::array<BoxType, kDocumentKindCount> kDataBoxes = {BoxType::none, BoxType::skdf,
                                                                BoxType::fram, BoxType::sndt};
static_assert(kDataBoxes[RAVUNA_DOCUMENT_SKELETON_DEFINITION] == BoxType::skdf &&
              kDataBoxes[RAVUNA_DOCUMENT_FRAME_DATA] == BoxType::fram &&
              kDataBoxes[RAVUNA_DOCUMENT_SENSOR_DATA] == BoxType::sndt);
static_assert(static_cast<std::uint32_t>(EnvelopeStatus::ok) == RAVUNA_VERDICT_ACCEPTED &&
              static_cast<std::uint32_t>(EnvelopeStatus::missingHeader) ==
                  RAVUNA_VERDICT_NO_HEADER &&
              static_cast<std::uint32_t>(EnvelopeStatus::missingSenderDefinition) ==
                  RAVUNA_VERDICT_NO_SENDER_DEFINITION &&
              static_cast<std::uint32_t>(EnvelopeStatus::missingData) ==
                  RAVUNA_VERDICT_NO_DATA_BOX &&
              static_cast<std::uint32_t>(EnvelopeStatus::unsupportedVersion) ==
                  RAVUNA_VERDICT_UNSUPPORTED_VERSION);

// The bytes a leaf's value occupies as the readers read it; a text is its
// whole payload.
std::uint64_t ValueWidth(BoxType type, std::uint32_t size) noexcept {
  const BoxValueType valueType = GetBoxValueType(type).valueType;
  return valueType == BoxValueType::text ? size : FixedValueWidth(valueType);
}

// Notes each lenient read that the general read of `Reading` makes on the
// bytes it walks: the walk's own reports, values it reads that are not there
// as written, and boxes it needs that it never meets.
template <const auto& Reading>
class LenientReadNoter : public BoxWalkReader {
 public:
  explicit LenientReadNoter(ByteView bytes) noexcept : bytes_(bytes) {}

  void Overrun(const WalkedBox&) noexcept { found_ |= RAVUNA_LENIENT_BOX_OVERRUNS_CONTAINER; }
  void UnknownCode(const WalkedBox&) noexcept { found_ |= RAVUNA_LENIENT_UNKNOWN_CODE_SKIPPED; }
  void NestingCap(const WalkedBox&) noexcept { found_ |= RAVUNA_LENIENT_NESTING_CAP; }
  void VisitBudgetSpent() noexcept { found_ |= RAVUNA_LENIENT_VISIT_BUDGET; }
  void BytesLeftOver(std::uint64_t, std::uint64_t, int) noexcept {
    found_ |= RAVUNA_LENIENT_BYTES_LEFT_OVER;
  }

  void Leaf(const WalkedBox& box) noexcept {
    const BoxHeader& header = box.header;
    if (!HasKind(Reading.Kinds(), header.type)) {
      return;
    }
    ++met_[static_cast<std::uint32_t>(header.type)];
    const std::uint64_t width = ValueWidth(header.type, header.size);
    if (!FitsWithin(bytes_, box.Payload(), width)) {
      found_ |= RAVUNA_LENIENT_VALUE_PAST_END;
    }
    if (width != header.size) {
      found_ |= RAVUNA_LENIENT_VALUE_SIZE_MISMATCH;
    }
  }

  // An empty container or skipped leaf there loses nothing: the writer ends
  // a skeleton or frame without bones with an empty "bons" or "btrs".
  void UnvisitedHeader(const WalkedBox& box) noexcept {
    if (box.header.type == BoxType::none) {
      found_ |= RAVUNA_LENIENT_UNKNOWN_CODE_SKIPPED;
    } else if (box.header.size != 0 || HasKind(Reading.Kinds(), box.header.type)) {
      found_ |= RAVUNA_LENIENT_BOX_NOT_WALKED;
    }
  }

  std::uint32_t Found() const noexcept {
    return found_ | (AnyMissing() ? RAVUNA_LENIENT_BOX_MISSING : 0U);
  }

 private:
  // A box needed once that never came, or fewer of a bone's partner boxes
  // than bone ids.
  bool AnyMissing() const noexcept {
    const std::uint64_t bones = met_[static_cast<std::uint32_t>(BoxType::bnid)];
    for (std::uint32_t kind = 0; kind < kBoxKindCount; ++kind) {
      const auto type = static_cast<BoxType>(kind);
      if ((HasKind(Reading.KindsNeededOnce(), type) && met_[kind] == 0) ||
          (HasKind(Reading.KindsNeededPerBone(), type) && met_[kind] < bones)) {
        return true;
      }
    }
    return false;
  }

  ByteView bytes_;
  std::uint32_t found_ = 0;
  std::array<std::uint64_t, kBoxKindCount> met_{};
};

template <const auto& Reading>
std::uint32_t NoteLenientReads(ByteView bytes) noexcept {
  LenientReadNoter<Reading> noter(bytes);
  WalkBoxes(bytes, noter);
  return noter.Found();
}

// Top-level boxes that hold none of the boxes a parse reads, and bytes after
// the last top-level box: a parse passes them by.
class UnreadTopLevelNoter : public BoxWalkReader {
 public:
  UnreadTopLevelNoter(ByteView bytes, const std::array<ByteView, 3>& read) noexcept
      : bytes_(bytes), read_(read) {}

  void Leaf(const WalkedBox& box) noexcept { NoteBox(box); }
  void UnknownCode(const WalkedBox& box) noexcept { NoteBox(box); }
  bool Enter(const WalkedBox& box) noexcept {
    NoteBox(box);
    return false;
  }
  void UnvisitedHeader(const WalkedBox& box) noexcept { NoteBox(box); }
  void BytesLeftOver(std::uint64_t, std::uint64_t, int) noexcept {
    found_ |= RAVUNA_LENIENT_BYTES_LEFT_OVER;
  }

  std::uint32_t Found() const noexcept { return found_; }

 private:
  void NoteBox(const WalkedBox& box) noexcept {
    const bool holdsRead = std::any_of(read_.begin(), read_.end(), [&](ByteView read) {
      const auto readOffset = static_cast<std::uint64_t>(read.data() - bytes_.data());
      return readOffset >= box.offset && readOffset < box.PayloadEnd();
    });
    if (!holdsRead) {
      found_ |= RAVUNA_LENIENT_BOX_NOT_WALKED;
    }
  }

  ByteView bytes_;
  std::array<ByteView, 3> read_;
  std::uint32_t found_ = 0;
};

std::uint32_t NoteDataReads(std::uint32_t judgedKind, ByteView data) noexcept {
  switch (judgedKind) {
    case RAVUNA_DOCUMENT_SKELETON_DEFINITION:
      return NoteLenientReads<kSkeletonDefinitionReading>(data);
    case RAVUNA_DOCUMENT_FRAME_DATA: return NoteLenientReads<kFrameDataReading>(data);
    case RAVUNA_DOCUMENT_SENSOR_DATA: return NoteLenientReads<kSensorDataReading>(data);
    default: return 0;
  }
}

std::uint32_t FindLenientReads(ByteView bytes, std::uint32_t judgedKind,
                               const EnvelopeResult& envelope) noexcept {
  UnreadTopLevelNoter topLevel(bytes, {envelope.header, envelope.senderDefinition, envelope.data});
  WalkBoxes(bytes, topLevel);
  return topLevel.Found() | NoteLenientReads<kHeaderReading>(envelope.header) |
         NoteLenientReads<kSenderReading>(envelope.senderDefinition) |
         NoteDataReads(judgedKind, envelope.data);
}

// Composes a text into a caller's buffer without allocating: writes what
// fits, counts everything.
class TextWriter {
 public:
  explicit TextWriter(std::span<char> text) noexcept : text_(text) {}

  TextWriter& operator<<(std::string_view part) noexcept {
    for (const char c : part) {
      if (length_ + 1 < text_.size()) {
        text_[length_] = c;
      }
      ++length_;
    }
    return *this;
  }

  TextWriter& operator<<(std::uint32_t number) noexcept {
    char digits[10];
    std::size_t count = 0;
    do {
      digits[count++] = static_cast<char>('0' + number % 10);
      number /= 10;
    } while (number != 0);
    std::reverse(digits, digits + count);
    return *this << std::string_view(digits, count);
  }

  std::size_t Finish() noexcept {
    if (!text_.empty()) {
      text_[std::min(length_, text_.size() - 1)] = '\0';
    }
    return length_;
  }

 private:
  std::span<char> text_;
  std::size_t length_ = 0;
};

constexpr std::array<std::string_view, kDocumentKindCount> kKindNames = {
    "", "skeleton definition", "frame data", "sensor data"};

constexpr std::array<std::string_view, 9> kLenientReadTexts = {
    "a value reaches past the end of the bytes",
    "a box overruns its container",
    "a box of unknown code was skipped",
    "a box was searched but not walked",
    "a container nested too deep was not entered",
    "the walk stopped at its bound on box visits",
    "bytes were left over after the last box",
    "a value's size field differs from its width",
    "a box the parse reads is missing",
};
static_assert(RAVUNA_LENIENT_BOX_MISSING == 1U << (kLenientReadTexts.size() - 1),
              "one text per lenient-read bit");

// The longest text: every lenient read, after the longest kind name.
constexpr std::size_t kLongestVerdictText = [] {
  std::size_t length = std::string_view(" document read leniently: ").size();
  for (const std::string_view name : kKindNames) {
    length = std::max(length, name.size() + std::string_view(" document read leniently: ").size());
  }
  for (const std::string_view text : kLenientReadTexts) {
    length += text.size() + 2;
  }
  return length;
}();
static_assert(kLongestVerdictText < RAVUNA_VERDICT_TEXT_CAPACITY,
              "the capacity holds every text with its NUL");

void DescribeLenientReads(TextWriter& out, std::uint32_t lenientReads) noexcept {
  std::string_view separator;
  for (std::size_t bit = 0; bit < kLenientReadTexts.size(); ++bit) {
    if ((lenientReads >> bit & 1U) != 0) {
      out << separator << kLenientReadTexts[bit];
      separator = "; ";
    }
  }
}

void DescribeReason(TextWriter& out, const RavunaDocumentVerdict& verdict, std::uint32_t kind,
                    std::uint32_t judgedKind) noexcept {
  switch (verdict.reason) {
    case RAVUNA_VERDICT_NO_HEADER:
      out << "no \"head\" box, the bytes hold no document of this format";
      return;
    case RAVUNA_VERDICT_NO_SENDER_DEFINITION: out << "no \"sndf\" sender definition"; return;
    case RAVUNA_VERDICT_NO_DATA_BOX:
      if (kind != RAVUNA_DOCUMENT_NONE && kind != judgedKind) {
        out << "the bytes hold a " << kKindNames[kind] << " document";
      } else if (judgedKind != RAVUNA_DOCUMENT_NONE) {
        out << "the document has no \"" << BoxCode(DataBoxOf(judgedKind)) << "\" data box";
      } else {
        out << "the document has no data box";
      }
      return;
    case RAVUNA_VERDICT_UNSUPPORTED_VERSION:
      out << "data version " << verdict.version << " is not supported (this library reads version "
          << static_cast<std::uint32_t>(kCurrentDataVersion) << ")";
      return;
    default: out << "unknown reason " << verdict.reason; return;
  }
}

std::uint32_t KnownKind(std::uint32_t kind) noexcept {
  return kind < kDocumentKindCount ? kind : std::uint32_t{RAVUNA_DOCUMENT_NONE};
}

}  // namespace

BoxType DataBoxOf(std::uint32_t documentKind) noexcept {
  return kDataBoxes[KnownKind(documentKind)];
}

std::uint32_t DetectDocumentKind(ByteView bytes) {
  std::uint32_t first = RAVUNA_DOCUMENT_NONE;
  std::int64_t firstOffset = -1;
  for (std::uint32_t kind = 1; kind < kDocumentKindCount; ++kind) {
    const FoundBox found = FindBox(bytes, kDataBoxes[kind], 0, -1);
    if (found.found && (firstOffset < 0 || found.offset < firstOffset)) {
      first = kind;
      firstOffset = found.offset;
    }
  }
  return first;
}

RavunaDocumentVerdict JudgeDocument(ByteView bytes, std::uint32_t expectedKind) {
  RavunaDocumentVerdict verdict{};
  verdict.kind = DetectDocumentKind(bytes);
  verdict.judgedKind = expectedKind != RAVUNA_DOCUMENT_NONE ? expectedKind : verdict.kind;
  // With no kind to judge no data box is present, so the search for "skdf"
  // fails like any other would, after the checks that come before it.
  const BoxType dataBox =
      verdict.judgedKind != RAVUNA_DOCUMENT_NONE ? DataBoxOf(verdict.judgedKind) : BoxType::skdf;
  SenderValues sender;
  const EnvelopeResult envelope = DecodeMotionFormat(bytes, sender, dataBox);
  verdict.reason = static_cast<std::uint32_t>(envelope.status);
  const bool headerRead = envelope || envelope.status == EnvelopeStatus::unsupportedVersion;
  verdict.version = headerRead ? std::uint32_t{envelope.version} : std::uint32_t{0};
  if (envelope) {
    verdict.lenientReads = FindLenientReads(bytes, verdict.judgedKind, envelope);
  }
  return verdict;
}

std::size_t DescribeVerdict(const RavunaDocumentVerdict& verdict, std::span<char> text) noexcept {
  TextWriter out(text);
  const std::uint32_t kind = KnownKind(verdict.kind);
  const std::uint32_t judgedKind = KnownKind(verdict.judgedKind);
  const std::string_view name = kKindNames[judgedKind];
  if (verdict.reason == RAVUNA_VERDICT_ACCEPTED) {
    out << name << (name.empty() ? "document read " : " document read ");
    if (verdict.lenientReads == 0) {
      out << "exactly";
    } else {
      out << "leniently: ";
      DescribeLenientReads(out, verdict.lenientReads);
    }
  } else {
    out << "not a valid " << name << (name.empty() ? "document: " : " document: ");
    DescribeReason(out, verdict, kind, judgedKind);
  }
  return out.Finish();
}

}  // namespace ravuna_motion_format
