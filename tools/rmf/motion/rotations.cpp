#include "rmf/motion/rotations.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace rmf::motion {
namespace {

// Below this cos(b) the first and third axes coincide: only a + c or a - c
// is known, so the third angle is set to 0.
constexpr double kGimbalCosine = 1e-12;

// The turn from Z-up to Y-up: -90 degrees about X.
const Quaternion kZUpToYUp = AboutAxis(0, -std::numbers::pi / 2.0);

}  // namespace

Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Vec3 operator*(double factor, const Vec3& v) { return {factor * v.x, factor * v.y, factor * v.z}; }

Quaternion operator*(const Quaternion& a, const Quaternion& b) {
  return {
      a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
      a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion Conjugate(const Quaternion& q) { return {q.w, -q.x, -q.y, -q.z}; }

Vec3 Rotate(const Quaternion& q, const Vec3& v) {
  const Quaternion turned = q * Quaternion{0.0, v.x, v.y, v.z} * Conjugate(q);
  return {turned.x, turned.y, turned.z};
}

Matrix3 ToMatrix(const Quaternion& q) {
  const double xx = q.x * q.x;
  const double yy = q.y * q.y;
  const double zz = q.z * q.z;
  const double xy = q.x * q.y;
  const double xz = q.x * q.z;
  const double yz = q.y * q.z;
  const double wx = q.w * q.x;
  const double wy = q.w * q.y;
  const double wz = q.w * q.z;
  return {{{1.0 - 2.0 * (yy + zz), 2.0 * (xy - wz), 2.0 * (xz + wy)},
           {2.0 * (xy + wz), 1.0 - 2.0 * (xx + zz), 2.0 * (yz - wx)},
           {2.0 * (xz - wy), 2.0 * (yz + wx), 1.0 - 2.0 * (xx + yy)}}};
}

Quaternion AboutAxis(int axis, double radians) {
  Quaternion q{std::cos(radians / 2.0), 0.0, 0.0, 0.0};
  const double s = std::sin(radians / 2.0);
  (axis == 0 ? q.x : axis == 1 ? q.y : q.z) = s;
  return q;
}

bool SameRotation(const Quaternion& a, const Quaternion& b, double tolerance) {
  const double dot = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
  return 1.0 - std::abs(dot) <= tolerance;
}

std::optional<Quaternion> ReadQuaternion(const std::array<float, 4>& rotation,
                                         QuaternionOrder order) {
  const auto part = [&](std::size_t k) { return static_cast<double>(rotation[k]); };
  const Quaternion q = order == QuaternionOrder::xyzw
                           ? Quaternion{part(3), part(0), part(1), part(2)}
                           : Quaternion{part(0), part(1), part(2), part(3)};
  const double length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  if (!std::isfinite(length) || length < kShortestQuaternion) {
    return std::nullopt;
  }
  return Quaternion{q.w / length, q.x / length, q.y / length, q.z / length};
}

// With axes i, j, k and s = +1 for the cyclic orders (XYZ, YZX, ZXY), -1 for
// the others, R = Ri(a) Rj(b) Rk(c) has R[i][k] = s sin b,
// R[j][k] = -s cos b sin a, R[k][k] = cos b cos a, R[i][j] = -s cos b sin c
// and R[i][i] = cos b cos c; at cos b = 0 with c = 0, R[k][j] = s sin a and
// R[j][j] = cos a.
std::array<double, 3> EulerAngles(const Quaternion& q, EulerOrder order) {
  const auto [i, j, k] = Axes(order);
  const auto ui = static_cast<std::size_t>(i);
  const auto uj = static_cast<std::size_t>(j);
  const auto uk = static_cast<std::size_t>(k);
  const double s = (j - i + 3) % 3 == 1 ? 1.0 : -1.0;
  const Matrix3 m = ToMatrix(q);
  const double cosB = std::hypot(m[ui][ui], m[ui][uj]);
  const double b = std::atan2(s * m[ui][uk], cosB);
  if (cosB < kGimbalCosine) {
    return {std::atan2(s * m[uk][uj], m[uj][uj]), b, 0.0};
  }
  return {std::atan2(-s * m[uj][uk], m[uk][uk]), b, std::atan2(-s * m[ui][uj], m[ui][ui])};
}

Quaternion FromEulerAngles(const std::array<double, 3>& angles, EulerOrder order) {
  const std::array<int, 3> axes = Axes(order);
  return AboutAxis(axes[0], angles[0]) * AboutAxis(axes[1], angles[1]) *
         AboutAxis(axes[2], angles[2]);
}

Vec3 ToYUp(const Vec3& v, UpAxis up) { return up == UpAxis::y ? v : Vec3{v.x, v.z, -v.y}; }

Quaternion ToYUp(const Quaternion& q, UpAxis up) {
  return up == UpAxis::y ? q : kZUpToYUp * q * Conjugate(kZUpToYUp);
}

}  // namespace rmf::motion
