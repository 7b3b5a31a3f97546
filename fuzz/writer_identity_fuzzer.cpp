// The exports' direct writers against the box tree and its encoder: for any
// values (bone counts up to 4096, texts with zero bytes, NaN payloads, any
// address text) both give the same bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const ravuna_fuzz::DocumentValues values = ravuna_fuzz::DrawDocument(input);
  RAVUNA_FUZZ_CHECK(ravuna_fuzz::EncodeThroughExport(values) ==
                    ravuna_fuzz::EncodeThroughTree(values));
  return 0;
}
