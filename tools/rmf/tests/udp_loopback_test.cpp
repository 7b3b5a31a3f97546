// rmf send to rmf listen --record over loopback only (127.0.0.1, ::1, and a
// multicast group kept on this host by TTL 0 and the loopback interface).
// Every run is bounded: a datagram count and a time limit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "capture_test_bytes.h"
#include "rmf/capture/capture_stats.h"
#include "rmf/capture/capture_writing.h"
#include "rmf/capture/packet_building.h"
#include "rmf/network/udp_listener.h"
#include "rmf/network/udp_sender.h"
#include "rmf/output/json_output.h"

namespace rmf {
namespace {

using namespace capture_test_bytes;

struct LoopbackCase {
  const char* listenAddress;
  const char* group;
  const char* sendAddress;
  const char* destination;  // as the recording holds it: the address sent to
};

// Stats that do not depend on addresses or on the pace of sending.
Json StreamStats(const CaptureContents& capture) {
  Json stats = StatsToJson("", ComputeCaptureStats(capture));
  for (Json& sender : stats["senders"]) {
    sender.erase("packet_source");
    for (const char* timing : {"rate", "intervals_ms", "jitter_ms", "clock_estimate"}) {
      sender["frames"].erase(timing);
    }
  }
  return stats;
}

class UdpLoopback : public testing::TestWithParam<LoopbackCase> {};

TEST_P(UdpLoopback, RecordingHoldsWhatWasSentInOrder) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("rmf_loopback_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string source = (folder / "source.pcap").string();
  const std::string recording = (folder / "recording.pcap").string();
  CaptureWriter writer(source, DLT_RAW);
  for (const Bytes& payload : {Skeleton(), Frame(1), Frame(2), Frame(4), Frame(4), Sensor()}) {
    const auto microseconds = static_cast<std::uint32_t>(writer.Written() * 1000);
    writer.Write(kStart, microseconds,
                 BuildUdpPacket({kSenderA, 9000}, {kBroadcast, 9001}, payload));
  }
  writer.Close();

  ListenOptions listen;
  listen.address = GetParam().listenAddress;
  listen.multicastGroup = GetParam().group;
  listen.multicastInterface = *GetParam().group != '\0' ? "127.0.0.1" : "";
  listen.recordPath = recording;
  listen.count = writer.Written();
  listen.seconds = 5;
  std::optional<UdpListener> listener;
  try {
    listener.emplace(listen);
  } catch (const InputError& error) {
    // IPv4 loopback is always there; IPv6 or multicast may be switched off.
    if (listen.address == "127.0.0.1") {
      throw;
    }
    GTEST_SKIP() << "cannot listen on " << GetParam().listenAddress << " here: " << error.what();
  }
  std::ostringstream listened;
  const std::uint16_t port = listener->LocalEndpoint().port();  // before Run owns the socket
  std::jthread receiving([&] { listener->Run(listened); });
  SendOptions send;
  send.destination = std::string(GetParam().sendAddress) + ":" + std::to_string(port);
  send.paths = {source};
  send.speed = 0;
  if (!listen.multicastGroup.empty()) {
    send.ttl = 0;  // the group's datagrams never leave this host
    send.multicastInterface = "127.0.0.1";
  }
  std::ostringstream sent;
  RunSend(send, sent);
  receiving.join();
  if (*GetParam().group != '\0' && listener->Stats().packets == 0) {
    GTEST_SKIP() << "multicast on the loopback interface is not delivered by this kernel";
  }
  const CaptureContents sentCapture = ReadCapture(ReadInput(source));
  const CaptureContents recorded = ReadCapture(ReadInput(recording));
  std::vector<Bytes> sentPayloads;
  std::vector<Bytes> recordedPayloads;
  for (const CapturedPacket& packet : sentCapture.packets) {
    sentPayloads.push_back(packet.payload);
  }
  for (const CapturedPacket& packet : recorded.packets) {
    recordedPayloads.push_back(packet.payload);
    EXPECT_FALSE(packet.checksumFailed);
    EXPECT_EQ(FormatAddress(packet.destination), GetParam().destination);
  }
  EXPECT_EQ(recordedPayloads, sentPayloads);
  EXPECT_EQ(StreamStats(recorded), StreamStats(sentCapture));
  EXPECT_NE(listened.str().find("recorded 6 datagrams to " + recording), std::string::npos)
      << listened.str();
  std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Loopback, UdpLoopback,
                         testing::Values(LoopbackCase{"127.0.0.1", "", "127.0.0.1", "127.0.0.1"},
                                         LoopbackCase{"::1", "", "[::1]", "::1"},
                                         LoopbackCase{"0.0.0.0", "239.255.77.77", "239.255.77.77",
                                                      "239.255.77.77"},
                                         // Wildcards: the kernel tells each datagram's address.
                                         LoopbackCase{"0.0.0.0", "", "127.0.0.1", "127.0.0.1"},
                                         LoopbackCase{"::", "", "[::1]", "::1"},
                                         LoopbackCase{"::", "", "127.0.0.1", "127.0.0.1"}));

}  // namespace
}  // namespace rmf
