#include "documents/document_verdict.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "box/envelope_decoder.h"

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

template <class... Types>
constexpr std::uint32_t KindBits(Types... types) {
  return ((1U << static_cast<std::uint32_t>(types)) | ...);
}

// The leaf kinds each reading walk takes values from; it skips other leaves.
constexpr std::uint32_t kHeaderReads = KindBits(BoxType::ftyp, BoxType::vrsn);
constexpr std::uint32_t kSenderReads = KindBits(BoxType::ipad, BoxType::rcvp);
constexpr std::array<std::uint32_t, kDocumentKindCount> kDataReads = {
    0U, KindBits(BoxType::bnid, BoxType::pbid, BoxType::tran),
    KindBits(BoxType::bnid, BoxType::tran, BoxType::fnum, BoxType::time, BoxType::uttm,
             BoxType::tmcd),
    KindBits(BoxType::uttm, BoxType::snad, BoxType::snnm, BoxType::snji, BoxType::snvl)};

// The bytes a leaf's value occupies as the readers read it; a text is its
// whole payload.
std::uint64_t ValueWidth(BoxType type, std::uint32_t size) noexcept {
  const BoxValueType valueType = GetBoxValueType(type).valueType;
  return valueType == BoxValueType::text ? size : FixedValueWidth(valueType);
}

// Walks a range with the box walk's rules (the same bounds, depth cap and
// visit budget) and notes each lenient read the walk makes there.
class LenientReadFinder {
 public:
  LenientReadFinder(ByteView bytes, std::uint32_t reads) noexcept
      : bytes_(bytes), reads_(reads), budget_(bytes) {}

  std::uint32_t Find() noexcept {
    WalkRange(0, bytes_.size(), bytes_.size(), 0);
    return found_;
  }

 private:
  // `end` is where the walk stops, `declaredEnd` where the enclosing size
  // field ends the range. Returns false once the visit budget is spent.
  bool WalkRange(std::uint64_t start, std::uint64_t end, std::uint64_t declaredEnd,
                 int depth) noexcept {
    std::uint64_t offset = start;
    while (offset + kBoxHeaderSize < end) {
      if (!budget_.Spend()) {
        found_ |= RAVUNA_LENIENT_VISIT_BUDGET;
        return false;
      }
      const BoxHeader header = ReadBoxHeader(bytes_, offset);
      const std::uint64_t payload = offset + kBoxHeaderSize;
      const std::uint64_t payloadEnd = payload + header.size;
      if (payloadEnd > std::min<std::uint64_t>(declaredEnd, bytes_.size())) {
        found_ |= RAVUNA_LENIENT_BOX_OVERRUNS_CONTAINER;
      }
      if (header.type == BoxType::none) {
        found_ |= RAVUNA_LENIENT_UNKNOWN_CODE_SKIPPED;
      } else if (Reads(header.type)) {
        CheckValue(header, payload);
      } else if (IsContainer(header.type)) {
        if (depth >= kMaxBoxDepth) {
          found_ |= RAVUNA_LENIENT_NESTING_CAP;
        } else if (!WalkRange(payload, std::min<std::uint64_t>(payloadEnd, bytes_.size() + 1),
                              payloadEnd, depth + 1)) {
          return false;
        }
      }
      offset = payloadEnd;
    }
    // At most 8 bytes remain: a whole header, which searches see but the
    // walk never visits, or too few bytes to hold one.
    const std::uint64_t presentEnd = std::min<std::uint64_t>(end, bytes_.size());
    const std::uint64_t leftOver = offset < presentEnd ? presentEnd - offset : 0;
    if (leftOver == kBoxHeaderSize) {
      NoteUnvisitedHeader(ReadBoxHeader(bytes_, offset));
    } else if (leftOver > 0) {
      found_ |= RAVUNA_LENIENT_BYTES_LEFT_OVER;
    }
    return true;
  }

  // An empty container or skipped leaf there loses nothing: the writer ends
  // a skeleton or frame without bones with an empty "bons" or "btrs".
  void NoteUnvisitedHeader(const BoxHeader& header) noexcept {
    if (header.type == BoxType::none) {
      found_ |= RAVUNA_LENIENT_UNKNOWN_CODE_SKIPPED;
    } else if (header.size != 0 || Reads(header.type)) {
      found_ |= RAVUNA_LENIENT_BOX_NOT_WALKED;
    }
  }

  bool Reads(BoxType type) const noexcept {
    return (reads_ >> static_cast<std::uint32_t>(type) & 1U) != 0;
  }

  void CheckValue(const BoxHeader& header, std::uint64_t payload) noexcept {
    const std::uint64_t width = ValueWidth(header.type, header.size);
    if (!FitsWithin(bytes_, payload, width)) {
      found_ |= RAVUNA_LENIENT_VALUE_PAST_END;
    }
    if (width != header.size) {
      found_ |= RAVUNA_LENIENT_VALUE_SIZE_MISMATCH;
    }
  }

  ByteView bytes_;
  std::uint32_t reads_;
  VisitBudget budget_;
  std::uint32_t found_ = 0;
};

ByteView SliceOf(ByteView bytes, const FoundBox& box) noexcept {
  return SliceBytes(bytes, static_cast<std::uint64_t>(box.offset),
                    static_cast<std::int64_t>(box.length));
}

// Top-level boxes that hold none of the boxes a parse reads, and bytes after
// the last top-level box: a parse passes them by.
std::uint32_t FindUnreadTopLevel(ByteView bytes, const std::array<FoundBox, 3>& read) noexcept {
  std::uint32_t found = 0;
  std::uint64_t offset = 0;
  while (FitsWithin(bytes, offset, kBoxHeaderSize)) {
    const std::uint64_t end = offset + kBoxHeaderSize + ReadBoxHeader(bytes, offset).size;
    const bool holdsRead = std::any_of(read.begin(), read.end(), [&](const FoundBox& box) {
      const auto boxOffset = static_cast<std::uint64_t>(box.offset);
      return boxOffset >= offset && boxOffset < end;
    });
    if (!holdsRead) {
      found |= RAVUNA_LENIENT_BOX_NOT_WALKED;
    }
    offset = end;
  }
  if (offset < bytes.size()) {
    found |= RAVUNA_LENIENT_BYTES_LEFT_OVER;
  }
  return found;
}

std::uint32_t FindLenientReads(ByteView bytes, std::uint32_t judgedKind, ByteView data) {
  const std::array<FoundBox, 3> read = {FindBox(bytes, BoxType::head, 0, -1),
                                        FindBox(bytes, BoxType::sndf, 0, -1),
                                        FindBox(bytes, DataBoxOf(judgedKind), 0, -1)};
  return FindUnreadTopLevel(bytes, read) |
         LenientReadFinder(SliceOf(bytes, read[0]), kHeaderReads).Find() |
         LenientReadFinder(SliceOf(bytes, read[1]), kSenderReads).Find() |
         LenientReadFinder(data, kDataReads[judgedKind]).Find();
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

constexpr std::array<std::string_view, 8> kLenientReadTexts = {
    "a value reaches past the end of the bytes",   "a box overruns its container",
    "a box of unknown code was skipped",           "a box was searched but not walked",
    "a container nested too deep was not entered", "the walk stopped at its bound on box visits",
    "bytes were left over after the last box",     "a value's size field differs from its width",
};

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
  std::string ipText;
  std::optional<std::uint32_t> port;
  const EnvelopeResult envelope = DecodeMotionFormat(bytes, ipText, port, dataBox);
  verdict.reason = static_cast<std::uint32_t>(envelope.status);
  const bool headerRead = envelope || envelope.status == EnvelopeStatus::unsupportedVersion;
  verdict.version = headerRead ? std::uint32_t{envelope.version} : std::uint32_t{0};
  if (envelope) {
    verdict.lenientReads = FindLenientReads(bytes, verdict.judgedKind, envelope.data);
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
