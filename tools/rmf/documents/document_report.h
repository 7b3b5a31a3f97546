// Everything `rmf inspect` says about one document: its box tree and the
// library's verdict.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "rmf/documents/box_inspection.h"
#include "rmf/documents/document_verdict.h"

namespace rmf {

struct DocumentReport {
  std::string source;  // file name, "-" for standard input, or packet name
  std::uint64_t length = 0;
  BoxTree tree;
  DocumentVerdict verdict;
};

inline DocumentReport InspectDocument(std::string source, ByteView bytes) {
  return {std::move(source), bytes.size(), InspectBoxTree(bytes), JudgeDocument(bytes)};
}

}  // namespace rmf
