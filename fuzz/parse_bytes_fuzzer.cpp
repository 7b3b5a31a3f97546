// Arbitrary bytes into the detection and parsing exports: no crash, hang,
// leak or out-of-bounds access, and every output as the general walk gives it.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ravuna_fuzz::CheckEveryReader(ravuna_fuzz::Bytes(data, data + size));
  return 0;
}
