// Numbers in wire order, least significant byte first, whatever the host. On
// a little-endian host each load and store is one plain copy.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace ravuna_motion_format {

// The unsigned integer as wide as T.
template <class T>
using WireBits = std::conditional_t<
    sizeof(T) == 1, std::uint8_t,
    std::conditional_t<sizeof(T) == 2, std::uint16_t,
                       std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;

// The number of type T at `data`, which the caller has checked holds
// sizeof(T) bytes.
template <class T>
T LoadLittleEndian(const std::uint8_t* data) noexcept {
  static_assert(std::is_arithmetic_v<T>);
  using Bits = WireBits<T>;
  Bits bits = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&bits, data, sizeof bits);
  } else {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      bits |= static_cast<Bits>(static_cast<Bits>(data[i]) << (8U * i));
    }
  }
  if constexpr (std::is_floating_point_v<T>) {
    return std::bit_cast<T>(bits);
  } else {
    return static_cast<T>(bits);
  }
}

// Writes the number at `at`, which the caller has checked holds sizeof(T)
// bytes.
template <class T>
void StoreLittleEndian(std::uint8_t* at, T value) noexcept {
  static_assert(std::is_arithmetic_v<T>);
  const auto bits = std::bit_cast<WireBits<T>>(value);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(at, &bits, sizeof bits);
  } else {
    for (std::size_t i = 0; i < sizeof bits; ++i) {
      at[i] = static_cast<std::uint8_t>(bits >> (8U * i));
    }
  }
}

}  // namespace ravuna_motion_format
