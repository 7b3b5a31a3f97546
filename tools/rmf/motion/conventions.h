// How a bone's seven floats are meant. The documents do not say which of
// rotation0..3 is the scalar part, whether a transform is relative to the
// parent or to the world, the unit or the up axis, so every reading is a
// flag with a stated default and is written down beside any output that
// depends on it. Outputs are Y-up, right-handed.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace rmf::motion {

// Where the quaternion's scalar part sits among rotation0..3.
enum class QuaternionOrder { xyzw, wxyz };

// What a bone's transform is relative to: its parent bone, or the world.
enum class Space { local, world };

// The axis that points up in the sender's data.
enum class UpAxis { y, z };

// Euler angles named by their axis sequence, as BVH channels list them: ZXY
// is R = Rz(a) * Rx(b) * Ry(c) acting on column vectors (Y turns first).
enum class EulerOrder { xyz, xzy, yxz, yzx, zxy, zyx };

struct Conventions {
  QuaternionOrder quaternion = QuaternionOrder::xyzw;
  Space space = Space::local;
  double scale = 1.0;  // translations are multiplied by it: 0.001 turns millimetres into metres
  UpAxis up = UpAxis::y;
  EulerOrder euler = EulerOrder::zxy;
};

// The flag words: "xyzw", "local", "y", "ZXY".
std::string_view Name(QuaternionOrder order);
std::string_view Name(Space space);
std::string_view Name(UpAxis up);
std::string_view Name(EulerOrder order);

// The axes of an order in sequence, 0 for X, 1 for Y, 2 for Z.
std::array<int, 3> Axes(EulerOrder order);

// Flag values; Euler orders in either case. An unknown word throws
// InputError naming the choices.
QuaternionOrder ParseQuaternionOrder(std::string_view text);
Space ParseSpace(std::string_view text);
UpAxis ParseUpAxis(std::string_view text);
EulerOrder ParseEulerOrder(std::string_view text);
// A finite number above 0.
double ParseScale(std::string_view text);

// The flags' help, defaults included, shared by every command that takes them.
inline constexpr const char* kQuaternionHelp =
    "Which of rotation0..3 is the scalar part: xyzw (w last) or wxyz (w first); default xyzw";
inline constexpr const char* kSpaceHelp =
    "Bone transforms are relative to the parent bone (local) or to the world (world); "
    "default local";
inline constexpr const char* kScaleHelp =
    "Translations are multiplied by this (0.001: millimetres to metres); default 1";
inline constexpr const char* kUpHelp =
    "The sender's up axis, y or z; z-up data is turned Y-up (x, y, z) -> (x, z, -y); default y";
inline constexpr const char* kEulerHelp =
    "Euler order of written rotations, by axis sequence (ZXY: R = Rz*Rx*Ry, Y turns first): "
    "XYZ, XZY, YXZ, YZX, ZXY or ZYX; default ZXY";

// One line per convention, "quaternion: xyzw (rotation0..2 = x, y, z; rotation3 = w)",
// to write beside an output.
std::vector<std::string> DescribeConventions(const Conventions& conventions);

}  // namespace rmf::motion
