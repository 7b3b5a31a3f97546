// `rmf listen`: receives a stream of documents on a UDP socket (IPv4 or
// IPv6, unicast or a multicast group), shows it once a second, optionally
// records it, and ends with the summary `rmf stats` gives.
#pragma once

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <optional>
#include <ostream>
#include <string>

#include "rmf/capture/capture_stats.h"
#include "rmf/capture/capture_writing.h"
#include "rmf/network/stream_table.h"

namespace rmf {

struct ListenOptions {
  std::string address;  // empty: every IPv4 address (every IPv6 one for an IPv6 group)
  std::uint16_t port = 0;
  std::string multicastGroup;
  std::string multicastInterface;  // IPv4: an interface's address; IPv6: a name or index
  StreamView view = StreamView::lines;
  std::string recordPath;
  std::uint64_t count = 0;  // stop after this many datagrams; 0: no limit
  double seconds = 0;       // stop after this long; 0: no limit
  bool stopOnSignals = false;
};

class UdpListener {
 public:
  // Binds the socket and joins the group; throws InputError when it cannot.
  explicit UdpListener(const ListenOptions& options);

  asio::ip::udp::endpoint LocalEndpoint() const { return socket_.local_endpoint(); }

  // The bound address, and the group when one was joined.
  const std::string& Name() const { return name_; }

  // Receives until a limit or a signal, then writes the summary. Returns 1
  // when a document was rejected.
  int Run(std::ostream& out);

  const CaptureStats& Stats() const { return stats_; }

 private:
  void Receive();
  // Counts and records one datagram of `size` bytes in the buffer; true
  // when the count is reached.
  bool Take(const asio::ip::udp::endpoint& sender, std::optional<UdpEndpoint> destination,
            std::size_t size);
  void Tick();
  void Finish();
  double ElapsedSeconds() const;

  ListenOptions options_;
  asio::io_context context_;
  asio::ip::udp::socket socket_{context_};
  asio::steady_timer ticker_{context_};
  asio::steady_timer deadline_{context_};
  asio::signal_set signals_{context_};
  Bytes buffer_ = Bytes(65536);
  UdpEndpoint destination_;
  std::string name_;
  CaptureStats stats_;
  std::optional<StreamTable> table_;
  std::optional<CaptureWriter> recording_;  // raw IP packets built from the socket's addresses
  std::ostream* out_ = nullptr;
  std::chrono::steady_clock::time_point start_;
};

int RunListen(const ListenOptions& options, std::ostream& out);

}  // namespace rmf
