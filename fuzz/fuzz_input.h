// Draws typed values from a fuzz input, front to back. Once the input is
// used up every value reads as zero, so any input, even an empty one, yields
// a complete set of values.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace ravuna_fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) noexcept : data_(data), size_(size) {}

  std::size_t Remaining() const noexcept { return size_ - position_; }

  // The next sizeof(T) bytes as a little-endian integer (zero bytes past the end).
  template <class T>
  T Integer() noexcept {
    static_assert(std::is_integral_v<T>);
    using Bits = std::make_unsigned_t<T>;
    Bits bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      bits = static_cast<Bits>(bits | static_cast<Bits>(static_cast<Bits>(Byte()) << (8U * i)));
    }
    return static_cast<T>(bits);
  }

  std::uint8_t Byte() noexcept { return position_ < size_ ? data_[position_++] : 0; }

  bool Bool() noexcept { return (Byte() & 1U) != 0; }

  // Any bit pattern, NaN payloads and signalling NaNs included.
  float Float() noexcept { return std::bit_cast<float>(Integer<std::uint32_t>()); }
  double Double() noexcept { return std::bit_cast<double>(Integer<std::uint64_t>()); }

  // A number in [0, limit]; limit must be below 2^32 - 1.
  std::uint32_t UpTo(std::uint32_t limit) noexcept {
    return Integer<std::uint32_t>() % (limit + 1);
  }

  // Up to maxLength bytes, zero bytes included; the length comes first.
  std::string Text(std::uint32_t maxLength) {
    const std::size_t length = std::min<std::size_t>(UpTo(maxLength), Remaining());
    std::string text(reinterpret_cast<const char*>(data_ + position_), length);
    position_ += length;
    return text;
  }

  // Up to maxLength raw bytes.
  std::vector<std::uint8_t> Bytes(std::uint32_t maxLength) {
    const std::size_t length = std::min<std::size_t>(UpTo(maxLength), Remaining());
    std::vector<std::uint8_t> bytes(data_ + position_, data_ + position_ + length);
    position_ += length;
    return bytes;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// Fills long arrays once the input is used up: a xorshift generator seeded
// from the input, so large bone counts still carry varied bit patterns.
class BitStream {
 public:
  explicit BitStream(std::uint64_t seed) noexcept : state_(seed | 1U) {}
  std::uint64_t Next() noexcept {
    state_ ^= state_ << 13U;
    state_ ^= state_ >> 7U;
    state_ ^= state_ << 17U;
    return state_;
  }

 private:
  std::uint64_t state_;
};

}  // namespace ravuna_fuzz
