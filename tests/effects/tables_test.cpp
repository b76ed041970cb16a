// Start-up tables: angle and wave tables, the particle formula, the generator, bar phases.
#include <cmath>

#include <gtest/gtest.h>

#include "demo/tables.h"

TEST(Tables, AngleTablesHitTheQuarterPoints) {
    rotate_init_tables();
    EXPECT_EQ(angleSin[0], 0.0);
    EXPECT_EQ(angleSin[64], 1.0);
    EXPECT_EQ(angleCos[128], -1.0);
    EXPECT_EQ(angleCos[0], 1.0);
    EXPECT_DOUBLE_EQ(angleSin[32], std::sqrt(0.5));
    // Entry 256 closes the circle.
    EXPECT_NEAR(angleSin[256], 0.0, 1e-15);
    EXPECT_EQ(angleCos[256], 1.0);
}

TEST(Tables, PlasmaTablesAreDoublePrecision) {
    tables_fill_plasma();
    const int32_t sinStart[4] = {0, 14582, 29155, 43710};
    const int32_t cosStart[4] = {589824, 589643, 589102, 588202};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(plasmaSin[i], sinStart[i]) << i;
        EXPECT_EQ(plasmaCos[i], cosStart[i]) << i;
    }
    EXPECT_EQ(plasmaCos[319], -19727);
}

TEST(Tables, ParticleFormula) {
    const Vec3 a = makeParticle(0, 0, 0.0, 0);
    EXPECT_EQ(a.x, -128);
    EXPECT_EQ(a.y, 192);
    EXPECT_EQ(a.z, 0);

    const double s = std::sin(0.09817477042468103);
    const Vec3 b = makeParticle(4, 253, s, 0);
    EXPECT_EQ(b.x, -72);
    EXPECT_EQ(b.y, 234);
    EXPECT_EQ(b.z, 3);
    EXPECT_EQ(makeParticle(4, 253, s, 1).z, -21);
}

TEST(Tables, InitialCloudStepsThePhases) {
    Vec3 cloud[PARTICLE_COUNT];
    uint8_t a = 10, b = 20, c = 30;
    tables_fill_particles(cloud, a, b, c);
    EXPECT_EQ(a, uint8_t(10 + 4 * PARTICLE_COUNT));
    EXPECT_EQ(b, uint8_t(20 - 3 * PARTICLE_COUNT));
    EXPECT_EQ(c, uint8_t(30 + PARTICLE_COUNT));

    const Vec3 p0 = makeParticle(10, 20, 0.0, 30);
    EXPECT_EQ(cloud[0].x, p0.x);
    EXPECT_EQ(cloud[0].y, p0.y);
    EXPECT_EQ(cloud[0].z, p0.z);
    const Vec3 p5 = makeParticle(30, 5, std::sin(5 * 0.09817477042468103), 35);
    EXPECT_EQ(cloud[5].x, p5.x);
    EXPECT_EQ(cloud[5].y, p5.y);
    EXPECT_EQ(cloud[5].z, p5.z);
}

TEST(Tables, RandomGeneratorAndBarPhases) {
    random_seed(0);
    EXPECT_EQ(random_next(), 38);
    EXPECT_EQ(random_next(), 7719);
    EXPECT_EQ(random_next(), 21238);

    random_seed(0);
    uint8_t bars[BAR_PHASE_COUNT];
    tables_fill_bar_phases(bars);
    const uint8_t start[8] = {67, 49, 156, 53, 200, 207, 253, 92};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bars[i], start[i]) << i;
}
