// Shared by the fuzz targets: values drawn from the input, documents encoded
// through the exports (memory handed out or the caller's buffer) and through
// the box tree, the parses through the exports and through the general walk,
// and edits of encoded documents. The exports are called through the typed
// calls of bindings/cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <variant>

#include "motion_calls.hpp"

// Aborts on a failed expectation: libFuzzer saves the input, replays fail.
#define RAVUNA_FUZZ_CHECK(condition)                                                           \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "%s:%d: expectation failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                            \
    }                                                                                          \
  } while (false)

// LLVM's input reader; the targets include <fuzzer/FuzzedDataProvider.h>.
class FuzzedDataProvider;

namespace ravuna_fuzz {

namespace calls = ravuna_motion_calls;
using Bytes = calls::Bytes;
using Record = std::variant<calls::SkeletonDefinition, calls::FrameData, calls::SensorData>;

// One serialising export's arguments: any float bit pattern, texts with zero
// bytes, bone counts mostly up to 16, one in 256 up to 4096, one in 256
// negative. The variant's index is the kind.
struct DocumentValues {
  calls::Sender sender;
  std::uint64_t packedAddress = 0;  // what the address text packs to, before the modulus
  Record record;
};

DocumentValues DrawDocument(FuzzedDataProvider& input);
Bytes EncodeThroughExport(const DocumentValues& values);  // the handed-out document
Bytes EncodeThroughTree(const DocumentValues& values);

// The caller-buffer export against the handed-out one: the size asked alone,
// a buffer short by a drawn amount left as it was, a roomy one holding the
// same bytes and nothing past them. Returns the document.
Bytes CheckBufferEncoding(const DocumentValues& values, FuzzedDataProvider& input);

// A parse's outputs, fields it leaves alone keeping their sentinels.
template <class Kind>
struct Read {
  bool ok = false;
  calls::Parsed<Kind> out;
};

// Through the handed-out export: the arrays are handed out exactly when the
// parse succeeds, the texts always, whole, with a NUL after `textLengths`.
template <class Kind>
Read<Kind> ReadThroughExport(const Bytes& bytes, std::array<std::size_t, 2> textLengths = {});

// Every parsing export's outputs equal the general walk's, failures included,
// and a parse succeeds only where detection agrees. Returns the parses' results.
std::array<bool, 3> CheckEveryReader(const Bytes& bytes);

// The caller-memory exports against the handed-out ones, with capacities drawn
// from the input: the same acceptance and values; short memory gets the count
// or lengths alone; a rejected document, nothing.
void CheckCallerMemoryReads(const Bytes& bytes, FuzzedDataProvider& input);

// Up to maxEdits edits: sizes made hostile or nudged, codes swapped, boxes
// duplicated, dropped or wrapped, bytes cut, inserted or overwritten.
void EditDocument(FuzzedDataProvider& input, Bytes& document, int maxEdits);

}  // namespace ravuna_fuzz
