// The caller-memory exports against the handed-out ones. Drawn values give
// the same bytes through both encoders, the size asked alone and a short
// buffer left as it was. Any bytes (a drawn document, the same after up to
// four edits, or the raw input) parse to the same values at any capacity;
// short arrays or texts get only the count or lengths, rejected bytes nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ravuna_fuzz;
  FuzzedDataProvider input(data, size);
  const int source = input.ConsumeIntegralInRange(0, 2);
  Bytes document;
  if (source == 0) {  // the front of the input; capacities come from its end
    document = input.ConsumeBytes<std::uint8_t>(
        input.ConsumeIntegralInRange<std::size_t>(0, input.remaining_bytes()));
  } else {
    document = CheckBufferEncoding(DrawDocument(input), input);
    if (source == 2) {
      EditDocument(input, document, input.ConsumeIntegralInRange(1, 4));
    }
  }
  CheckCallerMemoryReads(document, input);
  return 0;
}
