// rmf: inspect, check, convert and analyse motion documents and captures.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <iostream>
#include <vector>

#include "rmf/commands.h"
#include "rmf/demo.h"
#include "rmf/export/export_command.h"
#include "rmf/motion/convention_flags.h"
#include "rmf/network/network_commands.h"
#include "rmf/report/report_command.h"

namespace {

void AddInputOptions(CLI::App& command, rmf::InputOptions& options) {
  command.add_option("inputs", options.paths,
                     "Documents or pcap/pcapng captures; '-' (the default) is standard input");
  command.add_flag("--hex", options.hex,
                   "Inputs are hex text (white space and 0x prefixes are skipped)");
  command.add_flag("--json", options.json, "One JSON object per line");
}

// CLI11 would only say that a command is required; name the word instead.
bool IsUnknownCommand(const CLI::App& app, int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    return false;
  }
  const std::vector<const CLI::App*> commands = app.get_subcommands({});
  return std::none_of(commands.begin(), commands.end(),
                      [&](const CLI::App* command) { return command->check_name(argv[1]); });
}

// "a, b and c", in the order the commands were added.
std::string CommandNames(const CLI::App& app) {
  const std::vector<const CLI::App*> commands = app.get_subcommands({});
  std::string names;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    names += (i == 0 ? "" : i + 1 == commands.size() ? " and " : ", ") + commands[i]->get_name();
  }
  return names;
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
  app.set_version_flag("--version", "rmf " RAVUNA_PROJECT_VERSION);

  rmf::InputOptions inspectOptions;
  CLI::App* inspect = app.add_subcommand(
      "inspect", "Box tree and the library's verdict of each document or captured packet");
  AddInputOptions(*inspect, inspectOptions);
  inspect->add_flag("--strict", inspectOptions.strict,
                    "Reject (exit 1) a document the library reads leniently: cut short, "
                    "unknown boxes, bytes left over...");

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

  rmf::ExportOptions exportOptions;
  CLI::App* exportCommand = app.add_subcommand(
      "export", "Documents and captures to CSV, BVH or JSON lines, one output per sender");
  exportCommand->add_option("inputs", exportOptions.paths, "Documents or pcap/pcapng captures")
      ->required();
  exportCommand->add_option("--to", exportOptions.format, "Output format")
      ->required()
      ->check(CLI::IsMember({"csv", "bvh", "jsonl"}));
  exportCommand
      ->add_option("-o,--output", exportOptions.output,
                   "Output file; with several senders each gets its own, named after it "
                   "('-', standard output, for jsonl)")
      ->required();
  exportCommand->add_option("--sender", exportOptions.sender,
                            "Export only this sender (ADDRESS:PORT, as the summary names it)");
  exportCommand->add_option("--names", exportOptions.namesPath,
                            "bvh: joint names from a file of 'ID NAME' lines (default bone_<id>)");
  exportCommand->add_flag("--joint-positions", exportOptions.jointPositions,
                          "bvh: position channels on every joint, not only the roots");
  rmf::motion::AddConventionFlags(*exportCommand, exportOptions.conventions);

  std::string demoFolder = "rmf-demo";
  bool demoJson = false;
  CLI::App* demo = app.add_subcommand(
      "demo", "Write sample documents and two captures to a folder, then inspect");
  demo->add_option("folder", demoFolder, "Folder to write into (created if missing)")
      ->capture_default_str();
  demo->add_flag("--json", demoJson, "One JSON object per line");

  rmf::NetworkCommands network(app);
  rmf::ReportCommand report(app);

  if (IsUnknownCommand(app, argc, argv)) {
    std::cerr << "rmf: unknown command '" << argv[1] << "'; the commands are " << CommandNames(app)
              << " (see rmf --help)\n";
    return rmf::kExitUsage;
  }
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
    if (exportCommand->parsed()) {
      return rmf::RunExport(exportOptions, std::cout);
    }
    if (network.Parsed()) {
      return network.Run(std::cout);
    }
    if (report.Parsed()) {
      return report.Run(std::cout, std::cerr);
    }
    return rmf::RunDemo(demoFolder, demoJson, std::cout);
  } catch (const std::exception& error) {
    std::cout.flush();
    std::cerr << "rmf: " << error.what() << "\n";
    return rmf::kExitUsage;
  }
}
