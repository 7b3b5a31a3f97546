#include "rmf/report/report_command.h"

#include <algorithm>

#include "rmf/commands.h"
#include "rmf/motion/convention_flags.h"
#include "rmf/output/output_file.h"
#include "rmf/report/report_page.h"

namespace rmf {

ReportCommand::ReportCommand(CLI::App& app) {
  command_ = app.add_subcommand(
      "report",
      "One self-contained HTML page per set of captures: timing, clocks, skeleton, "
      "sensors, problems");
  command_->add_option("inputs", options_.paths, "pcap/pcapng captures or documents")->required();
  command_->add_option("-o,--output", options_.output, "The HTML file; '-' is standard output")
      ->required();
  command_->add_flag("--hex", options_.hex, "Inputs are hex text");
  // The skeleton is drawn as `rmf export` reads bones (--euler is taken too,
  // so that one set of flags serves both).
  motion::AddConventionFlags(*command_, options_.view.conventions);
}

int RunReport(const ReportOptions& options, std::ostream& out, std::ostream& err) {
  std::vector<CaptureReport> captures;
  int status = kExitSuccess;
  bool unusable = false;
  for (const std::string& path : options.paths) {
    try {
      CaptureReport report = BuildCaptureReport(path, ReadInputBytes(path, options.hex));
      if (report.stats.malformedPackets != 0) {
        status = std::max(status, kExitRejected);
      }
      if (!report.damage.empty()) {
        err << "rmf: " << InputName(path) << ": " << report.damage << "\n";
        status = kExitUsage;
      }
      captures.push_back(std::move(report));
    } catch (const std::exception& error) {
      err << "rmf: " << InputName(path) << ": " << error.what() << "\n";
      unusable = true;
    }
  }
  if (unusable) {
    err << "rmf: nothing written"
        << (options.output == "-" ? "" : ", '" + options.output + "' left as it was") << "\n";
    return kExitUsage;
  }
  const std::string page = ReportPage(captures, options.view);
  if (options.output == "-") {
    out << page;
    out.flush();
    return status;
  }
  WriteFileAtomically(options.output, Bytes(page.begin(), page.end()));
  std::size_t senders = 0;
  for (const CaptureReport& capture : captures) {
    senders += capture.senders.size();
  }
  out << "wrote " << options.output << ": " << captures.size()
      << (captures.size() == 1 ? " input, " : " inputs, ") << senders
      << (senders == 1 ? " sender, " : " senders, ") << page.size() << " bytes\n";
  return status;
}

}  // namespace rmf
