// What `rmf listen` shows once a second: a table per sender redrawn in
// place on a terminal, one plain line per sender otherwise, or one JSON
// object. A frame counts as missing once kReorderWindow later numbers have
// come without it; until then it may still arrive, reordered.
#pragma once

#include <ostream>
#include <string>

#include "rmf/capture/capture_stats.h"

namespace rmf {

enum class StreamView { table, lines, json };

class StreamTable {
 public:
  StreamTable(StreamView view, std::string source) : view_(view), source_(std::move(source)) {}

  // The state after `elapsedSeconds` of listening.
  void Show(std::ostream& out, const CaptureStats& stats, double elapsedSeconds);

 private:
  StreamView view_;
  std::string source_;
  std::size_t linesShown_ = 0;  // of the table on the terminal, to redraw over
};

}  // namespace rmf
