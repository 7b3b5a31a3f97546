// The convention flags on a CLI11 command, for every command that reads
// bones: --quaternion, --space, --scale, --up and --euler, each with its
// default stated in its help. A bad value is a usage error that names the
// flag and its choices.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "rmf/motion/conventions.h"

namespace rmf::motion {

// The value `parse` reads, its refusal turned into CLI11's usage error.
template <class Parse>
auto ParsedFlag(Parse parse, const std::string& text) {
  try {
    return parse(text);
  } catch (const std::exception& error) {
    throw CLI::ValidationError(error.what());
  }
}

inline void AddConventionFlags(CLI::App& command, Conventions& conventions) {
  command.add_option_function<std::string>(
      "--quaternion",
      [&conventions](const std::string& text) {
        conventions.quaternion = ParsedFlag(ParseQuaternionOrder, text);
      },
      kQuaternionHelp);
  command.add_option_function<std::string>(
      "--space",
      [&conventions](const std::string& text) { conventions.space = ParsedFlag(ParseSpace, text); },
      kSpaceHelp);
  command.add_option_function<std::string>(
      "--scale",
      [&conventions](const std::string& text) { conventions.scale = ParsedFlag(ParseScale, text); },
      kScaleHelp);
  command.add_option_function<std::string>(
      "--up",
      [&conventions](const std::string& text) { conventions.up = ParsedFlag(ParseUpAxis, text); },
      kUpHelp);
  command.add_option_function<std::string>(
      "--euler",
      [&conventions](const std::string& text) {
        conventions.euler = ParsedFlag(ParseEulerOrder, text);
      },
      kEulerHelp);
}

}  // namespace rmf::motion
