// The animation tick: light pattern phases, the particle respawn walk and the tick counter.
#include <gtest/gtest.h>

#include "demo/demo.h"

namespace {

struct TickDemo {
    Demo demo;
    TickDemo() {
        demo.particles = new Vec3[PARTICLE_COUNT]();
        for (int i = 0; i < PARTICLE_COUNT; i++) demo.particles[i] = Vec3{0, 0, 0};
    }
    ~TickDemo() { delete[] demo.particles; }
};

} // namespace

TEST(DemoTick, PlasmaPhasesStepEveryTick) {
    TickDemo d;
    d.demo.plasmaPhase[0] = 254;
    d.demo.plasmaPhase[1] = 255;
    d.demo.plasmaPhase[2] = 0;
    d.demo.plasmaPhase[3] = 0;
    d.demo.tick();
    EXPECT_EQ(d.demo.plasmaPhase[0], 1);
    EXPECT_EQ(d.demo.plasmaPhase[1], 0);
    EXPECT_EQ(d.demo.plasmaPhase[2], 3);
    EXPECT_EQ(d.demo.plasmaPhase[3], 255);
    d.demo.tick();
    EXPECT_EQ(d.demo.plasmaPhase[3], 254);
}

TEST(DemoTick, RespawnWalksConsecutiveDeepParticlesThenResets) {
    TickDemo d;
    d.demo.respawnCursor = 5;
    d.demo.particles[5].z = -129;
    d.demo.particles[6].z = -500;
    d.demo.particles[7].z = -128;
    d.demo.particlePhaseA = 10;
    d.demo.particlePhaseB = 1;
    d.demo.tickCounter = 300;

    d.demo.tick();
    Vec3 expected = makeParticle(10, 1, Demo::S_RUN, 300 % 255);
    EXPECT_EQ(d.demo.particles[5].x, expected.x);
    EXPECT_EQ(d.demo.particles[5].y, expected.y);
    EXPECT_EQ(d.demo.particles[5].z, expected.z);
    EXPECT_EQ(d.demo.respawnCursor, 6);
    EXPECT_EQ(d.demo.particlePhaseA, 14);
    EXPECT_EQ(d.demo.particlePhaseB, 254);

    d.demo.tick();
    expected = makeParticle(14, 254, Demo::S_RUN, 301 % 255);
    EXPECT_EQ(d.demo.particles[6].z, expected.z);
    EXPECT_EQ(d.demo.respawnCursor, 7);

    d.demo.tick(); // particle 7 is not below -128
    EXPECT_EQ(d.demo.respawnCursor, 0);
    EXPECT_EQ(d.demo.particles[7].z, -128);
    EXPECT_EQ(d.demo.particlePhaseA, 18);
    EXPECT_EQ(d.demo.tickCounter, 303u);
}

TEST(DemoTick, TickCounterWrapsUnsigned) {
    TickDemo d;
    d.demo.tickCounter = 0xFFFFFFFFu;
    d.demo.tick();
    EXPECT_EQ(d.demo.tickCounter, 0u);
}
