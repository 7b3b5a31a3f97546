#include "document_verdict.h"

#include <array>
#include <utility>

#include "ravuna_motion_serializer.h"

namespace rmf {
namespace {

using ravuna_motion_format::ByteView;

struct KindInfo {
  DocumentKind kind;
  std::string_view name;
};

constexpr std::array<KindInfo, 3> kKinds = {{
    {DocumentKind::skeletonDefinition, "skeleton_definition"},
    {DocumentKind::frameData, "frame_data"},
    {DocumentKind::sensorData, "sensor_data"},
}};

// The values of a document the library accepted, read by its decoder.
template <class Values, class Decode>
void DecodeInto(ByteView bytes, DocumentVerdict& verdict, Decode decode) {
  Values values;
  if (decode(bytes, verdict.ipText, values)) {
    verdict.values = std::move(values);
  }
}

void DecodeAs(DocumentKind kind, ByteView bytes, DocumentVerdict& verdict) {
  switch (kind) {
    case DocumentKind::skeletonDefinition:
      DecodeInto<ravuna_motion_format::SkeletonDefinitionValues>(
          bytes, verdict, ravuna_motion_format::DecodeSkeletonDefinition);
      return;
    case DocumentKind::frameData:
      DecodeInto<ravuna_motion_format::FrameDataValues>(bytes, verdict,
                                                        ravuna_motion_format::DecodeFrameData);
      return;
    case DocumentKind::sensorData:
      DecodeInto<ravuna_motion_format::SensorDataValues>(bytes, verdict,
                                                         ravuna_motion_format::DecodeSensorData);
      return;
    case DocumentKind::unknown: return;
  }
}

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
  verdict.text = VerdictText(judged);
  if (verdict.accepted) {
    DecodeAs(verdict.kind, bytes, verdict);
  }
  return verdict;
}

}  // namespace rmf
