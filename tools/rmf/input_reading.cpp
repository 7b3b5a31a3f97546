#include "rmf/input_reading.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace rmf {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

Bytes ReadStream(std::FILE* file) {
  Bytes bytes;
  std::array<std::uint8_t, 65536> chunk{};
  std::size_t count = 0;
  while ((count = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) {
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count));
  }
  if (std::ferror(file) != 0) {
    throw InputError(std::strerror(errno));
  }
  return bytes;
}

}  // namespace

std::string InputName(const std::string& path) { return path == "-" ? "standard input" : path; }

Bytes ReadInput(const std::string& path) {
  if (path == "-") {
    return ReadStream(stdin);
  }
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    throw InputError(std::strerror(errno));
  }
  return ReadStream(file.get());
}

bool LooksLikeCapture(const Bytes& bytes) {
  static constexpr std::array<std::array<std::uint8_t, 4>, 5> kMagics = {{
      {0xd4, 0xc3, 0xb2, 0xa1},  // pcap, microseconds, little-endian
      {0xa1, 0xb2, 0xc3, 0xd4},  // pcap, microseconds, big-endian
      {0x4d, 0x3c, 0xb2, 0xa1},  // pcap, nanoseconds, little-endian
      {0xa1, 0xb2, 0x3c, 0x4d},  // pcap, nanoseconds, big-endian
      {0x0a, 0x0d, 0x0d, 0x0a},  // pcapng section header block
  }};
  if (bytes.size() < 4) {
    return false;
  }
  for (const auto& magic : kMagics) {
    if (std::equal(magic.begin(), magic.end(), bytes.begin())) {
      return true;
    }
  }
  return false;
}

}  // namespace rmf
