// Hand-made byte sequences for tests: boxes, little-endian numbers, texts.
#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace test_bytes {

using Bytes = std::vector<std::uint8_t>;

template <class T>
Bytes Le(T value) {
  std::uint64_t bits = 0;
  if constexpr (sizeof(T) == 1) bits = static_cast<std::uint8_t>(value);
  if constexpr (sizeof(T) == 2) bits = std::bit_cast<std::uint16_t>(value);
  if constexpr (sizeof(T) == 4) bits = std::bit_cast<std::uint32_t>(value);
  if constexpr (sizeof(T) == 8) bits = std::bit_cast<std::uint64_t>(value);
  Bytes out;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  return out;
}

inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// A box whose size field says `size`, whatever follows.
inline Bytes BoxClaiming(const std::string& code, std::uint32_t size, const Bytes& payload = {}) {
  return Cat({Le(size), Text(code), payload});
}

// A box whose size field is the payload's length.
inline Bytes BoxBytes(const std::string& code, const Bytes& payload) {
  return BoxClaiming(code, static_cast<std::uint32_t>(payload.size()), payload);
}

}  // namespace test_bytes
