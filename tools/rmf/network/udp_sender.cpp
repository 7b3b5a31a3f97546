#include "rmf/network/udp_sender.h"

#include <asio/io_context.hpp>
#include <asio/ip/multicast.hpp>
#include <asio/ip/udp.hpp>
#include <asio/ip/unicast.hpp>
#include <chrono>
#include <thread>

#include "rmf/capture/capture_reading.h"
#include "rmf/documents/document_verdict.h"
#include "rmf/network/udp_addresses.h"

namespace rmf {
namespace {

using asio::ip::udp;
using Clock = std::chrono::steady_clock;

// A pause longer than this in a capture is shortened to it.
constexpr std::chrono::seconds kLongestPause{10};

udp::endpoint Resolve(asio::io_context& context, const std::string& destination) {
  const HostAndPort parsed = ParseHostAndPort(destination);
  if (parsed.host.empty()) {
    throw InputError("'" + destination + "': send needs HOST:PORT");
  }
  udp::resolver resolver(context);
  std::error_code error;
  const auto results = resolver.resolve(parsed.host, std::to_string(parsed.port), error);
  if (error || results.empty()) {
    throw InputError("cannot resolve '" + parsed.host + "': " + error.message());
  }
  return *results.begin();
}

void SetSocketOptions(udp::socket& socket, const udp::endpoint& target,
                      const SendOptions& options) {
  if (options.ttl && target.address().is_multicast()) {
    socket.set_option(asio::ip::multicast::hops(*options.ttl));
  } else if (options.ttl) {
    socket.set_option(asio::ip::unicast::hops(*options.ttl));
  }
  if (!options.multicastInterface.empty() && target.address().is_v4()) {
    socket.set_option(asio::ip::multicast::outbound_interface(
        asio::ip::make_address_v4(options.multicastInterface)));
  }
}

struct DatagramToSend {
  std::string source;  // the path, or "path#packet" for a capture's
  Bytes payload;
  std::optional<std::int64_t> microseconds;  // capture time
  DocumentVerdict verdict;
};

// The datagrams the inputs hold: a document file is one, a capture gives
// each UDP payload holding a document. Throws InputError for a damaged
// capture.
std::vector<DatagramToSend> DatagramsOf(const std::vector<std::string>& paths) {
  std::vector<DatagramToSend> datagrams;
  for (const std::string& path : paths) {
    const Bytes bytes = ReadInput(path);
    if (!LooksLikeCapture(bytes)) {
      datagrams.push_back({path, bytes, std::nullopt, JudgeDocument(bytes)});
      continue;
    }
    const CaptureContents capture = ReadCapture(bytes);
    if (!capture.damage.empty()) {
      throw InputError(path + ": " + capture.damage);
    }
    for (const CapturedPacket& packet : capture.packets) {
      if (!packet.isUdp || !packet.malformation.empty()) {
        continue;
      }
      DocumentVerdict verdict = JudgeDocument(packet.payload);
      if (verdict.holdsDocument) {
        datagrams.push_back({path + "#" + std::to_string(packet.index), packet.payload,
                             packet.seconds * 1000000 + packet.microseconds, std::move(verdict)});
      }
    }
  }
  return datagrams;
}

// The pause before a datagram, from the one before it.
Clock::duration PauseBefore(const DatagramToSend* previous, const DatagramToSend& next,
                            const SendOptions& options) {
  if (options.rate > 0) {
    return previous == nullptr ? Clock::duration::zero()
                               : std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(1.0 / options.rate));
  }
  if (previous == nullptr || options.speed <= 0 || !previous->microseconds || !next.microseconds ||
      *next.microseconds <= *previous->microseconds) {
    return Clock::duration::zero();
  }
  const double seconds =
      static_cast<double>(*next.microseconds - *previous->microseconds) / 1e6 / options.speed;
  return std::min<Clock::duration>(
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)),
      kLongestPause);
}

}  // namespace

int RunSend(const SendOptions& options, std::ostream& out) {
  const std::vector<DatagramToSend> datagrams = DatagramsOf(options.paths);
  asio::io_context context;
  const udp::endpoint target = Resolve(context, options.destination);
  const std::string targetName = FormatEndpoint(EndpointOfSocket(target));
  udp::socket socket(context, target.protocol());
  try {
    SetSocketOptions(socket, target, options);
  } catch (const std::system_error& error) {
    throw InputError("cannot set up sending to " + targetName + ": " + error.code().message());
  }
  std::uint64_t sent = 0;
  std::uint64_t bytes = 0;
  int status = 0;
  Clock::time_point due = Clock::now();
  const DatagramToSend* previous = nullptr;
  for (std::uint64_t loop = 0; loop < options.loops; ++loop) {
    for (const DatagramToSend& datagram : datagrams) {
      due += PauseBefore(previous, datagram, options);
      std::this_thread::sleep_until(due);
      std::error_code error;
      socket.send_to(asio::buffer(datagram.payload), target, 0, error);
      if (error) {
        throw InputError("cannot send " + datagram.source + " to " + targetName + ": " +
                         error.message());
      }
      const DocumentVerdict& verdict = datagram.verdict;
      status = verdict.accepted ? status : 1;
      out << "sent " << datagram.source << ": " << DocumentKindName(verdict.kind)
          << (verdict.accepted ? "" : " (rejected)") << ", " << datagram.payload.size()
          << " bytes\n";
      ++sent;
      bytes += datagram.payload.size();
      previous = &datagram;
    }
    // A new pass starts at once, not after the gap back to the first packet.
    previous = nullptr;
  }
  out << "sent " << sent << " datagrams, " << bytes << " bytes, to " << targetName << "\n";
  return status;
}

}  // namespace rmf
