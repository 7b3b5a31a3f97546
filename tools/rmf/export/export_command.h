// `rmf export`: documents and captures to CSV, BVH or JSON lines, one
// output per sender.
#pragma once

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "rmf/export/sender_streams.h"
#include "rmf/motion/conventions.h"

namespace rmf {

struct ExportOptions {
  std::vector<std::string> paths;
  std::string format;                 // "csv", "bvh" or "jsonl"
  std::string output;                 // a file; "-" (standard output) for jsonl
  std::optional<std::string> sender;  // export this sender only
  std::string namesPath;              // bvh: joint names by bone id
  bool jointPositions = false;        // bvh: position channels on every joint
  motion::Conventions conventions;
};

// One JSON object per document: its source, sender, capture time (from a
// capture), kind, and its values as `inspect --json` gives them.
std::string ExportJsonLines(const SenderStream& stream);

// Reads every input first: one it cannot read whole writes nothing (status
// 2). Then writes each output whole, and a summary per sender naming the
// files and counting every problem; status 1 when any was counted.
int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err = std::cerr);

}  // namespace rmf
