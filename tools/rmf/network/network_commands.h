// The command-line options of `rmf listen` and `rmf send`, kept apart from
// main so the network commands register and run through one object.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "rmf/network/udp_listener.h"
#include "rmf/network/udp_sender.h"

namespace rmf {

class NetworkCommands {
 public:
  // Adds the two subcommands to the application.
  explicit NetworkCommands(CLI::App& app);

  bool Parsed() const { return listen_->parsed() || send_->parsed(); }

  // Runs the one parsed; throws InputError for unusable addresses or input.
  int Run(std::ostream& out);

 private:
  CLI::App* listen_ = nullptr;
  CLI::App* send_ = nullptr;
  std::string listenAddress_;
  std::vector<std::string> multicast_;
  bool listenJson_ = false;
  ListenOptions listenOptions_;
  SendOptions sendOptions_;
};

}  // namespace rmf
