// Captures written by the tests with libpcap: documents from two senders in
// raw IPv4 UDP datagrams, and broken datagrams.
#pragma once

#include <pcap/pcap.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ravuna_motion_serializer.h"
#include "rmf/input_reading.h"

namespace rmf::capture_test_bytes {

constexpr std::uint32_t kSenderA = (10U << 24U) | 5U;  // 10.0.0.5
constexpr std::uint32_t kSenderB = (10U << 24U) | 6U;  // 10.0.0.6
constexpr std::uint32_t kBroadcast = (10U << 24U) | 255U;
constexpr std::int64_t kStart = 1700000000;

inline Bytes Frame(int number) {
  const int id = 0;
  const float value = 1.0F;
  int size = 0;
  unsigned char* buffer = nullptr;
  ConvertFrameDataToBytes("10.0.0.5", 9000, number, 0.0F, 0.0, 1, 2, 3,
                          static_cast<unsigned char>(number), 0, true, 1, &id, &value, &value,
                          &value, &value, &value, &value, &value, &size, &buffer);
  return Bytes(buffer, buffer + size);
}

inline Bytes Skeleton() {
  int size = 0;
  unsigned char* buffer = nullptr;
  ConvertSkeletonDefinitionToBytes("10.0.0.6", 9100, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, &size, &buffer);
  return Bytes(buffer, buffer + size);
}

inline Bytes Sensor() {
  int size = 0;
  unsigned char* buffer = nullptr;
  ConvertSensorDataToBytes("10.0.0.6", 9100, 0.0, "a", "b", 0, 0, 0, 0, 0, 0, 0, 0, &size, &buffer);
  return Bytes(buffer, buffer + size);
}

// An IPv4 datagram as a raw-IP link carries it; `udpLength` overrides the
// UDP length field to make a broken packet.
inline Bytes Datagram(std::uint32_t source, const Bytes& payload, std::uint8_t protocol = 17,
                      int udpLength = -1) {
  const auto length = static_cast<std::uint32_t>(28 + payload.size());
  const auto udp = static_cast<std::uint32_t>(udpLength < 0 ? 8 + payload.size()
                                                            : static_cast<std::size_t>(udpLength));
  Bytes ip = {0x45,
              0,
              static_cast<std::uint8_t>(length >> 8U),
              static_cast<std::uint8_t>(length),
              0,
              0,
              0,
              0,
              64,
              protocol,
              0,
              0};
  for (const std::uint32_t address : {source, kBroadcast}) {
    for (const unsigned shift : {24U, 16U, 8U, 0U}) {
      ip.push_back(static_cast<std::uint8_t>(address >> shift));
    }
  }
  // Ports 9000 -> 9001 (9100 -> 9001 for sender B), UDP length, no checksum.
  const std::uint32_t port = source == kSenderA ? 9000 : 9100;
  const Bytes header = {
      static_cast<std::uint8_t>(port >> 8U), static_cast<std::uint8_t>(port), 0x23, 0x29,
      static_cast<std::uint8_t>(udp >> 8U),  static_cast<std::uint8_t>(udp),  0,    0};
  ip.insert(ip.end(), header.begin(), header.end());
  ip.insert(ip.end(), payload.begin(), payload.end());
  return ip;
}

struct TimedDatagram {
  int milliseconds;
  Bytes datagram;
};

// Writes the frames with libpcap into a capture of the link type in memory.
inline Bytes WriteCapture(int linkType, const std::vector<TimedDatagram>& datagrams) {
  char* memory = nullptr;
  std::size_t memorySize = 0;
  std::FILE* stream = open_memstream(&memory, &memorySize);
  pcap_t* handle = pcap_open_dead(linkType, 65535);
  pcap_dumper_t* dumper = pcap_dump_fopen(handle, stream);
  for (const TimedDatagram& timed : datagrams) {
    pcap_pkthdr header{};
    header.ts.tv_sec = kStart + timed.milliseconds / 1000;
    header.ts.tv_usec = (timed.milliseconds % 1000) * 1000;
    header.caplen = static_cast<bpf_u_int32>(timed.datagram.size());
    header.len = header.caplen;
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, timed.datagram.data());
  }
  pcap_dump_close(dumper);  // closes the stream too
  pcap_close(handle);
  Bytes capture(memory, memory + memorySize);
  std::free(memory);
  return capture;
}

inline Bytes WriteRawIpCapture(const std::vector<TimedDatagram>& datagrams) {
  return WriteCapture(DLT_RAW, datagrams);
}

}  // namespace rmf::capture_test_bytes
