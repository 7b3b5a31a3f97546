#include "rmf/capture/capture_stats.h"

#include <algorithm>
#include <variant>

namespace rmf {
namespace {

using ravuna_motion_format::BoxType;

std::string PacketSourceName(const CapturedPacket& packet) {
  const bool unknown = packet.source.address == 0 && packet.source.port == 0 &&
                       (!packet.source.isIpv6 || packet.source.address6 == IpAddressBytes{});
  return unknown ? "-" : FormatEndpoint(packet.source);
}

SenderStats& SenderOf(CaptureStats& stats, const std::string& packetSource) {
  const auto found =
      std::find_if(stats.senders.begin(), stats.senders.end(),
                   [&](const SenderStats& sender) { return sender.packetSource == packetSource; });
  if (found != stats.senders.end()) {
    return *found;
  }
  SenderStats& added = stats.senders.emplace_back();
  added.packetSource = packetSource;
  return added;
}

void CountFrame(FrameStats& frames, const FrameDataValues& values, std::int64_t packetTime) {
  const std::int32_t number = values.frame.frameNumber;
  if (frames.lastNumber) {
    const std::int64_t step = static_cast<std::int64_t>(number) - *frames.lastNumber;
    if (step == 0) {
      ++frames.repeats;
    } else if (step < 0) {
      ++frames.backwards;
    } else if (step > 1) {
      ++frames.gaps;
      frames.missingFrames += static_cast<std::uint64_t>(step - 1);
    }
  } else {
    frames.firstNumber = number;
    frames.firstMicroseconds = packetTime;
    frames.firstTimecode = values.frame.timecode;
  }
  ++frames.count;
  frames.lastNumber = number;
  frames.lastMicroseconds = packetTime;
  frames.lastTimecode = values.frame.timecode;
}

void CountDocument(SenderStats& sender, const DocumentVerdict& verdict, std::int64_t packetTime) {
  const std::uint32_t port = std::visit(
      [](const auto& values) -> std::uint32_t {
        if constexpr (std::is_same_v<std::decay_t<decltype(values)>, std::monostate>) {
          return 0;
        } else {
          return values.port.value_or(0);
        }
      },
      verdict.values);
  sender.documentSenders.insert(verdict.ipText + ":" + std::to_string(port));
  ++sender.documents[static_cast<std::size_t>(verdict.kind)];
  if (verdict.kind == DocumentKind::frameData) {
    CountFrame(sender.frames, std::get<FrameDataValues>(verdict.values),
               packetTime);
  }
}

}  // namespace

std::optional<double> FrameStats::Rate() const {
  if (count < 2 || !firstMicroseconds || !lastMicroseconds ||
      *lastMicroseconds <= *firstMicroseconds) {
    return std::nullopt;
  }
  return static_cast<double>(count - 1) * 1e6 /
         static_cast<double>(*lastMicroseconds - *firstMicroseconds);
}

void CountPacket(CaptureStats& stats, const CapturedPacket& packet) {
  ++stats.packets;
  stats.fragments += packet.isFragment ? 1 : 0;
  if (!packet.isUdp) {
    return;
  }
  ++stats.udpPackets;
  stats.checksumFailures += packet.checksumFailed ? 1 : 0;
  const DocumentVerdict verdict =
      packet.malformation.empty() ? JudgeDocument(packet.payload) : DocumentVerdict{};
  if (packet.malformation.empty() && !verdict.holdsDocument) {
    ++stats.otherUdpPackets;
    return;
  }
  SenderStats& sender = SenderOf(stats, PacketSourceName(packet));
  sender.checksumFailures += packet.checksumFailed ? 1 : 0;
  if (!verdict.accepted) {
    ++stats.malformedPackets;
    ++sender.malformedPackets;
    return;
  }
  ++stats.documents;
  const std::int64_t packetTime = packet.seconds * 1000000 + packet.microseconds;
  CountDocument(sender, verdict, packetTime);
}

CaptureStats ComputeCaptureStats(const CaptureContents& capture) {
  CaptureStats stats;
  for (const CapturedPacket& packet : capture.packets) {
    CountPacket(stats, packet);
  }
  stats.incompleteDatagrams = capture.incompleteDatagrams;
  return stats;
}

}  // namespace rmf
