#include "rmf/capture/capture_writing.h"

#include <pcap/pcap.h>

#include <array>
#include <memory>

#include "rmf/capture/ip_fragmenting.h"
#include "rmf/capture/packet_decoding.h"
#include "rmf/output/output_file.h"

namespace rmf {
namespace {

constexpr std::size_t kIpv4HeaderSize = 20;
constexpr int kSnapshotLength = 65535;

constexpr std::size_t kFrameHeaderSize = kEthernetHeaderSize + kIpv4HeaderSize + kUdpHeaderSize;
using FrameHeader = std::array<std::uint8_t, kFrameHeaderSize>;

void PutBigEndian16(FrameHeader& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value >> 8U);
  bytes[at + 1] = static_cast<std::uint8_t>(value);
}

void PutBigEndian32(FrameHeader& bytes, std::size_t at, std::uint32_t value) {
  PutBigEndian16(bytes, at, value >> 16U);
  PutBigEndian16(bytes, at + 2, value & 0xffffU);
}

struct PcapCloser {
  void operator()(pcap_t* handle) const { pcap_close(handle); }
};

struct DumperCloser {
  void operator()(pcap_dumper_t* dumper) const { pcap_dump_close(dumper); }
};

}  // namespace

Bytes BuildUdpFrame(const PacketToWrite& packet) {
  const std::size_t udpLength = kUdpHeaderSize + packet.payload.size();
  FrameHeader frame{};
  // Locally administered MAC addresses; the EtherType says IPv4.
  frame[0] = 0x02;
  frame[6] = 0x02;
  frame[11] = 0x01;
  PutBigEndian16(frame, 12, 0x0800);
  const std::size_t ip = kEthernetHeaderSize;
  frame[ip] = 0x45;  // version 4, 20-byte header
  PutBigEndian16(frame, ip + 2, static_cast<std::uint32_t>(kIpv4HeaderSize + udpLength));
  frame[ip + 8] = 64;  // time to live
  frame[ip + 9] = kIpProtocolUdp;
  PutBigEndian32(frame, ip + 12, packet.source.address);
  PutBigEndian32(frame, ip + 16, packet.destination.address);
  PutBigEndian16(frame, ip + 10, InternetChecksum({frame.data() + ip, kIpv4HeaderSize}));
  const std::size_t udp = ip + kIpv4HeaderSize;
  PutBigEndian16(frame, udp, packet.source.port);
  PutBigEndian16(frame, udp + 2, packet.destination.port);
  PutBigEndian16(frame, udp + 4, static_cast<std::uint32_t>(udpLength));
  // A UDP checksum of 0 means "not computed", which IPv4 allows.
  Bytes bytes = packet.payload;
  bytes.insert(bytes.begin(), frame.begin(), frame.end());
  return bytes;
}

void WriteUdpCapture(const std::string& path, const std::vector<PacketToWrite>& packets) {
  std::vector<FrameToWrite> frames;
  frames.reserve(packets.size());
  for (const PacketToWrite& packet : packets) {
    frames.push_back({packet.seconds, packet.microseconds, BuildUdpFrame(packet)});
  }
  WriteEthernetCapture(path, frames);
}

void WriteEthernetCapture(const std::string& path, const std::vector<FrameToWrite>& frames) {
  const std::unique_ptr<pcap_t, PcapCloser> handle(pcap_open_dead(DLT_EN10MB, kSnapshotLength));
  if (!handle) {
    throw InputError("cannot start a capture for '" + path + "'");
  }
  ReplacingFile file(path);
  std::unique_ptr<pcap_dumper_t, DumperCloser> dumper(
      pcap_dump_open(handle.get(), file.TemporaryPath().c_str()));
  if (!dumper) {
    throw InputError("cannot write '" + path + "': " + pcap_geterr(handle.get()));
  }
  for (const FrameToWrite& frame : frames) {
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(frame.seconds);
    header.ts.tv_usec = static_cast<suseconds_t>(frame.microseconds);
    header.caplen = static_cast<bpf_u_int32>(frame.frame.size());
    header.len = header.caplen;
    pcap_dump(reinterpret_cast<u_char*>(dumper.get()), &header, frame.frame.data());
  }
  if (pcap_dump_flush(dumper.get()) != 0) {
    throw InputError("cannot write '" + path + "'");
  }
  dumper.reset();
  file.Commit();
}

std::vector<Bytes> BuildFragmentedUdpFrames(const PacketToWrite& packet, std::size_t mtu,
                                            std::uint16_t identification) {
  const Bytes frame = BuildUdpFrame(packet);
  const auto ipStart = frame.begin() + static_cast<std::ptrdiff_t>(kEthernetHeaderSize);
  std::vector<Bytes> frames;
  for (Bytes& fragment : FragmentIpPacket(Bytes(ipStart, frame.end()), mtu, identification)) {
    fragment.insert(fragment.begin(), frame.begin(), ipStart);
    frames.push_back(std::move(fragment));
  }
  return frames;
}

}  // namespace rmf
