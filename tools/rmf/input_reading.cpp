#include "rmf/input_reading.h"

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

}  // namespace rmf
