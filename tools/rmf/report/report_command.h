// `rmf report CAPTURE... -o report.html`: the captures as one page to look
// at: per sender the stats, frame timing, clocks, the skeleton moving, sensor
// values and the problems met.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "rmf/report/report_skeleton.h"

namespace rmf {

struct ReportOptions {
  std::vector<std::string> paths;
  std::string output;  // "-" is standard output
  bool hex = false;
  SkeletonView view;
};

// Writes the page only when every input could be read; a file is replaced
// whole, so a failure leaves it as it was. Returns 1 when a document was
// rejected, 2 when an input cannot be used or a capture is damaged.
int RunReport(const ReportOptions& options, std::ostream& out, std::ostream& err);

class ReportCommand {
 public:
  explicit ReportCommand(CLI::App& app);
  bool Parsed() const { return command_->parsed(); }
  int Run(std::ostream& out, std::ostream& err) { return RunReport(options_, out, err); }

 private:
  CLI::App* command_ = nullptr;
  ReportOptions options_;
};

}  // namespace rmf
