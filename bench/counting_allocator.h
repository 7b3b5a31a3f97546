// Counts the heap allocations of the whole program: this program replaces the
// global operator new and delete, so every allocation the library makes
// through them, on any thread, is counted.
#pragma once

#include <cstdint>

namespace ravuna_bench {

// Allocations made through operator new (every form) since the start.
std::uint64_t AllocationCount() noexcept;

}  // namespace ravuna_bench
