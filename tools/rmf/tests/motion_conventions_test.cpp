// The conventions module against rotations worked out by hand: 90 degrees
// about each axis in every Euler order, the gimbal cases, quaternion orders,
// Z-up, scale, world to local, and the hierarchy's faults.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <vector>

#include "rmf/input_reading.h"
#include "rmf/motion/skeleton_pose.h"

namespace rmf::motion {
namespace {

constexpr double kRight = std::numbers::pi / 2.0;
constexpr double kDegree = std::numbers::pi / 180.0;

void ExpectNear(const Vec3& got, const Vec3& expected, double tolerance = 1e-12) {
  EXPECT_NEAR(got.x, expected.x, tolerance);
  EXPECT_NEAR(got.y, expected.y, tolerance);
  EXPECT_NEAR(got.z, expected.z, tolerance);
}

TEST(EulerAngles, NinetyDegreesAboutEachAxisInEveryOrder) {
  // The angle lands in the slot of its axis: X in slot 0 of XYZ, slot 2 of YZX...
  for (const EulerOrder order : {EulerOrder::xyz, EulerOrder::xzy, EulerOrder::yxz, EulerOrder::yzx,
                                 EulerOrder::zxy, EulerOrder::zyx}) {
    for (int axis = 0; axis < 3; ++axis) {
      for (const double angle : {kRight, -kRight}) {
        const std::array<double, 3> got = EulerAngles(AboutAxis(axis, angle), order);
        for (std::size_t slot = 0; slot < 3; ++slot) {
          const double expected = Axes(order)[slot] == axis ? angle : 0.0;
          EXPECT_NEAR(got[slot], expected, 1e-12)
              << Name(order) << " axis " << axis << " slot " << slot;
        }
      }
    }
  }
}

TEST(EulerAngles, ComposeInTheOrdersSequence) {
  // ZXY (90, 90, 0) is Rz(90) * Rx(90): Rx keeps X, which Rz sends to Y;
  // Rx sends Y to Z, which Rz keeps.
  const Quaternion q = FromEulerAngles({kRight, kRight, 0.0}, EulerOrder::zxy);
  ExpectNear(Rotate(q, {1, 0, 0}), {0, 1, 0});
  ExpectNear(Rotate(q, {0, 1, 0}), {0, 0, 1});
  // Matrix and quaternion agree: column 0 of R is the turned X axis.
  const Matrix3 m = ToMatrix(q);
  ExpectNear({m[0][0], m[1][0], m[2][0]}, {0, 1, 0});
}

TEST(EulerAngles, RoundTripEveryOrderIncludingGimbalLock) {
  const std::vector<std::array<double, 3>> cases = {{10 * kDegree, 20 * kDegree, 30 * kDegree},
                                                    {-170 * kDegree, 80 * kDegree, 5 * kDegree},
                                                    {30 * kDegree, kRight, 0.0},
                                                    {30 * kDegree, -kRight, 0.0},
                                                    {30 * kDegree, kRight - 1e-7, 40 * kDegree},
                                                    {-60 * kDegree, -kRight + 1e-7, 5 * kDegree},
                                                    {30 * kDegree, kRight - 1e-13, 40 * kDegree},
                                                    {0.0, 0.0, 0.0}};
  for (const EulerOrder order : {EulerOrder::xyz, EulerOrder::xzy, EulerOrder::yxz, EulerOrder::yzx,
                                 EulerOrder::zxy, EulerOrder::zyx}) {
    for (const auto& angles : cases) {
      const Quaternion q = FromEulerAngles(angles, order);
      const std::array<double, 3> back = EulerAngles(q, order);
      EXPECT_TRUE(SameRotation(FromEulerAngles(back, order), q, 1e-14))
          << Name(order) << " " << angles[0] << " " << angles[1] << " " << angles[2];
      EXPECT_LE(std::abs(back[1]), kRight + 1e-15);
    }
  }
  // Exactly at the lock the third angle is 0 and the first carries the turn.
  const std::array<double, 3> locked = EulerAngles(
      FromEulerAngles({30 * kDegree, kRight, 40 * kDegree}, EulerOrder::zxy), EulerOrder::zxy);
  EXPECT_NEAR(locked[0], 70 * kDegree, 1e-7);
  EXPECT_NEAR(locked[1], kRight, 1e-7);
  EXPECT_EQ(locked[2], 0.0);
}

TEST(ReadQuaternion, OrdersLengthsAndZero) {
  const float h = std::sqrt(0.5F);
  struct Case {
    std::array<float, 4> rotation;
    QuaternionOrder order;
    std::optional<Vec3> turnedX;  // where X goes; nothing for no rotation
  };
  const std::vector<Case> cases = {
      {{0, 0, h, h}, QuaternionOrder::xyzw, Vec3{0, 1, 0}},     // 90 about Z, w last
      {{h, 0, 0, h}, QuaternionOrder::wxyz, Vec3{0, 1, 0}},     // the same, w first
      {{0, 0, h, h}, QuaternionOrder::wxyz, Vec3{-1, 0, 0}},    // w 0: 180 about Y+Z
      {{0, 0, 2, 2}, QuaternionOrder::xyzw, Vec3{0, 1, 0}},     // normalised
      {{0, 0, 0, 0}, QuaternionOrder::xyzw, std::nullopt},      // zero length
      {{0, 0, 0, 1e-7F}, QuaternionOrder::xyzw, std::nullopt},  // below 1e-6
      {{NAN, 0, 0, 1}, QuaternionOrder::xyzw, std::nullopt},    // not finite
      {{0, 0, 0, INFINITY}, QuaternionOrder::wxyz, std::nullopt}};
  for (const Case& c : cases) {
    const std::optional<Quaternion> q = ReadQuaternion(c.rotation, c.order);
    ASSERT_EQ(q.has_value(), c.turnedX.has_value());
    if (q) {
      ExpectNear(Rotate(*q, {1, 0, 0}), *c.turnedX, 1e-7);
    }
  }
}

TEST(Conventions, FlagWordsAndRefusals) {
  EXPECT_EQ(ParseQuaternionOrder("wxyz"), QuaternionOrder::wxyz);
  EXPECT_EQ(ParseSpace("world"), Space::world);
  EXPECT_EQ(ParseUpAxis("z"), UpAxis::z);
  EXPECT_EQ(ParseEulerOrder("yzx"), EulerOrder::yzx);
  EXPECT_EQ(ParseScale("0.001"), 0.001);
  EXPECT_EQ(Axes(EulerOrder::zxy), (std::array<int, 3>{2, 0, 1}));
  const std::vector<std::pair<std::function<void()>, std::string>> refused = {
      {[] { ParseQuaternionOrder("xywz"); }, "--quaternion: 'xywz' is not xyzw or wxyz"},
      {[] { ParseSpace("Local"); }, "--space: 'Local' is not local or world"},
      {[] { ParseUpAxis("x"); }, "--up: 'x' is not y or z"},
      {[] { ParseEulerOrder("XXY"); }, "--euler: 'XXY' is not XYZ, XZY, YXZ, YZX, ZXY or ZYX"},
      {[] { ParseScale("0"); }, "--scale: '0' is not a number above 0"},
      {[] { ParseScale("1e999"); }, "--scale: '1e999' is not a number above 0"},
      {[] { ParseScale("2m"); }, "--scale: '2m' is not a number above 0"}};
  for (const auto& [parse, message] : refused) {
    try {
      parse();
      ADD_FAILURE() << "accepted: " << message;
    } catch (const InputError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
  const std::vector<std::string> lines = DescribeConventions({});
  ASSERT_EQ(lines.size(), 5U);
  EXPECT_EQ(lines[0], "quaternion: xyzw (rotation0..2 = x, y, z; rotation3 = w), normalised");
  EXPECT_EQ(lines[4], "euler: ZXY (R = Rz * Rx * Ry on column vectors, degrees, right-handed)");
}

TEST(Hierarchy, FaultsAreNamed) {
  struct Case {
    std::vector<int> ids;
    std::vector<int> parents;
    std::string problem;  // "" when usable
  };
  const std::vector<Case> cases = {{{0, 1, 2}, {-1, 0, 0}, ""},
                                   {{5, 7}, {-1, -1}, ""},   // two roots
                                   {{-1, 3}, {-1, -1}, ""},  // -1 is a root's parent, never bone -1
                                   {{0, 1, 1}, {-1, 0, 0}, "bone 1 is defined more than once"},
                                   {{0, 1}, {-1, 9}, "bone 1: parent 9 is no bone of the skeleton"},
                                   {{0, 1, 2}, {-1, 2, 1}, "bone 1 is its own ancestor (parent 2)"},
                                   {{4}, {4}, "bone 4 is its own ancestor (parent 4)"}};
  for (const Case& c : cases) {
    const Hierarchy hierarchy(c.ids, c.parents);
    EXPECT_EQ(hierarchy.Usable(), c.problem.empty());
    EXPECT_EQ(hierarchy.Problems().empty() ? "" : hierarchy.Problems()[0].Describe(), c.problem);
    EXPECT_EQ(hierarchy.ParentsFirst().size(), c.problem.empty() ? c.ids.size() : 0U);
  }
  const Hierarchy tree(std::vector<int>{0, 1, 2, 3}, std::vector<int>{-1, 2, 0, 0});
  EXPECT_EQ(tree.ParentsFirst(), (std::vector<std::size_t>{0, 2, 1, 3}));
}

// Root at (0, 1, 0) turned 90 degrees about Y, a child 1 along X from it:
// the child sits at (0, 1, -1). Given in world space, the same positions
// give back the local transforms.
TEST(Pose, LocalAndWorldThroughTheHierarchy) {
  const Hierarchy chain(std::vector<int>{10, 11}, std::vector<int>{-1, 10});
  const float h = std::sqrt(0.5F);
  const std::vector<BoneFloats> local = {{0, h, 0, h, 0, 1, 0}, {0, 0, 0, 1, 1, 0, 0}};
  const Pose pose = ComputePose(chain, local, {});
  ASSERT_TRUE(pose.usable);
  ExpectNear(pose.joints[1].world.translation, {0, 1, -1}, 1e-7);

  Conventions world;
  world.space = Space::world;
  const std::vector<BoneFloats> worldFloats = {{0, h, 0, h, 0, 1, 0}, {0, h, 0, h, 0, 1, -1}};
  const Pose back = ComputePose(chain, worldFloats, world);
  ASSERT_TRUE(back.usable);
  ExpectNear(back.joints[1].local.translation, {1, 0, 0}, 1e-7);
  EXPECT_TRUE(SameRotation(back.joints[1].local.rotation, Quaternion{}, 1e-14));

  // Millimetres, Z-up, w first: the child 1000 mm up Z is 1 m up Y.
  Conventions zUp;
  zUp.scale = 0.001;
  zUp.up = UpAxis::z;
  zUp.quaternion = QuaternionOrder::wxyz;
  const std::vector<BoneFloats> zFloats = {{1, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 1000}};
  ExpectNear(ComputePose(chain, zFloats, zUp).joints[1].world.translation, {0, 1, 0});
  // A Z-up turn about Z is a Y-up turn about Y.
  const std::vector<BoneFloats> turned = {{h, 0, 0, h, 0, 0, 0}, {1, 0, 0, 0, 1000, 0, 0}};
  ExpectNear(ComputePose(chain, turned, zUp).joints[1].world.translation, {0, 0, -1}, 1e-7);

  const std::vector<BoneFloats> zero = {{0, 0, 0, 1, 0, 0, 0}, {0, 0, 0, 0, 1, 0, 0}};
  const Pose stopped = ComputePose(chain, zero, {});
  EXPECT_FALSE(stopped.usable);
  EXPECT_EQ(stopped.zeroQuaternionBone, 11);
  const std::vector<BoneFloats> infinite = {{0, 0, 0, 1, INFINITY, 0, 0}, {0, 0, 0, 1, 1, 0, 0}};
  EXPECT_EQ(ComputePose(chain, infinite, {}).nonFiniteBone, 10);
}

TEST(MatchBones, MissingUnknownAndRepeatedIds) {
  const Hierarchy hierarchy(std::vector<int>{1, 2, 3}, std::vector<int>{-1, 1, 1});
  std::array<std::vector<float>, 7> transforms;
  transforms[4] = {30, 10, 11, 99};  // translation0 of ids 3, 1, 9, 1
  const MatchedBones matched = MatchBones(hierarchy, std::vector<int>{3, 1, 9, 1}, transforms);
  EXPECT_EQ(matched.floats[0][4], 10.0F);
  EXPECT_EQ(matched.floats[2][4], 30.0F);
  EXPECT_EQ(matched.floats[0][3], 0.0F);  // a missing component reads as 0
  EXPECT_EQ(matched.missing, std::vector<int>{2});
  EXPECT_EQ(matched.unknown, std::vector<int>{9});
  EXPECT_EQ(matched.repeated, std::vector<int>{1});
  EXPECT_FALSE(matched.Complete());
}

}  // namespace
}  // namespace rmf::motion
