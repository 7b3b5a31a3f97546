#include "rmf/documents/document_verdict.h"

#include <array>
#include <utility>

#include "documents/document_verdict.h"
#include "ravuna_motion_serializer.h"

namespace rmf {
namespace {

using ravuna_motion_format::ByteView;

// The names of the kinds in rmf's output, by the library's numbers.
constexpr std::array<std::string_view, kDocumentKindCount> kKindNames = {
    "unknown", "skeleton_definition", "frame_data", "sensor_data"};
static_assert(RAVUNA_DOCUMENT_NONE == 0 && RAVUNA_DOCUMENT_SKELETON_DEFINITION == 1 &&
              RAVUNA_DOCUMENT_FRAME_DATA == 2 && RAVUNA_DOCUMENT_SENSOR_DATA == 3);

RavunaDocumentVerdict Judged(ByteView bytes) {
  RavunaDocumentVerdict judged{};
  // The tool reads its inputs in full, so every length fits the library's.
  JudgeDocumentBytes(static_cast<int>(bytes.size()), bytes.data(), RAVUNA_DOCUMENT_NONE, &judged);
  return judged;
}

bool HoldsDocument(const RavunaDocumentVerdict& judged) {
  return judged.reason != RAVUNA_VERDICT_NO_HEADER || judged.kind != RAVUNA_DOCUMENT_NONE;
}

std::string VerdictText(const RavunaDocumentVerdict& verdict) {
  char text[RAVUNA_VERDICT_TEXT_CAPACITY];
  int length = 0;
  DescribeDocumentVerdict(&verdict, sizeof text, text, &length);
  return text;
}

}  // namespace

std::string_view DocumentKindName(DocumentKind kind) {
  const auto number = static_cast<std::size_t>(kind);
  return number < kKindNames.size() ? kKindNames[number] : kKindNames[0];
}

std::string DocumentKindNames() {
  std::string names;
  for (std::size_t k = 0; k < kDocumentKinds.size(); ++k) {
    names += k == 0 ? "" : k + 1 == kDocumentKinds.size() ? " or " : ", ";
    names += DocumentKindName(kDocumentKinds[k]);
  }
  return names;
}

std::optional<DocumentKind> DocumentKindFromName(std::string_view name) {
  for (const DocumentKind kind : kDocumentKinds) {
    if (DocumentKindName(kind) == name) {
      return kind;
    }
  }
  return std::nullopt;
}

bool HoldsDocument(ByteView payload) { return HoldsDocument(Judged(payload)); }

DocumentVerdict JudgeDocument(ByteView bytes) {
  const RavunaDocumentVerdict judged = Judged(bytes);
  DocumentVerdict verdict;
  verdict.kind = static_cast<DocumentKind>(judged.kind);
  verdict.accepted = judged.reason == RAVUNA_VERDICT_ACCEPTED;
  verdict.holdsDocument = HoldsDocument(judged);
  verdict.lenientReads = judged.lenientReads;
  verdict.text = VerdictText(judged);
  if (verdict.accepted) {
    verdict.values =
        ReadDocumentValues(ravuna_motion_format::DataBoxOf(judged.kind), bytes, verdict.ipText);
  }
  return verdict;
}

}  // namespace rmf
