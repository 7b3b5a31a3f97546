#include "document_verdict.h"

#include <array>
#include <utility>

namespace rmf {
namespace {

using ravuna_motion_format::BoxType;
using ravuna_motion_format::ByteView;
using ravuna_motion_format::EnvelopeResult;

struct KindInfo {
  DocumentKind kind;
  std::string_view name;
  BoxType dataBox;
};

constexpr std::array<KindInfo, 3> kKinds = {{
    {DocumentKind::skeletonDefinition, "skeleton_definition", BoxType::skdf},
    {DocumentKind::frameData, "frame_data", BoxType::fram},
    {DocumentKind::sensorData, "sensor_data", BoxType::sndt},
}};

template <class Values, class Decode>
EnvelopeResult DecodeInto(ByteView bytes, DocumentVerdict& verdict, Decode decode) {
  Values values;
  const EnvelopeResult result = decode(bytes, verdict.ipText, values);
  if (result) {
    verdict.values = std::move(values);
  }
  return result;
}

EnvelopeResult DecodeAs(DocumentKind kind, ByteView bytes, DocumentVerdict& verdict) {
  switch (kind) {
    case DocumentKind::skeletonDefinition:
      return DecodeInto<ravuna_motion_format::SkeletonDefinitionValues>(
          bytes, verdict, ravuna_motion_format::DecodeSkeletonDefinition);
    case DocumentKind::frameData:
      return DecodeInto<ravuna_motion_format::FrameDataValues>(
          bytes, verdict, ravuna_motion_format::DecodeFrameData);
    case DocumentKind::sensorData:
      return DecodeInto<ravuna_motion_format::SensorDataValues>(
          bytes, verdict, ravuna_motion_format::DecodeSensorData);
    case DocumentKind::unknown: break;
  }
  // No data box of any kind: the envelope checks still say which part is
  // missing first, in the library's order (header, sender, data).
  std::optional<std::uint32_t> port;
  return ravuna_motion_format::DecodeMotionFormat(bytes, verdict.ipText, port, BoxType::skdf);
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

std::optional<DocumentKind> DocumentKindFromName(std::string_view name) {
  for (const KindInfo& info : kKinds) {
    if (info.name == name) {
      return info.kind;
    }
  }
  return std::nullopt;
}

DocumentKind DetectDocumentKind(ByteView bytes) {
  DocumentKind first = DocumentKind::unknown;
  std::int64_t firstOffset = -1;
  for (const KindInfo& info : kKinds) {
    const ravuna_motion_format::FoundBox found =
        ravuna_motion_format::FindBox(bytes, info.dataBox, 0, -1);
    if (found.found && (firstOffset < 0 || found.offset < firstOffset)) {
      first = info.kind;
      firstOffset = found.offset;
    }
  }
  return first;
}

DocumentVerdict JudgeDocument(ByteView bytes) {
  DocumentVerdict verdict;
  verdict.kind = DetectDocumentKind(bytes);
  const EnvelopeResult result = DecodeAs(verdict.kind, bytes, verdict);
  verdict.accepted = static_cast<bool>(result);
  if (!verdict.accepted) {
    verdict.diagnostic = ravuna_motion_format::EnvelopeStatusText(result);
    verdict.ipText.clear();
    verdict.values = std::monostate{};
  }
  return verdict;
}

}  // namespace rmf
