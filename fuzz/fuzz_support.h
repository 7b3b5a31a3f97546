// Shared by the fuzz targets: values drawn from the input, documents encoded
// through the exports and through the box tree, the readers' outputs through
// the exports and through the general walk, and edits of encoded documents.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Aborts on a failed expectation: libFuzzer saves the input, replays fail.
#define RAVUNA_FUZZ_CHECK(condition)                                                           \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "%s:%d: expectation failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                            \
    }                                                                                          \
  } while (false)

namespace ravuna_fuzz {

using Bytes = std::vector<std::uint8_t>;

// Draws values front to back; past the end every byte reads as 0.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) noexcept : data_(data), size_(size) {}
  std::size_t Remaining() const noexcept { return size_ - position_; }
  std::uint8_t Byte() noexcept { return position_ < size_ ? data_[position_++] : 0; }
  bool Bool() noexcept { return (Byte() & 1U) != 0; }
  template <class T>
  T Integer() noexcept {  // little-endian
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      bits |= static_cast<std::uint64_t>(Byte()) << (8U * i);
    }
    return static_cast<T>(bits);
  }
  std::uint32_t UpTo(std::uint32_t limit) noexcept {
    return Integer<std::uint32_t>() % (limit + 1);
  }
  std::string Text(std::uint32_t maxLength);  // length first, zero bytes kept

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

enum class Kind : std::uint8_t { skeletonDefinition, frameData, sensorData };

// One serialising export's arguments: any float bit pattern, texts with zero
// bytes, bone counts mostly up to 16, one in 256 up to 4096, one in 256 negative.
struct DocumentValues {
  Kind kind = Kind::skeletonDefinition;
  std::string ipText;
  std::uint64_t packedAddress = 0;  // what ipText packs to, before the modulus
  std::uint32_t port = 0;
  int boneCount = 0;
  std::vector<int> ids, parentIds;
  std::array<std::vector<float>, 7> transform;
  int frameNumber = 0;
  float time = 0.0F;
  double uttm = 0.0;
  std::array<unsigned char, 5> timecode{};
  bool flag = false;
  std::string address, name;
  int jointIndex = 0;
  std::array<float, 7> values{};
};

DocumentValues DrawDocument(FuzzInput& input);
Bytes EncodeThroughExport(const DocumentValues& values);
Bytes EncodeThroughTree(const DocumentValues& values);

// Parsing outputs, floats as bits; fields a call leaves alone keep sentinels.
struct BoneRead {
  bool ok = false;
  std::uint64_t ip = 0xA5A5A5A5A5A5A5A5U;
  std::uint32_t port = 0xFFFFFFFFU;
  int count = -7;
  std::vector<int> ids, parentIds;
  std::array<std::vector<std::uint32_t>, 7> transform;
  int frameNumber = -7;
  std::uint32_t time = 1;
  std::uint64_t uttm = 1;
  std::array<unsigned char, 6> timecode{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};  // last: the flag
  bool operator==(const BoneRead&) const = default;
};

struct SensorRead {
  bool ok = false;
  std::uint64_t ip = 0xA5A5A5A5A5A5A5A5U;
  std::uint32_t port = 0xFFFFFFFFU;
  std::uint64_t uttm = 1;
  std::string address, name;
  int jointIndex = -7;
  std::array<std::uint32_t, 7> values{1, 1, 1, 1, 1, 1, 1};
  bool operator==(const SensorRead&) const = default;
};

BoneRead ReadSkeletonThroughExport(const Bytes& bytes);
BoneRead ReadFrameThroughExport(const Bytes& bytes);
// Takes each text's given length and checks the terminator after it.
SensorRead ReadSensorThroughExport(const Bytes& bytes, std::size_t addressLength,
                                   std::size_t nameLength);

// Every parsing export's outputs equal the general walk's, failures included,
// and a parse succeeds only where detection agrees. Returns the parses' results.
std::array<bool, 3> CheckEveryReader(const Bytes& bytes);

// Up to maxEdits edits: sizes made hostile or nudged, codes swapped, boxes
// duplicated, dropped or wrapped, bytes cut, inserted or overwritten.
void EditDocument(FuzzInput& input, Bytes& document, int maxEdits);

}  // namespace ravuna_fuzz
