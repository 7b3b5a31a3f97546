// Arbitrary bytes into the four detection exports and the three parsing
// exports: no crash, hang, leak or out-of-bounds access, and every answer
// within its documented contract.
#include <cstddef>
#include <cstdint>

#include "reader_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ravuna_fuzz::CheckEveryReader(data, size);
  return 0;
}
