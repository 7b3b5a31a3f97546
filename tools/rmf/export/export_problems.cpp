#include "rmf/export/export_problems.h"

#include <algorithm>

namespace rmf {

void ExportProblems::Count(const std::string& what, const std::string& example,
                           std::uint64_t cases) {
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& entry) { return entry.what == what; });
  if (found != entries_.end()) {
    found->count += cases;
    return;
  }
  entries_.push_back({what, cases, example});
}

std::uint64_t ExportProblems::Total() const {
  std::uint64_t total = 0;
  for (const Entry& entry : entries_) {
    total += entry.count;
  }
  return total;
}

std::vector<std::string> ExportProblems::Lines() const {
  std::vector<std::string> lines;
  for (const Entry& entry : entries_) {
    lines.push_back(entry.what + ": " + std::to_string(entry.count) +
                    (entry.example.empty() ? "" : " (first: " + entry.example + ")"));
  }
  return lines;
}

}  // namespace rmf
