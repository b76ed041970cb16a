// rotatePoint: identities of the table-driven rotation and its truncation toward zero.
#include <gtest/gtest.h>

#include "effects/rotate.h"

namespace {

class Rotate : public ::testing::Test {
protected:
    void SetUp() override { rotate_init_tables(); }
};

Vec3 rotated(uint8_t ax, uint8_t ay, uint8_t az, Vec3 in) {
    Vec3 out{};
    rotatePoint(ax, ay, az, in, out);
    return out;
}

} // namespace

TEST_F(Rotate, ZeroAnglesKeepThePoint) {
    const Vec3 points[] = {{0, 0, 0}, {5, 100, -7}, {-448, 384, 768}, {1, -1, 1}};
    for (const Vec3& p : points) {
        const Vec3 o = rotated(0, 0, 0, p);
        EXPECT_EQ(o.x, p.x);
        EXPECT_EQ(o.y, p.y);
        EXPECT_EQ(o.z, p.z);
    }
}

TEST_F(Rotate, HalfTurnAboutXFlipsAndTruncatesTowardZero) {
    // s(128) is a tiny positive value, so a result just short of an integer drops toward 0.
    const Vec3 o = rotated(128, 0, 0, Vec3{3, 5, 100});
    EXPECT_EQ(o.x, 3);
    EXPECT_EQ(o.y, -4);
    EXPECT_EQ(o.z, -100);

    const Vec3 q = rotated(128, 0, 0, Vec3{-20, -30, 40});
    EXPECT_EQ(q.x, -20);
    EXPECT_NEAR(q.y, 30, 1);
    EXPECT_NEAR(q.z, -40, 1);
    EXPECT_LE(std::abs(q.y), 30);
    EXPECT_LE(std::abs(q.z), 40);
}

TEST_F(Rotate, QuarterTurnAboutY) {
    const Vec3 o = rotated(0, 64, 0, Vec3{30, -12, 70});
    EXPECT_NEAR(o.x, -70, 1);
    EXPECT_NEAR(o.y, -12, 1);
    EXPECT_NEAR(o.z, 30, 1);
}

TEST_F(Rotate, StepFourUsesTheInputY) {
    // az = 64: out.x = x1 c(64) - y s(64) = -y (up to the tiny cosine), not -y1.
    const Vec3 o = rotated(0, 0, 64, Vec3{10, 20, 0});
    EXPECT_NEAR(o.x, -20, 1);
    // y1 = -(y c) - x1 s = -10; out.y = -y1 c(0) = 10.
    EXPECT_NEAR(o.y, 10, 1);
    EXPECT_EQ(o.z, 0);
}
