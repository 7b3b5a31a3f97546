#include "rmf/motion/conventions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "rmf/input_reading.h"
#include "rmf/output/value_format.h"

namespace rmf::motion {
namespace {

constexpr std::array<EulerOrder, 6> kEulerOrders = {EulerOrder::xyz, EulerOrder::xzy,
                                                    EulerOrder::yxz, EulerOrder::yzx,
                                                    EulerOrder::zxy, EulerOrder::zyx};

[[noreturn]] void Refuse(std::string_view flag, std::string_view text, std::string_view choices) {
  throw InputError(std::string(flag) + ": '" + std::string(text) + "' is not " +
                   std::string(choices));
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

}  // namespace

std::string_view Name(QuaternionOrder order) {
  return order == QuaternionOrder::xyzw ? "xyzw" : "wxyz";
}

std::string_view Name(Space space) { return space == Space::local ? "local" : "world"; }

std::string_view Name(UpAxis up) { return up == UpAxis::y ? "y" : "z"; }

std::string_view Name(EulerOrder order) {
  static constexpr std::array<std::string_view, 6> kNames = {"XYZ", "XZY", "YXZ",
                                                             "YZX", "ZXY", "ZYX"};
  return kNames[static_cast<std::size_t>(order)];
}

std::array<int, 3> Axes(EulerOrder order) {
  const std::string_view name = Name(order);
  return {name[0] - 'X', name[1] - 'X', name[2] - 'X'};
}

QuaternionOrder ParseQuaternionOrder(std::string_view text) {
  if (text == "xyzw" || text == "wxyz") {
    return text == "xyzw" ? QuaternionOrder::xyzw : QuaternionOrder::wxyz;
  }
  Refuse("--quaternion", text, "xyzw or wxyz");
}

Space ParseSpace(std::string_view text) {
  if (text == "local" || text == "world") {
    return text == "local" ? Space::local : Space::world;
  }
  Refuse("--space", text, "local or world");
}

UpAxis ParseUpAxis(std::string_view text) {
  if (text == "y" || text == "z") {
    return text == "y" ? UpAxis::y : UpAxis::z;
  }
  Refuse("--up", text, "y or z");
}

EulerOrder ParseEulerOrder(std::string_view text) {
  const std::string upper = Upper(text);
  for (const EulerOrder order : kEulerOrders) {
    if (upper == Name(order)) {
      return order;
    }
  }
  Refuse("--euler", text, "XYZ, XZY, YXZ, YZX, ZXY or ZYX");
}

double ParseScale(std::string_view text) {
  double scale = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), scale);
  if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(scale) ||
      scale <= 0.0) {
    Refuse("--scale", text, "a number above 0");
  }
  return scale;
}

std::vector<std::string> DescribeConventions(const Conventions& conventions) {
  const bool wLast = conventions.quaternion == QuaternionOrder::xyzw;
  const std::array<int, 3> axes = Axes(conventions.euler);
  std::string product;
  for (const int axis : axes) {
    product += std::string(product.empty() ? "" : " * ") + "R" + static_cast<char>('x' + axis);
  }
  return {
      "quaternion: " + std::string(Name(conventions.quaternion)) +
          (wLast ? " (rotation0..2 = x, y, z; rotation3 = w)"
                 : " (rotation0 = w; rotation1..3 = x, y, z)") +
          ", normalised",
      "space: " + std::string(Name(conventions.space)) +
          (conventions.space == Space::local ? " (each bone relative to its parent bone)"
                                             : " (each bone relative to the world; turned into "
                                               "parent-relative through the hierarchy)"),
      "scale: " + FormatDouble(conventions.scale) + " (translations multiplied by it)",
      "up: " + std::string(Name(conventions.up)) +
          (conventions.up == UpAxis::y ? " (kept: output is Y-up)"
                                       : " (turned Y-up: (x, y, z) -> (x, z, -y))"),
      "euler: " + std::string(Name(conventions.euler)) + " (R = " + product +
          " on column vectors, degrees, right-handed)",
  };
}

}  // namespace rmf::motion
