// BVH of a sender's frames: the hierarchy of the skeleton definition that
// comes before them, one MOTION line per frame, rotations as Euler angles in
// the declared order, and a sidecar (JSON) stating every convention used.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "rmf/export/export_problems.h"
#include "rmf/export/sender_streams.h"
#include "rmf/motion/conventions.h"
#include "rmf/output/json_values.h"

namespace rmf {

struct BvhOptions {
  motion::Conventions conventions;
  // Position channels on every joint rather than the root alone, for frames
  // whose translations differ from the skeleton's offsets.
  bool jointPositions = false;
  std::map<int, std::string> names;  // joint names by bone id; others are bone_<id>
};

struct BvhFile {
  std::string text;  // empty when no frame could be written
  Json sidecar;      // the conventions, frame time and its source, joints, frames, problems
  std::uint64_t frames = 0;
  std::size_t joints = 0;
  std::string frameTime;  // "0.016666668 s, the median of 3 uttm intervals"
};

BvhFile ExportBvh(const SenderStream& stream, const BvhOptions& options, ExportProblems& problems);

// A names file: one "ID NAME" a line; blank lines and lines from '#' on are
// skipped. A name is a run of printable characters without blanks or braces.
// Errors name the line.
std::map<int, std::string> ParseJointNames(const std::string& text);

}  // namespace rmf
