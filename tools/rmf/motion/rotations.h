// Quaternions, rotation matrices and Euler angles in double precision, for
// turning the documents' float quaternions into what other tools read.
#pragma once

#include <array>
#include <optional>

#include "rmf/motion/conventions.h"

namespace rmf::motion {

struct Vec3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

// A rotation q = w + xi + yj + zk; unit length wherever this module makes one.
struct Quaternion {
  double w = 1.0;
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

// Row-major: m[row][column], acting on column vectors.
using Matrix3 = std::array<std::array<double, 3>, 3>;

Vec3 operator+(const Vec3& a, const Vec3& b);
Vec3 operator-(const Vec3& a, const Vec3& b);
Vec3 operator*(double factor, const Vec3& v);

// a * b turns by b first, then by a.
Quaternion operator*(const Quaternion& a, const Quaternion& b);
Quaternion Conjugate(const Quaternion& q);
Vec3 Rotate(const Quaternion& q, const Vec3& v);
Matrix3 ToMatrix(const Quaternion& q);

// The rotation by `radians` about axis 0 (X), 1 (Y) or 2 (Z).
Quaternion AboutAxis(int axis, double radians);

// Whether a and b turn alike within `tolerance` (q and -q are one rotation).
bool SameRotation(const Quaternion& a, const Quaternion& b, double tolerance);

// A quaternion whose length is below this, or that holds a non-finite
// value, stands for no rotation at all.
inline constexpr double kShortestQuaternion = 1e-6;

// The rotation that rotation0..3 hold in the given order, normalised;
// nothing for a zero-length or non-finite one.
std::optional<Quaternion> ReadQuaternion(const std::array<float, 4>& rotation,
                                         QuaternionOrder order);

// Angles in radians, in the order's axis sequence, such that
// R = R_first(a[0]) * R_second(a[1]) * R_third(a[2]). The middle angle lies
// in [-pi/2, pi/2]; where it is +-pi/2 (gimbal lock) the third is 0.
std::array<double, 3> EulerAngles(const Quaternion& q, EulerOrder order);
Quaternion FromEulerAngles(const std::array<double, 3>& angles, EulerOrder order);

// Z-up data turned Y-up by -90 degrees about X: (x, y, z) -> (x, z, -y);
// Y-up data as it is.
Vec3 ToYUp(const Vec3& v, UpAxis up);
Quaternion ToYUp(const Quaternion& q, UpAxis up);

}  // namespace rmf::motion
