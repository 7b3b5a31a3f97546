#include "rmf/network/network_commands.h"

#include <unistd.h>

#include "rmf/network/udp_addresses.h"

namespace rmf {

NetworkCommands::NetworkCommands(CLI::App& app) {
  listen_ = app.add_subcommand(
      "listen", "Receive documents over UDP: a live table per sender, a summary at the end");
  listen_
      ->add_option("address", listenAddress_,
                   "[ADDRESS:]PORT, e.g. 9000, 127.0.0.1:9000, [::1]:9000")
      ->required();
  listen_
      ->add_option("--multicast", multicast_,
                   "Join GROUP, on INTERFACE if given (IPv4: its address; IPv6: its name)")
      ->expected(1, 2)
      ->type_name("GROUP [INTERFACE]");
  listen_->add_flag("--json", listenJson_, "One JSON object per second, and one at the end");
  listen_->add_option("--record", listenOptions_.recordPath,
                      "Write every datagram to this pcap file");
  listen_->add_option("--count", listenOptions_.count, "Stop after N datagrams");
  listen_->add_option("--seconds", listenOptions_.seconds, "Stop after S seconds");

  send_ =
      app.add_subcommand("send", "Send documents, or the documents of captures, as UDP datagrams");
  send_->add_option("destination", sendOptions_.destination, "HOST:PORT, e.g. 127.0.0.1:9000")
      ->required();
  send_->add_option("inputs", sendOptions_.paths, "Document files or pcap/pcapng captures")
      ->required();
  send_
      ->add_option("--speed", sendOptions_.speed,
                   "Times the capture's own timing; 0 sends without waiting")
      ->capture_default_str();
  send_->add_option("--rate", sendOptions_.rate,
                    "Datagrams per second, in place of the capture's timing");
  send_->add_option("--loop", sendOptions_.loops, "Send everything N times")->capture_default_str();
  send_->add_option("--ttl", sendOptions_.ttl, "Hops (multicast TTL)");
  send_->add_option("--multicast-interface", sendOptions_.multicastInterface,
                    "IPv4 address of the interface for multicast datagrams");
}

int NetworkCommands::Run(std::ostream& out) {
  if (send_->parsed()) {
    return RunSend(sendOptions_, out);
  }
  const HostAndPort bound = ParseHostAndPort(listenAddress_);
  listenOptions_.address = bound.host;
  listenOptions_.port = bound.port;
  listenOptions_.multicastGroup = multicast_.empty() ? "" : multicast_[0];
  listenOptions_.multicastInterface = multicast_.size() > 1 ? multicast_[1] : "";
  listenOptions_.view = listenJson_                  ? StreamView::json
                        : isatty(STDOUT_FILENO) != 0 ? StreamView::table
                                                     : StreamView::lines;
  listenOptions_.stopOnSignals = true;
  return RunListen(listenOptions_, out);
}

}  // namespace rmf
