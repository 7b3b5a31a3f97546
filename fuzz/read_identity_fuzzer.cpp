// The canonical fast read against the general walk, on valid documents and on
// documents one or two edits away from the exact layout, where the fast read
// must either give the general walk's outputs or step aside.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ravuna_fuzz;
  FuzzedDataProvider input(data, size);
  const DocumentValues values = DrawDocument(input);
  Bytes document = EncodeThroughExport(values);
  const std::array<bool, 3> parsed = CheckEveryReader(document);  // only its own kind parses
  RAVUNA_FUZZ_CHECK(parsed[values.record.index()] && parsed[0] + parsed[1] + parsed[2] == 1);
  if (input.remaining_bytes() > 0) {
    EditDocument(input, document, 2);
    CheckEveryReader(document);
  }
  return 0;
}
