// rmf: inspect, check, convert and analyse motion documents and captures.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>

#include "commands.h"
#include "demo.h"
#include "input_reading.h"
#include "udp_addresses.h"
#include "udp_listener.h"
#include "udp_sender.h"

namespace {

void AddInputOptions(CLI::App& command, rmf::InputOptions& options) {
  command.add_option("inputs", options.paths,
                     "Documents or pcap/pcapng captures; '-' (the default) is standard input");
  command.add_flag("--hex", options.hex,
                   "Inputs are hex text (white space and 0x prefixes are skipped)");
  command.add_flag("--json", options.json, "One JSON object per line");
}

void DefaultToStandardInput(rmf::InputOptions& options) {
  if (options.paths.empty()) {
    options.paths.push_back("-");
  }
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "rmf: inspect, check, convert and analyse motion documents and captures.\n"
      "Exit status: 0 success, 1 a document was rejected, 2 usage or input error."};
  app.require_subcommand(1);

  rmf::InputOptions inspectOptions;
  CLI::App* inspect = app.add_subcommand(
      "inspect", "Box tree and the library's verdict of each document or captured packet");
  AddInputOptions(*inspect, inspectOptions);

  rmf::InputOptions statsOptions;
  CLI::App* stats = app.add_subcommand(
      "stats", "Per sender: documents per kind, frame rate, gaps, repeats, timecodes, malformed");
  AddInputOptions(*stats, statsOptions);

  rmf::EncodeOptions encodeOptions;
  CLI::App* encode =
      app.add_subcommand("encode", "Turn the JSON of 'inspect --json' back into document bytes");
  encode->add_option("input", encodeOptions.path, "JSON file; '-' is standard input")->required();
  encode->add_option("-o,--output", encodeOptions.output, "Output file; '-' is standard output")
      ->default_val("-");
  encode->add_flag("--hex", encodeOptions.hex, "Write hex text, one document per line");
  encode->add_flag("--json", encodeOptions.json, "Write {source, length, hex} per document");

  std::string demoFolder = "rmf-demo";
  bool demoJson = false;
  CLI::App* demo =
      app.add_subcommand("demo", "Write sample documents and a capture to a folder, then inspect");
  demo->add_option("folder", demoFolder, "Folder to write into (created if missing)")
      ->capture_default_str();
  demo->add_flag("--json", demoJson, "One JSON object per line");

  std::string listenAddress;
  std::vector<std::string> multicast;
  bool listenJson = false;
  rmf::ListenOptions listenOptions;
  CLI::App* listen = app.add_subcommand(
      "listen", "Receive documents over UDP: a live table per sender, a summary at the end");
  listen
      ->add_option("address", listenAddress,
                   "[ADDRESS:]PORT, e.g. 9000, 127.0.0.1:9000, [::1]:9000")
      ->required();
  listen
      ->add_option("--multicast", multicast,
                   "Join GROUP, on INTERFACE if given (IPv4: its address; IPv6: its name)")
      ->expected(1, 2)
      ->type_name("GROUP [INTERFACE]");
  listen->add_flag("--json", listenJson, "One JSON object per second, and one at the end");
  listen->add_option("--record", listenOptions.recordPath,
                     "Write every datagram to this pcap file");
  listen->add_option("--count", listenOptions.count, "Stop after N datagrams");
  listen->add_option("--seconds", listenOptions.seconds, "Stop after S seconds");

  rmf::SendOptions sendOptions;
  CLI::App* send =
      app.add_subcommand("send", "Send documents, or the documents of captures, as UDP datagrams");
  send->add_option("destination", sendOptions.destination, "HOST:PORT, e.g. 127.0.0.1:9000")
      ->required();
  send->add_option("inputs", sendOptions.paths, "Document files or pcap/pcapng captures")
      ->required();
  send->add_option("--speed", sendOptions.speed,
                   "Times the capture's own timing; 0 sends without waiting")
      ->capture_default_str();
  send->add_option("--rate", sendOptions.rate,
                   "Datagrams per second, in place of the capture's timing");
  send->add_option("--loop", sendOptions.loops, "Send everything N times")->capture_default_str();
  send->add_option("--ttl", sendOptions.ttl, "Hops (multicast TTL)");
  send->add_option("--multicast-interface", sendOptions.multicastInterface,
                   "IPv4 address of the interface for multicast datagrams");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? rmf::kExitSuccess : rmf::kExitUsage;
  }

  try {
    if (inspect->parsed()) {
      DefaultToStandardInput(inspectOptions);
      return rmf::RunInspect(inspectOptions, std::cout);
    }
    if (stats->parsed()) {
      DefaultToStandardInput(statsOptions);
      return rmf::RunStats(statsOptions, std::cout);
    }
    if (encode->parsed()) {
      return rmf::RunEncode(encodeOptions, std::cout);
    }
    if (listen->parsed()) {
      const rmf::HostAndPort bound = rmf::ParseHostAndPort(listenAddress);
      listenOptions.address = bound.host;
      listenOptions.port = bound.port;
      listenOptions.multicastGroup = multicast.empty() ? "" : multicast[0];
      listenOptions.multicastInterface = multicast.size() > 1 ? multicast[1] : "";
      listenOptions.view = listenJson                   ? rmf::StreamView::json
                           : isatty(STDOUT_FILENO) != 0 ? rmf::StreamView::table
                                                        : rmf::StreamView::lines;
      listenOptions.stopOnSignals = true;
      return rmf::RunListen(listenOptions, std::cout);
    }
    if (send->parsed()) {
      return rmf::RunSend(sendOptions, std::cout);
    }
    return rmf::RunDemo(demoFolder, demoJson, std::cout);
  } catch (const rmf::InputError& error) {
    std::cout.flush();
    std::cerr << "rmf: " << error.what() << "\n";
    return rmf::kExitUsage;
  } catch (const std::exception& error) {
    std::cout.flush();
    std::cerr << "rmf: " << error.what() << "\n";
    return rmf::kExitUsage;
  }
}
