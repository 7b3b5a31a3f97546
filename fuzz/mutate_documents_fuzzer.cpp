// Valid documents after up to sixteen structure-aware edits, then every
// reader. Run it with the code dictionary (box_codes.dict).
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ravuna_fuzz;
  FuzzedDataProvider input(data, size);
  Bytes document = EncodeThroughExport(DrawDocument(input));
  EditDocument(input, document, 16);
  CheckEveryReader(document);
  return 0;
}
