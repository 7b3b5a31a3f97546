#include "rmf/output/text_output.h"

#include <array>
#include <cstdio>
#include <type_traits>
#include <variant>

#include "rmf/output/value_format.h"

namespace rmf {
namespace {

template <class Float, std::size_t Count>
std::string FormatFloats(const std::array<Float, Count>& values, std::size_t first,
                         std::size_t count) {
  std::string text = "[";
  for (std::size_t k = first; k < first + count; ++k) {
    if (k != first) {
      text += ' ';
    }
    text += FormatFloat(values[k]);
  }
  return text + "]";
}

std::string FormatFloatArray(BoxType type, const std::array<float, 7>& values) {
  if (type == BoxType::tran) {
    return "rotation " + FormatFloats(values, 0, 4) + " translation " + FormatFloats(values, 4, 3);
  }
  return FormatFloats(values, 0, 7);
}

// The value as text, empty for containers and unknown codes.
std::string FormatBoxValue(const InspectedBox& box) {
  return std::visit(
      [&box](const auto& value) -> std::string {
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, std::monostate>) {
          return "";
        } else if constexpr (std::is_same_v<Value, std::string>) {
          return QuoteText(value);
        } else if constexpr (std::is_same_v<Value, PackedAddress>) {
          return value.dotted + " (" + std::to_string(value.packed) + ")";
        } else if constexpr (std::is_same_v<Value, float>) {
          return FormatFloat(value);
        } else if constexpr (std::is_same_v<Value, double>) {
          return FormatDouble(value);
        } else if constexpr (std::is_same_v<Value, std::array<float, 7>>) {
          return FormatFloatArray(box.type, value);
        } else if constexpr (std::is_same_v<Value, Timecode>) {
          return FormatTimecodeWithFlag(value);
        } else {
          return std::to_string(value);
        }
      },
      box.value);
}

std::string FormatBoxMarks(const InspectedBox& box) {
  std::string marks;
  if (box.type == BoxType::none) {
    marks += " [unknown code: skipped]";
  }
  const std::uint32_t writtenSize = WrittenPayloadSize(box.type);
  if (writtenSize != 0 && writtenSize != box.size) {
    marks += " [size differs from the written " + std::to_string(writtenSize) + "]";
  }
  if (box.overrunBytes != 0) {
    marks += " [overruns its container by " + std::to_string(box.overrunBytes) + " bytes]";
  }
  if (box.missingBytes != 0) {
    marks += " [" + std::to_string(box.missingBytes) + " payload bytes past the end]";
  }
  if (box.notEntered) {
    marks += " [nested too deep: not entered]";
  }
  if (box.notVisited) {
    marks += " [ends its range: searched, not walked]";
  }
  if (box.endsDocumentSearch) {
    marks += " [box searches stop here]";
  }
  return marks;
}

std::string FormatCode(const InspectedBox& box) {
  return box.type == BoxType::none ? QuoteText(box.code) : box.code;
}

void WriteLeftOver(std::ostream& out, std::uint64_t bytes, int depth) {
  if (bytes != 0) {
    out << std::string(19 + 2 * static_cast<std::size_t>(depth), ' ') << "(" << bytes
        << " bytes left over, too few for a box)\n";
  }
}

void WriteBoxes(std::ostream& out, const std::vector<InspectedBox>& boxes, int depth) {
  for (const InspectedBox& box : boxes) {
    std::array<char, 32> columns{};
    std::snprintf(columns.data(), columns.size(), "%8llu %8u  ",
                  static_cast<unsigned long long>(box.offset), box.size);
    out << columns.data() << std::string(2 * static_cast<std::size_t>(depth), ' ')
        << FormatCode(box);
    const std::string value = FormatBoxValue(box);
    if (!value.empty()) {
      out << ' ' << value;
    }
    out << FormatBoxMarks(box) << "\n";
    WriteBoxes(out, box.children, depth + 1);
    WriteLeftOver(out, box.trailingBytes, depth + 1);
  }
}

template <class Values>
std::string SenderText(const DocumentVerdict& verdict, const Values& values) {
  const std::string address = verdict.ipText.empty() ? "(no address)" : verdict.ipText;
  return "sender " + address + ":" +
         (values.port ? std::to_string(*values.port) : std::string("(no port)"));
}

std::string BoneCountText(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " bone" : " bones");
}

std::string SummaryText(const DocumentVerdict& verdict) {
  return std::visit(
      [&verdict](const auto& values) -> std::string {
        using Values = std::decay_t<decltype(values)>;
        if constexpr (std::is_same_v<Values, SkeletonDefinitionValues>) {
          return SenderText(verdict, values) + ", " + BoneCountText(values.boneIds.size());
        } else if constexpr (std::is_same_v<Values, FrameDataValues>) {
          return SenderText(verdict, values) + ", frame " +
                 std::to_string(values.frame.frameNumber) + ", time " +
                 FormatFloat(values.frame.time) + ", uttm " + FormatDouble(values.frame.uttm) +
                 ", timecode " + FormatTimecodeWithFlag(values.frame.timecode) + ", " +
                 BoneCountText(values.boneIds.size());
        } else if constexpr (std::is_same_v<Values, SensorDataValues>) {
          return SenderText(verdict, values) + ", uttm " + FormatDouble(values.uttm) +
                 ", sensor address " + QuoteText(values.sensorAddress) + ", name " +
                 QuoteText(values.sensorName) + ", joint " +
                 (values.sensorJointIndex ? std::to_string(*values.sensorJointIndex) : "(none)") +
                 ", values " +
                 (values.sensorValues ? FormatFloats(*values.sensorValues, 0, 7) : "(none)");
        } else {
          return "";
        }
      },
      verdict.values);
}

std::string FormatSecondsRate(const std::optional<double>& rate) {
  if (!rate) {
    return "-";
  }
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.3f/s", *rate);
  return text.data();
}

std::string Milliseconds(double microseconds) {
  std::array<char, 48> text{};
  std::snprintf(text.data(), text.size(), "%.3f ms", microseconds / 1000.0);
  return text.data();
}

std::string OffloadText(std::uint64_t failures, std::uint64_t offload) {
  if (offload == 0) {
    return "";
  }
  return " (" + std::string(offload == failures ? "all" : std::to_string(offload)) +
         " likely checksum offload: captured on the sending host)";
}

// Interval percentiles, jitter and the clock estimates of a sender's frames.
void WriteTimingStats(std::ostream& out, const FrameStats& frames) {
  if (const std::optional<IntervalPercentiles> p = frames.Percentiles()) {
    out << "  intervals: min " << Milliseconds(static_cast<double>(p->min)) << ", median "
        << Milliseconds(p->p50) << ", p90 " << Milliseconds(p->p90) << ", p99 "
        << Milliseconds(p->p99) << ", p99.9 " << Milliseconds(p->p999) << ", max "
        << Milliseconds(static_cast<double>(p->max)) << "\n";
  }
  out << "  jitter (RFC 3550, against uttm): "
      << (frames.jitterMicroseconds ? Milliseconds(*frames.jitterMicroseconds) : "-") << "\n";
  if (const std::optional<ClockEstimate> clock = frames.Clock()) {
    std::array<char, 64> drift{};
    std::snprintf(drift.data(), drift.size(), "%.1f ppm", clock->driftPpm);
    out << "  clock, estimated (the clocks may not be synchronised): uttm - capture time "
        << Milliseconds(clock->offsetSeconds * 1e6) << ", drift " << drift.data() << "\n";
  }
}

void WriteSenderStats(std::ostream& out, const SenderStats& sender) {
  out << "sender " << sender.packetSource << " (documents from";
  for (const std::string& documentSender : sender.documentSenders) {
    out << " " << documentSender;
  }
  if (sender.documentSenders.empty()) {
    out << " -";
  }
  out << ")\n";
  out << "  documents:";
  for (const DocumentKind kind : kDocumentKinds) {
    out << (kind == kDocumentKinds.front() ? " " : ", ") << sender.DocumentsOf(kind) << " "
        << DocumentKindName(kind);
  }
  out << "\n";
  out << "  malformed packets: " << sender.malformedPackets
      << ", checksum failures: " << sender.checksumFailures
      << OffloadText(sender.checksumFailures, sender.checksumOffload) << "\n";
  const FrameStats& frames = sender.frames;
  if (frames.count == 0) {
    return;
  }
  out << "  frames: " << frames.count << ", numbers " << *frames.firstNumber << " to "
      << *frames.lastNumber << ", rate " << FormatSecondsRate(frames.Rate()) << "\n";
  out << "  gaps: " << frames.gaps << " (" << frames.missingFrames
      << " frames missing), reordered: " << frames.reordered << " (window " << kReorderWindow
      << " frames), repeats: " << frames.repeats << ", backwards: " << frames.backwards << "\n";
  WriteTimingStats(out, frames);
  out << "  timecode: first " << FormatOptionalTimecode(frames.firstTimecode) << ", last "
      << FormatOptionalTimecode(frames.lastTimecode) << "\n";
}

}  // namespace

std::string FormatOptionalTimecode(const std::optional<Timecode>& timecode) {
  return timecode ? FormatTimecodeWithFlag(*timecode) : "-";
}

std::string FormatTimecodeWithFlag(const Timecode& timecode) {
  return FormatTimecode(timecode) + " subframe " + std::to_string(timecode[4]) + " flag " +
         std::to_string(timecode[5]);
}

void WriteDocumentText(std::ostream& out, const DocumentReport& report) {
  out << report.source << ": " << report.length << " bytes\n";
  out << "  offset     size  box\n";
  WriteBoxes(out, report.tree.boxes, 0);
  WriteLeftOver(out, report.tree.trailingBytes, 0);
  if (report.tree.visitLimitReached) {
    out << "  (box visits limited: the rest is not shown, as the library does not read it)\n";
  }
  const DocumentVerdict& verdict = report.verdict;
  out << "verdict: " << DocumentKindName(verdict.kind);
  if (verdict.accepted) {
    out << ", accepted\n  " << SummaryText(verdict) << "\n";
  } else {
    out << ", rejected: " << verdict.text << "\n";
  }
}

void WritePacketText(std::ostream& out, const CapturedPacket& packet, bool holdsDocument) {
  out << "packet " << packet.index << "  " << FormatPacketTime(packet);
  if (packet.isFragment && !packet.isUdp) {
    out << "  " << FormatAddress(packet.source) << " -> " << FormatAddress(packet.destination)
        << "  IP fragment, datagram not yet whole\n";
    return;
  }
  if (!packet.isUdp) {
    out << "  not UDP over IP\n";
    return;
  }
  out << "  " << FormatEndpoint(packet.source) << " -> " << FormatEndpoint(packet.destination)
      << "  " << packet.payload.size() << " bytes";
  if (!packet.malformation.empty()) {
    out << "  malformed: " << packet.malformation;
  } else if (!holdsDocument) {
    out << "  no document";
  }
  out << (packet.isFragment ? "  (reassembled)" : "")
      << (packet.checksumFailed ? "  bad UDP checksum" : "") << "\n";
}

void WriteStatsText(std::ostream& out, const std::string& source, const CaptureStats& stats) {
  if (stats.plainFile) {
    out << source << ": document file, " << stats.documents << " documents, "
        << stats.malformedPackets << " malformed\n";
  } else {
    out << source << ": " << stats.packets << " packets, " << stats.udpPackets << " UDP, "
        << stats.documents << " documents, " << stats.malformedPackets << " malformed, "
        << stats.otherUdpPackets << " other UDP\n"
        << "  " << stats.fragments << " IP fragments, " << stats.incompleteDatagrams
        << " incomplete datagrams, " << stats.checksumFailures << " UDP checksum failures"
        << OffloadText(stats.checksumFailures, stats.checksumOffload) << "\n";
  }
  for (const SenderStats& sender : stats.senders) {
    WriteSenderStats(out, sender);
  }
}

}  // namespace rmf
