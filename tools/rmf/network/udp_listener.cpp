#include "rmf/network/udp_listener.h"

#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <asio/error.hpp>
#include <asio/ip/multicast.hpp>
#include <csignal>
#include <cstring>
#include <iostream>

#include "rmf/capture/packet_building.h"
#include "rmf/commands.h"
#include "rmf/network/udp_addresses.h"
#include "rmf/output/text_output.h"

namespace rmf {
namespace {

using asio::ip::udp;

udp::endpoint BindEndpoint(const ListenOptions& options, const asio::ip::address& group) {
  if (!options.address.empty()) {
    return {asio::ip::make_address(options.address), options.port};
  }
  return {group.is_v6() ? udp::v6() : udp::v4(), options.port};
}

void JoinGroup(udp::socket& socket, const asio::ip::address& group, const std::string& interface) {
  if (group.is_v4()) {
    const asio::ip::address_v4 local =
        interface.empty() ? asio::ip::address_v4::any() : asio::ip::make_address_v4(interface);
    socket.set_option(asio::ip::multicast::join_group(group.to_v4(), local));
    return;
  }
  unsigned index = interface.empty() ? 0 : if_nametoindex(interface.c_str());
  if (index == 0 && !interface.empty()) {
    index = static_cast<unsigned>(std::stoul(interface));
  }
  socket.set_option(asio::ip::multicast::join_group(group.to_v6(), index));
}

// Asks the kernel for each datagram's destination address, which a socket
// bound to a wildcard address cannot tell otherwise. An IPv6 socket gets
// IPv4 datagrams too (mapped), so it asks for both kinds.
void AskForDestinations(udp::socket& socket) {
  const int on = 1;
  const int handle = socket.native_handle();
  if (socket.local_endpoint().address().is_v6()) {
    setsockopt(handle, IPPROTO_IPV6, IPV6_RECVPKTINFO, &on, sizeof on);
  }
  setsockopt(handle, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
}

// The destination address the kernel gave with a datagram, if it did.
std::optional<UdpEndpoint> DestinationOf(msghdr& message) {
  for (cmsghdr* control = CMSG_FIRSTHDR(&message); control != nullptr;
       control = CMSG_NXTHDR(&message, control)) {
    if (control->cmsg_level == IPPROTO_IP && control->cmsg_type == IP_PKTINFO) {
      in_pktinfo info{};
      std::memcpy(&info, CMSG_DATA(control), sizeof info);
      return UdpEndpoint{ntohl(info.ipi_addr.s_addr), 0, false, {}};
    }
    if (control->cmsg_level == IPPROTO_IPV6 && control->cmsg_type == IPV6_PKTINFO) {
      in6_pktinfo info{};
      std::memcpy(&info, CMSG_DATA(control), sizeof info);
      asio::ip::address_v6::bytes_type bytes{};
      std::memcpy(bytes.data(), &info.ipi6_addr, bytes.size());
      return EndpointOfSocket({asio::ip::address_v6(bytes), 0});
    }
  }
  return std::nullopt;
}

std::string ListenName(const udp::endpoint& local, const std::string& group) {
  UdpEndpoint endpoint = EndpointOfSocket(local);
  return group.empty() ? FormatEndpoint(endpoint) : group + " on " + FormatEndpoint(endpoint);
}

}  // namespace

UdpListener::UdpListener(const ListenOptions& options) : options_(options) {
  try {
    const asio::ip::address group = options.multicastGroup.empty()
                                        ? asio::ip::address()
                                        : asio::ip::make_address(options.multicastGroup);
    if (!options.multicastGroup.empty() && !group.is_multicast()) {
      throw InputError("'" + options.multicastGroup + "' is not a multicast group address");
    }
    const udp::endpoint local = BindEndpoint(options, group);
    socket_.open(local.protocol());
    if (!options.multicastGroup.empty()) {
      socket_.set_option(udp::socket::reuse_address(true));
    }
    socket_.bind(local);
    if (!options.multicastGroup.empty()) {
      JoinGroup(socket_, group, options.multicastInterface);
      destination_ = EndpointOfSocket({group, socket_.local_endpoint().port()});
    } else {
      destination_ = EndpointOfSocket(socket_.local_endpoint());
    }
  } catch (const std::system_error& error) {
    throw InputError("cannot listen on " +
                     (options.address.empty() ? std::string("port") : options.address) + " " +
                     std::to_string(options.port) + ": " + error.code().message());
  } catch (const std::invalid_argument&) {
    throw InputError("cannot listen: not an address or interface in '" + options.address + "', '" +
                     options.multicastGroup + "' or '" + options.multicastInterface + "'");
  }
  AskForDestinations(socket_);
  name_ = ListenName(socket_.local_endpoint(), options.multicastGroup);
  table_.emplace(options.view, name_);
  if (!options.recordPath.empty()) {
    recording_.emplace(options.recordPath, DLT_RAW);
  }
}

double UdpListener::ElapsedSeconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

// Waits for the socket, then takes every datagram waiting with recvmsg, for
// the destination address that comes beside each.
void UdpListener::Receive() {
  socket_.async_wait(udp::socket::wait_read, [this](const std::error_code& error) {
    if (error == asio::error::operation_aborted) {
      return;  // the listener is finishing
    }
    while (!error) {
      sockaddr_storage from{};
      std::array<char, 256> control{};
      iovec part{buffer_.data(), buffer_.size()};
      msghdr message{};
      message.msg_name = &from;
      message.msg_namelen = sizeof from;
      message.msg_iov = &part;
      message.msg_iovlen = 1;
      message.msg_control = control.data();
      message.msg_controllen = control.size();
      const ssize_t size = recvmsg(socket_.native_handle(), &message, MSG_DONTWAIT);
      if (size < 0) {
        break;  // nothing more waiting, or a datagram lost to a socket error
      }
      udp::endpoint sender;
      std::memcpy(sender.data(), &from,
                  std::min<std::size_t>(message.msg_namelen, sender.capacity()));
      if (Take(sender, DestinationOf(message), static_cast<std::size_t>(size))) {
        return;
      }
    }
    Receive();
  });
}

bool UdpListener::Take(const udp::endpoint& sender, std::optional<UdpEndpoint> destination,
                       std::size_t size) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto microseconds = std::chrono::duration_cast<std::chrono::microseconds>(now);
  CapturedPacket datagram;
  datagram.index = stats_.packets + 1;
  datagram.seconds = microseconds.count() / 1000000;
  datagram.microseconds = static_cast<std::uint32_t>(microseconds.count() % 1000000);
  datagram.isUdp = true;
  datagram.source = EndpointOfSocket(sender);
  if (destination) {
    datagram.destination = *destination;
    datagram.destination.port = destination_.port;
  } else {
    datagram.destination = destination_;
    if (datagram.destination.isIpv6 != datagram.source.isIpv6) {
      // An IPv4 sender on an IPv6 wildcard socket: the address it was sent
      // to is some local IPv4 one.
      datagram.destination = UdpEndpoint{0, destination_.port, datagram.source.isIpv6, {}};
    }
  }
  datagram.payload.assign(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(size));
  CountPacket(stats_, datagram);
  if (recording_) {
    recording_->Write(datagram.seconds, datagram.microseconds,
                      BuildUdpPacket(datagram.source, datagram.destination, datagram.payload));
  }
  if (options_.count != 0 && stats_.packets >= options_.count) {
    Finish();
    return true;
  }
  return false;
}

void UdpListener::Tick() {
  ticker_.expires_after(std::chrono::seconds(1));
  ticker_.async_wait([this](const std::error_code& error) {
    if (!error) {
      table_->Show(*out_, stats_, ElapsedSeconds());
      Tick();
    }
  });
}

void UdpListener::Finish() {
  std::error_code ignored;
  socket_.cancel(ignored);
  ticker_.cancel();
  deadline_.cancel();
  signals_.cancel(ignored);
  context_.stop();
}

int UdpListener::Run(std::ostream& out) {
  out_ = &out;
  start_ = std::chrono::steady_clock::now();
  Receive();
  Tick();
  if (options_.seconds > 0) {
    deadline_.expires_after(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(options_.seconds)));
    deadline_.async_wait([this](const std::error_code& error) {
      if (!error) {
        Finish();
      }
    });
  }
  if (options_.stopOnSignals) {
    signals_.add(SIGINT);
    signals_.add(SIGTERM);
    signals_.async_wait([this](const std::error_code& error, int) {
      if (!error) {
        Finish();
      }
    });
  }
  context_.run();
  if (recording_) {
    recording_->Close();
  }
  FinishStats(stats_);
  if (options_.view == StreamView::json) {
    table_->Show(out, stats_, ElapsedSeconds());
  } else {
    out << "\n";
    WriteStatsText(out, name_, stats_);
    if (recording_) {
      out << "recorded " << recording_->Written() << " datagrams to " << options_.recordPath
          << "\n";
    }
  }
  out.flush();
  return stats_.malformedPackets != 0 ? kExitRejected : kExitSuccess;
}

int RunListen(const ListenOptions& options, std::ostream& out) {
  UdpListener listener(options);
  std::cerr << "listening on " << listener.Name()
            << (options.recordPath.empty() ? "" : ", recording to " + options.recordPath) << "\n";
  return listener.Run(out);
}

}  // namespace rmf
