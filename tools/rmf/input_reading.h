// Getting the bytes to inspect: files or standard input, whole.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace rmf {

using Bytes = std::vector<std::uint8_t>;

// An input the tool cannot use: unreadable file, bad hex, bad JSON. Its
// message does not name the input; the command that read it adds the name.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A document the library rejects, or the values of one: exit status 1
// rather than the 2 of other input errors.
class RejectedDocument : public InputError {
 public:
  using InputError::InputError;
};

// How messages name an input: "standard input" for "-", else the path.
std::string InputName(const std::string& path);

// The whole content of the file, or of standard input for "-"; an
// InputError with the system's reason (no such file, a directory, ...).
Bytes ReadInput(const std::string& path);

}  // namespace rmf
