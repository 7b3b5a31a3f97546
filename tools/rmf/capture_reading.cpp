#include "capture_reading.h"

#include <pcap/pcap.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>

namespace rmf {
namespace {

using PacketView = std::span<const std::uint8_t>;

constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
constexpr std::uint16_t kEtherTypeVlan = 0x8100;
constexpr std::uint16_t kEtherTypeQinQ = 0x88a8;
constexpr std::uint8_t kIpProtocolUdp = 17;
constexpr std::size_t kUdpHeaderSize = 8;
constexpr int kBsdFamilyIpv4 = 2;

constexpr int kLinkNull = DLT_NULL;
constexpr int kLinkEthernet = DLT_EN10MB;
constexpr int kLinkRaw = DLT_RAW;
constexpr int kLinkLoop = DLT_LOOP;
constexpr int kLinkLinuxCooked = DLT_LINUX_SLL;
constexpr int kLinkIpv4 = DLT_IPV4;
constexpr int kLinkLinuxCooked2 = DLT_LINUX_SLL2;

std::uint16_t BigEndian16(PacketView bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8U | bytes[at + 1]);
}

std::uint32_t BigEndian32(PacketView bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) << 24U |
         static_cast<std::uint32_t>(bytes[at + 1]) << 16U |
         static_cast<std::uint32_t>(bytes[at + 2]) << 8U | bytes[at + 3];
}

// The IPv4 packet inside a frame of the link type, or nothing for frames
// carrying anything else.
std::optional<PacketView> IpPacketOfFrame(int linkType, PacketView frame) {
  std::size_t etherTypeAt = 0;
  switch (linkType) {
    case kLinkEthernet: etherTypeAt = 12; break;
    case kLinkLinuxCooked: etherTypeAt = 14; break;
    case kLinkLinuxCooked2: etherTypeAt = 0; break;
    case kLinkRaw:
    case kLinkIpv4:
      return frame.size() > 0 && frame[0] >> 4U == 4 ? std::optional(frame) : std::nullopt;
    case kLinkNull:
    case kLinkLoop: {
      if (frame.size() < 4) {
        return std::nullopt;
      }
      // The family is in host order of the capturing machine for one link
      // type and big-endian for the other; 2 is IPv4 in every BSD.
      const bool isIpv4 = frame[0] == kBsdFamilyIpv4 || frame[3] == kBsdFamilyIpv4;
      return isIpv4 ? std::optional(frame.subspan(4)) : std::nullopt;
    }
    default: return std::nullopt;
  }
  if (frame.size() < etherTypeAt + 2) {
    return std::nullopt;
  }
  std::uint16_t etherType = BigEndian16(frame, etherTypeAt);
  std::size_t payloadAt = linkType == kLinkLinuxCooked2 ? 20 : etherTypeAt + 2;
  while (linkType == kLinkEthernet &&
         (etherType == kEtherTypeVlan || etherType == kEtherTypeQinQ) &&
         frame.size() >= payloadAt + 4) {
    etherType = BigEndian16(frame, payloadAt + 2);
    payloadAt += 4;
  }
  if (etherType != kEtherTypeIpv4 || frame.size() < payloadAt) {
    return std::nullopt;
  }
  return frame.subspan(payloadAt);
}

// Fills the UDP fields of the packet from its IPv4 packet; leaves isUdp
// false for other protocols.
void ReadUdpDatagram(PacketView ip, CapturedPacket& packet) {
  if (ip.size() < 20) {
    packet.isUdp = true;
    packet.malformation = "IPv4 header cut short";
    return;
  }
  if (ip[9] != kIpProtocolUdp) {
    return;
  }
  packet.isUdp = true;
  const std::size_t headerLength = (ip[0] & 0x0fU) * 4U;
  const std::size_t totalLength = BigEndian16(ip, 2);
  packet.source.address = BigEndian32(ip, 12);
  packet.destination.address = BigEndian32(ip, 16);
  if ((BigEndian16(ip, 6) & 0x3fffU) != 0) {
    packet.malformation = "IPv4 fragment (not reassembled)";
    return;
  }
  if (headerLength < 20 || totalLength < headerLength + kUdpHeaderSize ||
      ip.size() < headerLength + kUdpHeaderSize) {
    packet.malformation = "UDP header cut short";
    return;
  }
  const PacketView udp = ip.subspan(headerLength);
  packet.source.port = BigEndian16(udp, 0);
  packet.destination.port = BigEndian16(udp, 2);
  const std::size_t udpLength = BigEndian16(udp, 4);
  if (udpLength < kUdpHeaderSize || udpLength > totalLength - headerLength) {
    packet.malformation = "bad UDP length " + std::to_string(udpLength);
    return;
  }
  if (udp.size() < udpLength) {
    packet.malformation = "UDP payload cut short: " + std::to_string(udp.size() - kUdpHeaderSize) +
                          " of " + std::to_string(udpLength - kUdpHeaderSize) + " bytes captured";
  }
  const PacketView payload =
      udp.subspan(kUdpHeaderSize).first(std::min(udp.size(), udpLength) - kUdpHeaderSize);
  packet.payload.assign(payload.begin(), payload.end());
}

struct PcapCloser {
  void operator()(pcap_t* handle) const { pcap_close(handle); }
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string FormatEndpoint(const UdpEndpoint& endpoint) {
  const std::uint32_t a = endpoint.address;
  return std::to_string(a >> 24U) + "." + std::to_string(a >> 16U & 0xffU) + "." +
         std::to_string(a >> 8U & 0xffU) + "." + std::to_string(a & 0xffU) + ":" +
         std::to_string(endpoint.port);
}

std::string FormatPacketTime(const CapturedPacket& packet) {
  std::array<char, 40> text{};
  std::snprintf(text.data(), text.size(), "%lld.%06u", static_cast<long long>(packet.seconds),
                packet.microseconds);
  return text.data();
}

std::vector<CapturedPacket> ReadCapture(const Bytes& capture) {
  // libpcap reads from a FILE; a memory stream lets standard input and files
  // take the same path.
  std::unique_ptr<std::FILE, FileCloser> stream(
      fmemopen(const_cast<std::uint8_t*>(capture.data()), capture.size(), "rb"));
  if (!stream) {
    throw InputError("cannot open the capture in memory");
  }
  std::array<char, PCAP_ERRBUF_SIZE> error{};
  std::unique_ptr<pcap_t, PcapCloser> handle(pcap_fopen_offline(stream.get(), error.data()));
  if (!handle) {
    throw InputError(std::string("cannot read capture: ") + error.data());
  }
  static_cast<void>(stream.release());  // pcap_close closes it
  const int linkType = pcap_datalink(handle.get());
  std::vector<CapturedPacket> packets;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  int status = 0;
  while ((status = pcap_next_ex(handle.get(), &header, &data)) == 1) {
    CapturedPacket& packet = packets.emplace_back();
    packet.index = packets.size();
    packet.seconds = header->ts.tv_sec;
    packet.microseconds = static_cast<std::uint32_t>(header->ts.tv_usec);
    const std::optional<PacketView> ip = IpPacketOfFrame(linkType, {data, header->caplen});
    if (ip) {
      ReadUdpDatagram(*ip, packet);
    }
  }
  if (status == PCAP_ERROR) {
    throw InputError(std::string("capture damaged after packet ") + std::to_string(packets.size()) +
                     ": " + pcap_geterr(handle.get()));
  }
  return packets;
}

}  // namespace rmf
