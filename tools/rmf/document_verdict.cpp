#include "document_verdict.h"

#include <array>
#include <utility>

#include "box/envelope_decoder.h"
#include "documents/document_verdict.h"
#include "ravuna_motion_serializer.h"

namespace rmf {
namespace {

using ravuna_motion_format::ByteView;
using ravuna_motion_format::EnvelopeResult;

struct KindInfo {
  DocumentKind kind;
  std::string_view name;
};

constexpr std::array<KindInfo, 3> kKinds = {{
    {DocumentKind::skeletonDefinition, "skeleton_definition"},
    {DocumentKind::frameData, "frame_data"},
    {DocumentKind::sensorData, "sensor_data"},
}};

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
  for (const KindInfo& info : kKinds) {
    if (info.kind == kind) {
      return info.name;
    }
  }
  return "unknown";
}

std::string DocumentKindNames() {
  std::string names;
  for (std::size_t k = 0; k < kKinds.size(); ++k) {
    names += k == 0 ? "" : k + 1 == kKinds.size() ? " or " : ", ";
    names += kKinds[k].name;
  }
  return names;
}

std::optional<DocumentKind> DocumentKindFromName(std::string_view name) {
  for (const KindInfo& info : kKinds) {
    if (info.name == name) {
      return info.kind;
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
  verdict.verdictText = VerdictText(judged);
  if (verdict.accepted) {
    verdict.values =
        ReadDocumentValues(ravuna_motion_format::DataBoxOf(judged.kind), bytes, verdict.ipText);
  } else {
    // The library's own diagnostic words for the failed check.
    EnvelopeResult failed;
    failed.status = static_cast<ravuna_motion_format::EnvelopeStatus>(judged.reason);
    failed.version = static_cast<std::uint8_t>(judged.version);
    verdict.diagnostic = ravuna_motion_format::EnvelopeStatusText(failed);
  }
  return verdict;
}

}  // namespace rmf
