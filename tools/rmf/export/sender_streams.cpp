#include "rmf/export/sender_streams.h"

#include <algorithm>
#include <variant>

#include "rmf/capture/capture_reading.h"

namespace rmf {
namespace {

SenderStream& StreamOf(std::vector<SenderStream>& streams, const std::string& sender) {
  const auto found = std::find_if(streams.begin(), streams.end(),
                                  [&](const SenderStream& s) { return s.sender == sender; });
  if (found != streams.end()) {
    return *found;
  }
  SenderStream& added = streams.emplace_back();
  added.sender = sender;
  return added;
}

void AddDocument(std::vector<SenderStream>& streams, const std::string& source,
                 std::optional<std::string> sender, std::optional<std::int64_t> time,
                 const Bytes& bytes) {
  DocumentVerdict verdict = JudgeDocument(bytes);
  if (!verdict.holdsDocument && !sender) {
    throw InputError("neither a document nor a pcap or pcapng capture");
  }
  if (!verdict.holdsDocument) {
    return;  // a capture's other UDP traffic
  }
  SenderStream& stream = StreamOf(
      streams, sender.value_or(verdict.accepted ? DocumentSender(verdict.ipText, verdict.values)
                                                : std::string("file")));
  if (!verdict.accepted) {
    stream.firstRejected = stream.rejected++ == 0 ? source : stream.firstRejected;
    return;
  }
  stream.documents.push_back(
      {source, time, verdict.kind, std::move(verdict.ipText), std::move(verdict.values)});
}

std::string PacketSender(const CapturedPacket& packet) {
  const bool unknown = packet.source.address == 0 && packet.source.port == 0 &&
                       (!packet.source.isIpv6 || packet.source.address6 == IpAddressBytes{});
  return unknown ? "-" : FormatEndpoint(packet.source);
}

}  // namespace

std::string DocumentSender(const std::string& ipText, const DecodedValues& values) {
  const std::optional<std::uint32_t> port = std::visit(
      [](const auto& v) -> std::optional<std::uint32_t> {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::monostate>) {
          return std::nullopt;
        } else {
          return v.port;
        }
      },
      values);
  return (ipText.empty() ? "?" : ipText) + ":" + (port ? std::to_string(*port) : "?");
}

void AddInput(std::vector<SenderStream>& streams, const std::string& name, const Bytes& bytes) {
  if (!LooksLikeCapture(bytes)) {
    AddDocument(streams, name, std::nullopt, std::nullopt, bytes);
    return;
  }
  const CaptureContents capture = ReadCapture(bytes);
  if (!capture.damage.empty()) {
    throw InputError(capture.damage);
  }
  for (const CapturedPacket& packet : capture.packets) {
    if (!packet.isUdp) {
      continue;
    }
    const std::string source = name + "#" + std::to_string(packet.index);
    if (!packet.malformation.empty()) {
      SenderStream& stream = StreamOf(streams, PacketSender(packet));
      stream.firstRejected = stream.rejected++ == 0 ? source : stream.firstRejected;
      continue;
    }
    AddDocument(streams, source, PacketSender(packet),
                packet.seconds * 1000000 + packet.microseconds, packet.payload);
  }
}

std::vector<SenderStream> ReadSenderStreams(const std::vector<std::string>& paths) {
  std::vector<SenderStream> streams;
  for (const std::string& path : paths) {
    try {
      AddInput(streams, path, ReadInput(path));
    } catch (const InputError& error) {
      throw InputError(InputName(path) + ": " + error.what());
    }
  }
  return streams;
}

}  // namespace rmf
