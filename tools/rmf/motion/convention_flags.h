// The convention flags on a CLI11 command, for every command that reads
// bones: --quaternion, --space, --scale, --up and --euler, each with its
// default stated in its help. A bad value stops parsing with an
// InputError that names the flag and its choices.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "rmf/motion/conventions.h"

namespace rmf::motion {

inline void AddConventionFlags(CLI::App& command, Conventions& conventions) {
  command.add_option_function<std::string>(
      "--quaternion",
      [&conventions](const std::string& text) {
        conventions.quaternion = ParseQuaternionOrder(text);
      },
      kQuaternionHelp);
  command.add_option_function<std::string>(
      "--space", [&conventions](const std::string& text) { conventions.space = ParseSpace(text); },
      kSpaceHelp);
  command.add_option_function<std::string>(
      "--scale", [&conventions](const std::string& text) { conventions.scale = ParseScale(text); },
      kScaleHelp);
  command.add_option_function<std::string>(
      "--up", [&conventions](const std::string& text) { conventions.up = ParseUpAxis(text); },
      kUpHelp);
  command.add_option_function<std::string>(
      "--euler",
      [&conventions](const std::string& text) { conventions.euler = ParseEulerOrder(text); },
      kEulerHelp);
}

}  // namespace rmf::motion
