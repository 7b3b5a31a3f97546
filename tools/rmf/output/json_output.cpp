#include "rmf/output/json_output.h"

#include <cmath>
#include <type_traits>
#include <variant>

#include "rmf/output/text_output.h"
#include "rmf/output/value_format.h"

namespace rmf {
namespace {

template <std::size_t Count>
Json FloatsToJson(const std::array<float, Count>& values, std::size_t first, std::size_t count) {
  Json array = Json::array();
  for (std::size_t k = first; k < first + count; ++k) {
    array.push_back(FloatToJson(values[k]));
  }
  return array;
}

Json TimecodeToJson(const Timecode& timecode) {
  return {{"timecode", FormatTimecode(timecode)}, {"subframe", timecode[4]}, {"flag", timecode[5]}};
}

void AddBoxValue(Json& object, const InspectedBox& box) {
  std::visit(
      [&object](const auto& value) {
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, std::monostate>) {
          return;
        } else if constexpr (std::is_same_v<Value, std::string>) {
          object["value"] = TextToJson(value);
        } else if constexpr (std::is_same_v<Value, PackedAddress>) {
          object["value"] = value.packed;
          object["address"] = value.dotted;
        } else if constexpr (std::is_same_v<Value, float>) {
          object["value"] = FloatToJson(value);
        } else if constexpr (std::is_same_v<Value, double>) {
          object["value"] = DoubleToJson(value);
        } else if constexpr (std::is_same_v<Value, std::array<float, 7>>) {
          object["value"] = FloatsToJson(value, 0, 7);
        } else if constexpr (std::is_same_v<Value, Timecode>) {
          object["value"] = value;
          object.update(TimecodeToJson(value));
        } else {
          object["value"] = value;
        }
      },
      box.value);
}

void AddBoxMarks(Json& object, const InspectedBox& box) {
  if (box.type == BoxType::none) {
    object["unknown"] = true;
  }
  const std::uint32_t writtenSize = WrittenPayloadSize(box.type);
  if (writtenSize != 0 && writtenSize != box.size) {
    object["written_size"] = writtenSize;
  }
  if (box.overrunBytes != 0) {
    object["overrun_bytes"] = box.overrunBytes;
  }
  if (box.missingBytes != 0) {
    object["missing_bytes"] = box.missingBytes;
  }
  if (box.notEntered) {
    object["not_entered"] = true;
  }
  if (box.notVisited) {
    object["not_walked"] = true;
  }
  if (box.endsDocumentSearch) {
    object["ends_search"] = true;
  }
  if (box.trailingBytes != 0) {
    object["left_over_bytes"] = box.trailingBytes;
  }
}

Json BoxesToJson(const std::vector<InspectedBox>& boxes) {
  Json array = Json::array();
  for (const InspectedBox& box : boxes) {
    Json object = {{"offset", box.offset}, {"size", box.size}, {"code", TextToJson(box.code)}};
    AddBoxValue(object, box);
    AddBoxMarks(object, box);
    if (ravuna_motion_format::IsContainer(box.type) && !box.notEntered && !box.notVisited) {
      object["children"] = BoxesToJson(box.children);
    }
    array.push_back(std::move(object));
  }
  return array;
}

// Element i of a collected sequence; the library reads a missing partner
// value as 0.
template <class Element>
Element ElementOrZero(const std::vector<Element>& sequence, std::size_t i) {
  return i < sequence.size() ? sequence[i] : Element{};
}

Json TransformToJson(const TransformSequences& transforms, std::size_t bone) {
  std::array<float, 7> values{};
  for (std::size_t k = 0; k < values.size(); ++k) {
    values[k] = ElementOrZero(transforms[k], bone);
  }
  return {{"rotation", FloatsToJson(values, 0, 4)}, {"translation", FloatsToJson(values, 4, 3)}};
}

template <class Values>
Json SenderToJson(const DocumentVerdict& verdict, const Values& values) {
  return {{"ip", verdict.ipText}, {"port", values.port ? Json(*values.port) : Json(nullptr)}};
}

Json SkeletonToJson(const DocumentVerdict& verdict, const SkeletonDefinitionValues& values) {
  Json document = SenderToJson(verdict, values);
  Json bones = Json::array();
  for (std::size_t i = 0; i < values.boneIds.size(); ++i) {
    Json bone = {{"id", values.boneIds[i]}, {"parent", ElementOrZero(values.parentBoneIds, i)}};
    bone.update(TransformToJson(values.transforms, i));
    bones.push_back(std::move(bone));
  }
  document["bones"] = std::move(bones);
  return document;
}

Json FrameToJson(const DocumentVerdict& verdict, const FrameDataValues& values) {
  Json document = SenderToJson(verdict, values);
  document["frame_number"] = values.frame.frameNumber;
  document["time"] = FloatToJson(values.frame.time);
  document["uttm"] = DoubleToJson(values.frame.uttm);
  document.update(TimecodeToJson(values.frame.timecode));
  Json bones = Json::array();
  for (std::size_t i = 0; i < values.boneIds.size(); ++i) {
    Json bone = {{"id", values.boneIds[i]}};
    bone.update(TransformToJson(values.transforms, i));
    bones.push_back(std::move(bone));
  }
  document["bones"] = std::move(bones);
  return document;
}

Json SensorToJson(const DocumentVerdict& verdict, const SensorDataValues& values) {
  Json document = SenderToJson(verdict, values);
  document["uttm"] = DoubleToJson(values.uttm);
  document["sensor_address"] = TextToJson(values.sensorAddress);
  document["sensor_name"] = TextToJson(values.sensorName);
  document["sensor_joint_index"] =
      values.sensorJointIndex ? Json(*values.sensorJointIndex) : Json(nullptr);
  document["sensor_values"] =
      values.sensorValues ? FloatsToJson(*values.sensorValues, 0, 7) : Json(nullptr);
  return document;
}

template <class Optional>
Json OptionalToJson(const Optional& value) {
  return value ? Json(*value) : Json(nullptr);
}

Json OptionalTimecodeToJson(const std::optional<Timecode>& timecode) {
  return timecode ? TimecodeToJson(*timecode) : Json(nullptr);
}

// Milliseconds to the nanosecond, parts per million to a thousandth: finer
// digits are the rounding of the sums, not of the stream.
double Round(double value, double unit) { return std::round(value / unit) * unit; }

Json PercentilesToJson(const std::optional<IntervalPercentiles>& p) {
  if (!p) {
    return nullptr;
  }
  return {
      {"min", static_cast<double>(p->min) / 1000.0}, {"p50", Round(p->p50 / 1000.0, 1e-6)},
      {"p90", Round(p->p90 / 1000.0, 1e-6)},         {"p99", Round(p->p99 / 1000.0, 1e-6)},
      {"p99_9", Round(p->p999 / 1000.0, 1e-6)},      {"max", static_cast<double>(p->max) / 1000.0}};
}

Json ClockToJson(const std::optional<ClockEstimate>& clock) {
  if (!clock) {
    return nullptr;
  }
  return {{"offset_ms", Round(clock->offsetSeconds * 1000.0, 1e-6)},
          {"drift_ppm", Round(clock->driftPpm, 1e-3)},
          {"frames", clock->frames}};
}

Json FrameStatsToJson(const FrameStats& frames) {
  return {{"count", frames.count},
          {"first_number", OptionalToJson(frames.firstNumber)},
          {"last_number", OptionalToJson(frames.lastNumber)},
          {"rate", OptionalToJson(frames.Rate())},
          {"gaps", frames.gaps},
          {"missing_frames", frames.missingFrames},
          {"reordered", frames.reordered},
          {"reorder_window", kReorderWindow},
          {"repeats", frames.repeats},
          {"backwards", frames.backwards},
          {"intervals_ms", PercentilesToJson(frames.Percentiles())},
          {"jitter_ms", frames.jitterMicroseconds
                            ? Json(Round(*frames.jitterMicroseconds / 1000.0, 1e-6))
                            : Json(nullptr)},
          {"clock_estimate", ClockToJson(frames.Clock())},
          {"first_timecode", OptionalTimecodeToJson(frames.firstTimecode)},
          {"last_timecode", OptionalTimecodeToJson(frames.lastTimecode)}};
}

Json DocumentCountsToJson(const SenderStats& sender) {
  Json counts = Json::object();
  for (const DocumentKind kind : kDocumentKinds) {
    counts[std::string(DocumentKindName(kind))] = sender.DocumentsOf(kind);
  }
  return counts;
}

Json SenderStatsToJson(const SenderStats& sender) {
  return {{"packet_source", sender.packetSource},
          {"document_senders", sender.documentSenders},
          {"documents", DocumentCountsToJson(sender)},
          {"malformed_packets", sender.malformedPackets},
          {"checksum_failures", sender.checksumFailures},
          {"checksum_offload_likely", sender.checksumOffload},
          {"frames", FrameStatsToJson(sender.frames)}};
}

}  // namespace

Json DocumentValuesToJson(const DocumentVerdict& verdict) {
  return std::visit(
      [&verdict](const auto& values) -> Json {
        using Values = std::decay_t<decltype(values)>;
        if constexpr (std::is_same_v<Values, SkeletonDefinitionValues>) {
          return SkeletonToJson(verdict, values);
        } else if constexpr (std::is_same_v<Values, FrameDataValues>) {
          return FrameToJson(verdict, values);
        } else if constexpr (std::is_same_v<Values, SensorDataValues>) {
          return SensorToJson(verdict, values);
        } else {
          return nullptr;
        }
      },
      verdict.values);
}

Json DocumentToJson(const DocumentReport& report) {
  const DocumentVerdict& verdict = report.verdict;
  Json object = {{"source", report.source},
                 {"length", report.length},
                 {"kind", DocumentKindName(verdict.kind)},
                 {"accepted", verdict.accepted},
                 {"diagnostic", verdict.accepted ? Json(nullptr) : Json(verdict.text)},
                 {"boxes", BoxesToJson(report.tree.boxes)}};
  if (report.tree.trailingBytes != 0) {
    object["left_over_bytes"] = report.tree.trailingBytes;
  }
  if (report.tree.visitLimitReached) {
    object["visit_limit_reached"] = true;
  }
  object["document"] = DocumentValuesToJson(verdict);
  return object;
}

Json PacketToJson(const CapturedPacket& packet) {
  Json object = {{"index", packet.index}, {"time", FormatPacketTime(packet)}};
  object["udp"] = packet.isUdp;
  object["ip_fragment"] = packet.isFragment;
  if (packet.isUdp) {
    object["checksum_failed"] = packet.checksumFailed;
    object["source"] = FormatEndpoint(packet.source);
    object["destination"] = FormatEndpoint(packet.destination);
    object["payload_length"] = packet.payload.size();
    object["malformation"] =
        packet.malformation.empty() ? Json(nullptr) : Json(packet.malformation);
  }
  return object;
}

Json StatsToJson(const std::string& source, const CaptureStats& stats) {
  Json senders = Json::array();
  for (const SenderStats& sender : stats.senders) {
    senders.push_back(SenderStatsToJson(sender));
  }
  if (stats.plainFile) {
    return {{"source", source},
            {"input", "document file"},
            {"documents", stats.documents},
            {"malformed_packets", stats.malformedPackets},
            {"senders", std::move(senders)}};
  }
  return {{"source", source},
          {"input", "capture"},
          {"packets", stats.packets},
          {"udp_packets", stats.udpPackets},
          {"documents", stats.documents},
          {"malformed_packets", stats.malformedPackets},
          {"other_udp_packets", stats.otherUdpPackets},
          {"ip_fragments", stats.fragments},
          {"incomplete_datagrams", stats.incompleteDatagrams},
          {"checksum_failures", stats.checksumFailures},
          {"checksum_offload_likely", stats.checksumOffload},
          {"senders", std::move(senders)}};
}

std::string JsonLine(const Json& object) {
  return object.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace rmf
