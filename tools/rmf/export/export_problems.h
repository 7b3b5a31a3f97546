// What an export could not carry, counted per kind with the first case
// named, for the summary: every problem is told, none is silent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rmf {

class ExportProblems {
 public:
  // One more case of `what` ("frames before any skeleton definition, not
  // written"); the first case's `example` is kept.
  void Count(const std::string& what, const std::string& example, std::uint64_t cases = 1);
  std::uint64_t Total() const;
  // "frames before any skeleton definition, not written: 3 (first: ...)".
  std::vector<std::string> Lines() const;

 private:
  struct Entry {
    std::string what;
    std::uint64_t count = 0;
    std::string example;
  };
  std::vector<Entry> entries_;
};

}  // namespace rmf
