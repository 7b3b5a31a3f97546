// A failed expectation in a fuzz target: print what broke and abort, which
// libFuzzer reports as a crash (with the input saved) and a replay run as a
// failed test.
#pragma once

#include <cstdio>
#include <cstdlib>

#define RAVUNA_FUZZ_CHECK(condition)                                                           \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "%s:%d: expectation failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                            \
    }                                                                                          \
  } while (false)
