// The commands of `rmf`, separate from argument parsing so tests can run
// them on streams. Each reads every input, writes an error naming the input
// on `err` for each one it cannot use, and returns the worst exit status
// seen: 0 success, 1 a document was rejected, 2 an input it cannot use.
#pragma once

#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "rmf/input_reading.h"

namespace rmf {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRejected = 1;
inline constexpr int kExitUsage = 2;

struct InputOptions {
  std::vector<std::string> paths;  // "-" is standard input
  bool hex = false;                // inputs are hex text
  bool json = false;               // one JSON object per line
  bool strict = false;             // inspect: a lenient read rejects the document
};

// The bytes of a file or of standard input ("-"); hex text is read as hex
// with `hex`, and without it when it is in a layout that ParseHexText reads.
Bytes ReadInputBytes(const std::string& path, bool hex);

// Box tree and verdict of each document; for a capture, a line per packet
// and the inspection of each payload that holds a document.
int RunInspect(const InputOptions& options, std::ostream& out, std::ostream& err = std::cerr);

// A summary per sender of each capture (or of plain documents).
int RunStats(const InputOptions& options, std::ostream& out, std::ostream& err = std::cerr);

struct EncodeOptions {
  std::string path;    // JSON input, "-" for standard input
  std::string output;  // "-" for standard output
  bool hex = false;    // write hex text, one document per line
  bool json = false;   // write {"source", "length", "hex"} per document
};

// Every JSON value of the input (as `inspect --json` writes them) back to
// document bytes. The output is written only when every value encodes, and
// a file is replaced whole, so a failure leaves it as it was.
int RunEncode(const EncodeOptions& options, std::ostream& out, std::ostream& err = std::cerr);

}  // namespace rmf
