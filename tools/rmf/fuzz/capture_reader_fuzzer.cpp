// Hostile captures into the capture reader. An even first byte: the rest is
// a pcap or pcapng file as it stands. An odd one: the rest is a list of IP
// packets ([2-byte length][time step][packet]...) put in a raw-IP capture, so
// floods of overlapping, far-reaching or never-completed fragments come
// quickly. No crash, leak or overrun; reassembly memory stays within its
// limit; every count adds up.
#include <pcap/pcap.h>

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "rmf/capture/capture_stats.h"
#include "rmf/capture/ip_reassembly.h"
#include "rmf/capture/packet_decoding.h"

namespace {

constexpr rmf::ReassemblyLimits kLimits{std::size_t{1} << 18U, 64, 2'000'000};
constexpr std::size_t kLargestDatagram = 65535;

void PutLittleEndian(rmf::Bytes& bytes, std::uint32_t value) {
  for (unsigned shift = 0; shift < 32; shift += 8) {
    bytes.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

// Builds the raw-IP capture and, along the way, feeds every packet to a
// reassembler of its own to watch its memory.
rmf::Bytes RawIpCapture(const std::uint8_t* data, std::size_t size) {
  rmf::Bytes capture;
  PutLittleEndian(capture, 0xa1b2c3d4);
  PutLittleEndian(capture, 0x00040002);  // version 2.4
  PutLittleEndian(capture, 0);
  PutLittleEndian(capture, 0);
  PutLittleEndian(capture, 65535);
  PutLittleEndian(capture, 101);  // raw IP
  rmf::IpReassembler reassembler(kLimits);
  std::uint32_t seconds = 0;
  std::size_t at = 0;
  while (at + 3 <= size) {
    const std::size_t length = std::min<std::size_t>(
        static_cast<std::size_t>(data[at] | data[at + 1] << 8U), size - at - 3);
    seconds += data[at + 2];
    const rmf::PacketView packet(data + at + 3, length);
    at += 3 + length;
    PutLittleEndian(capture, seconds);
    PutLittleEndian(capture, 0);
    PutLittleEndian(capture, static_cast<std::uint32_t>(length));
    PutLittleEndian(capture, static_cast<std::uint32_t>(length));
    capture.insert(capture.end(), packet.begin(), packet.end());
    const rmf::DecodedFrame frame = rmf::DecodeFrame(DLT_RAW, packet);
    if (frame.ip && frame.ip->isFragment) {
      const auto whole = reassembler.Add(*frame.ip, std::int64_t{seconds} * 1000000);
      RAVUNA_FUZZ_CHECK(!whole || whole->size() <= kLargestDatagram);
      RAVUNA_FUZZ_CHECK(reassembler.BufferedBytes() <= kLimits.maxBufferedBytes + kLargestDatagram);
    }
  }
  reassembler.Finish();
  RAVUNA_FUZZ_CHECK(reassembler.BufferedBytes() == 0);
  return capture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const rmf::Bytes capture =
      data[0] % 2 == 0 ? rmf::Bytes(data + 1, data + size) : RawIpCapture(data + 1, size - 1);
  rmf::CaptureContents contents;
  try {
    contents = rmf::ReadCapture(capture, kLimits);
  } catch (const rmf::InputError&) {
    return 0;
  }
  for (const rmf::CapturedPacket& packet : contents.packets) {
    RAVUNA_FUZZ_CHECK(packet.payload.size() <= kLargestDatagram);
  }
  const rmf::CaptureStats stats = rmf::ComputeCaptureStats(contents);
  RAVUNA_FUZZ_CHECK(stats.packets == contents.packets.size());
  RAVUNA_FUZZ_CHECK(stats.documents + stats.malformedPackets + stats.otherUdpPackets ==
                    stats.udpPackets);
  return 0;
}
