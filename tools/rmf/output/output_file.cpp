#include "rmf/output/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace rmf {
namespace {

[[noreturn]] void FailOn(const std::string& path, int error) {
  throw InputError("cannot write '" + path + "': " + std::strerror(error));
}

// The file the path names once symbolic links are followed, so that
// replacing it keeps the link.
std::string ResolvedPath(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_symlink(path, error)) {
    return path;
  }
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
  return error ? path : target.string();
}

// mkstemp makes the file private: the replacement gets the permissions of
// the file it replaces, or those a newly created file would get.
mode_t ModeFor(const std::string& path) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0) {
    return existing.st_mode & 07777U;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666U & ~mask;
}

// Closes the descriptor, reporting a failed close as the write error it is.
void CloseChecked(int descriptor, const std::string& path) {
  if (::close(descriptor) != 0) {
    FailOn(path, errno);
  }
}

}  // namespace

ReplacingFile::ReplacingFile(std::string path) : path_(ResolvedPath(path)) {
  const std::filesystem::path target(path_);
  std::string hiddenName = ".";
  hiddenName += target.filename().string();
  hiddenName += ".rmf-XXXXXX";
  std::string pattern = (target.parent_path() / hiddenName).string();
  const int descriptor = ::mkstemp(pattern.data());
  if (descriptor < 0) {
    FailOn(path_, errno);
  }
  temporaryPath_ = pattern;
  const int modeError = ::fchmod(descriptor, ModeFor(path_)) != 0 ? errno : 0;
  CloseChecked(descriptor, path_);
  if (modeError != 0) {
    FailOn(path_, modeError);
  }
}

ReplacingFile::~ReplacingFile() {
  if (!committed_) {
    std::remove(temporaryPath_.c_str());
  }
}

void ReplacingFile::Commit() {
  const int descriptor = ::open(temporaryPath_.c_str(), O_WRONLY | O_CLOEXEC);
  if (descriptor < 0) {
    FailOn(path_, errno);
  }
  const int syncError = ::fsync(descriptor) != 0 ? errno : 0;
  CloseChecked(descriptor, path_);
  if (syncError != 0) {
    FailOn(path_, syncError);
  }
  if (std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
    FailOn(path_, errno);
  }
  committed_ = true;
}

void WriteFileAtomically(const std::string& path, const Bytes& bytes) {
  ReplacingFile file(path);
  std::FILE* stream = std::fopen(file.TemporaryPath().c_str(), "wb");
  if (stream == nullptr) {
    FailOn(path, errno);
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
  const int writeError = written ? 0 : errno;
  if (std::fclose(stream) != 0 || !written) {
    FailOn(path, writeError != 0 ? writeError : errno);
  }
  file.Commit();
}

}  // namespace rmf
