// CSV (RFC 4180: a header row, CRLF line ends, fields quoted where they
// hold a comma, a quote or a line break) of a sender's frames, one row per
// bone per frame, and of its sensor records. Values are the documents' own:
// floats in the shortest text that reads back to the same bits, with a
// decimal point so that readers type the column as floating point.
#pragma once

#include <cstdint>
#include <string>

#include "rmf/export/export_problems.h"
#include "rmf/export/sender_streams.h"
#include "rmf/motion/conventions.h"

namespace rmf {

struct CsvTables {
  std::string frames;   // header and rows; empty when the sender sent no frame
  std::string sensors;  // likewise for sensor records
  std::uint64_t frameCount = 0;
  std::uint64_t frameRows = 0;
  std::uint64_t sensorRows = 0;
};

// The rotation columns are named after `order` (qx, qy, qz, qw for xyzw);
// their values stay in document order. A frame's parent ids come from the
// latest skeleton definition before it; where there is none, or it lacks
// the bone, the cell is empty and the case counted.
CsvTables ExportCsv(const SenderStream& stream, motion::QuaternionOrder order,
                    ExportProblems& problems);

// A float or double as a CSV cell: "1.0", "0.1", "-0.0", "1e-45", "nan", "inf".
std::string CsvNumber(float value);
std::string CsvNumber(double value);

}  // namespace rmf
