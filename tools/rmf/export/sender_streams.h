// The documents of documents and captures gathered per sender, in the order
// they arrive: what every exporter reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rmf/documents/document_verdict.h"
#include "rmf/input_reading.h"

namespace rmf {

struct StreamDocument {
  std::string source;                               // "file" or "capture.pcap#12"
  std::optional<std::int64_t> captureMicroseconds;  // the packet's time, from a capture
  DocumentKind kind = DocumentKind::unknown;
  std::string ipText;    // as the document gives it
  DecodedValues values;  // an accepted document's values
};

struct SenderStream {
  // The packets' source address and port in a capture (as `rmf stats` groups
  // them), the document's own for a document file.
  std::string sender;
  std::vector<StreamDocument> documents;  // accepted ones, in order
  std::uint64_t rejected = 0;             // rejected documents and unreadable datagrams
  std::string firstRejected;              // the source of the first one
};

// The streams of every input, in order of first appearance; an input that
// cannot be read whole (missing, damaged, neither document nor capture)
// throws InputError naming it.
std::vector<SenderStream> ReadSenderStreams(const std::vector<std::string>& paths);

// Adds the documents of one input's bytes (a document or a capture) to the
// streams; throws InputError, without the name, for bytes it cannot use.
void AddInput(std::vector<SenderStream>& streams, const std::string& name, const Bytes& bytes);

// "a.b.c.d:port" of a document, "?" for a port it lacks.
std::string DocumentSender(const std::string& ipText, const DecodedValues& values);

}  // namespace rmf
