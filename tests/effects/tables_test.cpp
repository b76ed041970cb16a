// Start-up tables (angle and wave tables, particles, generator, bar phases) and rotatePoint.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demo/tables.h"
#include "effects/rotate.h"

namespace {

std::string str(const Vec3& v) {
    return std::to_string(v.x) + "," + std::to_string(v.y) + "," + std::to_string(v.z);
}

} // namespace

TEST(Tables, AngleAndPlasmaTables) {
    rotate_init_tables();
    EXPECT_EQ(angleSin[0], 0.0);
    EXPECT_EQ(angleSin[64], 1.0);
    EXPECT_EQ(angleCos[128], -1.0);
    EXPECT_DOUBLE_EQ(angleSin[32], std::sqrt(0.5));
    EXPECT_EQ(angleCos[256], 1.0); // entry 256 closes the circle
    // Double precision throughout: single precision changes plasmaCos[2] among others.
    tables_fill_plasma();
    EXPECT_EQ(std::vector<int>(plasmaSin, plasmaSin + 4),
              std::vector<int>({0, 14582, 29155, 43710}));
    EXPECT_EQ(std::vector<int>(plasmaCos, plasmaCos + 4),
              std::vector<int>({589824, 589643, 589102, 588202}));
    EXPECT_EQ(plasmaCos[319], -19727);
}

TEST(Tables, ParticlesGeneratorAndBarPhases) {
    const double s = std::sin(0.09817477042468103);
    EXPECT_EQ(str(makeParticle(0, 0, 0.0, 0)), "-128,192,0");
    EXPECT_EQ(str(makeParticle(4, 253, s, 0)), "-72,234,3");
    EXPECT_EQ(str(makeParticle(4, 253, s, 1)), "-72,234,-21");
    random_seed(0);
    EXPECT_EQ(random_next(), 38);
    EXPECT_EQ(random_next(), 7719);
    EXPECT_EQ(random_next(), 21238);
    random_seed(0);
    uint8_t bars[BAR_PHASE_COUNT];
    tables_fill_bar_phases(bars);
    EXPECT_EQ(std::vector<int>(bars, bars + 8),
              std::vector<int>({67, 49, 156, 53, 200, 207, 253, 92}));
}

TEST(Rotate, IdentitiesAndTruncationTowardZero) {
    rotate_init_tables();
    const auto rotated = [](uint8_t ax, uint8_t ay, uint8_t az, Vec3 in) {
        Vec3 out{};
        rotatePoint(ax, ay, az, in, out);
        return str(out);
    };
    EXPECT_EQ(rotated(0, 0, 0, {5, 100, -7}), "5,100,-7");
    EXPECT_EQ(rotated(0, 0, 0, {-448, 384, 768}), "-448,384,768");
    // s(128) is a tiny positive value, so at ax = 128 a result just short of an integer
    // truncates toward 0.
    EXPECT_EQ(rotated(128, 0, 0, {3, 5, 100}), "3,-4,-100");
    EXPECT_EQ(rotated(128, 0, 0, {-20, -30, 40}), "-20,30,-39");
    EXPECT_EQ(rotated(0, 64, 0, {30, -12, 70}), "-70,-12,30");
    EXPECT_EQ(rotated(0, 0, 64, {10, 20, 0}), "-20,10,0"); // the last step uses the input y
}
