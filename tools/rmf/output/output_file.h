// Output files written whole or not at all: the content goes to a temporary
// file in the same folder, which replaces the file only once complete, so a
// failure leaves whatever was there before.
#pragma once

#include <string>

#include "rmf/input_reading.h"

namespace rmf {

// A temporary file beside `path`, for any writer that takes a file name.
// Commit() makes it the file at `path`; without Commit() it is removed.
class ReplacingFile {
 public:
  explicit ReplacingFile(std::string path);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  const std::string& TemporaryPath() const { return temporaryPath_; }
  // Flushes the temporary file to disk and renames it over the file; it
  // keeps the permissions of the file it replaces.
  void Commit();

 private:
  std::string path_;
  std::string temporaryPath_;
  bool committed_ = false;
};

// Replaces the file at `path` by `bytes`. Errors name the path.
void WriteFileAtomically(const std::string& path, const Bytes& bytes);

}  // namespace rmf
