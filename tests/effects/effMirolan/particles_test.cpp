// Birth and motion of particles, driven by scripted random values.
#include "effects/effMirolan/particles.h"

#include "tests/support/engine_session.h"

#include <cmath>

namespace {

using Particles = EngineSession;

constexpr ParticleSettings kSettings{128, 128, 50.0f, 3.0f};

PARTICLE Born(const std::vector<unsigned>& randoms, ParticleSettings settings = kSettings)
{
    EXPECT_TRUE(kwoHost_ScriptRandom(randoms));
    PARTICLE particle{};
    BirthParticle(particle, settings);
    EXPECT_EQ(kwoHost_ScriptedRandomLeft(), 0u) << "a birth takes exactly eight random values";
    return particle;
}

// A value and how far from it a field may be (0: exactly it).
struct Near {
    float value;
    float tolerance = 0.0f;
};

void ExpectParticle(const PARTICLE& particle, Near x, Near y, Near vx, Near vy, D3DCOLOR color, Near life)
{
    EXPECT_NEAR(particle.fX, x.value, x.tolerance);
    EXPECT_NEAR(particle.fY, y.value, y.tolerance);
    EXPECT_NEAR(particle.fVX, vx.value, vx.tolerance);
    EXPECT_NEAR(particle.fVY, vy.value, vy.tolerance);
    EXPECT_EQ(particle.dwColor, color);
    EXPECT_NEAR(particle.fLife, life.value, life.tolerance);
}

TEST_F(Particles, BirthFromAllZeroRandoms)
{
    // Along +x at half the base speed; a zero colour vector stays zero.
    ExpectParticle(Born({0, 0, 0, 0, 0, 0, 0, 0}), {0.0f}, {0.0f}, {25.0f}, {0.0f}, 0xFF000000u, {1.5f});
}

TEST_F(Particles, BirthFromAllLargestRandoms)
{
    // 360 degrees: along +x (up to the float error of 2 pi) at 1.5 times the
    // base speed.
    ExpectParticle(Born(std::vector<unsigned>(8, 32767)), {127.0f}, {127.0f}, {75.0f, 1e-4f}, {0.0f, 1e-4f},
                   0xFF939393u, {4.5f, 1e-5f});
}

TEST_F(Particles, PureRedIsRed254)
{
    PARTICLE particle = Born({0, 0, 0, 0, 32767, 0, 0, 0});
    EXPECT_EQ(particle.dwColor, 0xFFFE0000u);
    particle = Born({0, 0, 0, 0, 0, 0, 32767, 0});
    EXPECT_EQ(particle.dwColor, 0xFF0000FEu);
}

TEST_F(Particles, RandomValuesAreTakenInOrder)
{
    // x, y, direction 90 degrees, speed factor 1, colour (0, 1, 0), life factor 1.
    ExpectParticle(Born({16383, 32767, 8192, 16384, 0, 32767, 0, 16384}, ParticleSettings{65, 9, 10.0f, 2.0f}),
                   {32.0f, 0.01f}, {8.0f}, {0.0f, 1e-4f}, {10.0f, 1e-3f}, 0xFF00FE00u, {2.0f, 1e-3f});
}

TEST_F(Particles, BirthPositionsStayInsideEveryRectangle)
{
    for (unsigned width : {1u, 2u, 3u, 128u, 1000u, 65535u}) {
        for (unsigned random : {0u, 1u, 16383u, 32766u, 32767u}) {
            PARTICLE particle = Born({random, random, 0, 0, 1, 1, 1, 0}, ParticleSettings{width, width, 1.0f, 1.0f});
            EXPECT_GE(particle.fX, 0.0f);
            EXPECT_LT(particle.fX, float(width)) << width << " " << random;
            EXPECT_LT(particle.fY, float(width));
        }
    }
}

PARTICLE Moving(float x, float y, float vx, float vy, float life = 100.0f)
{
    return PARTICLE{x, y, vx, vy, 0xFF112233u, life};
}

TEST_F(Particles, BouncesOffTheFarEdge)
{
    PARTICLE particle = Moving(127.6f, 10.0f, 0.5f, 0.0f);
    AdvanceParticles(&particle, 1, 1.0f, kSettings);
    EXPECT_EQ(particle.fX, 127.0f);
    EXPECT_EQ(particle.fVX, -0.5f);
    EXPECT_EQ(particle.fY, 10.0f);
}

TEST_F(Particles, JustInsideTheFarEdgeDoesNotBounce)
{
    PARTICLE particle = Moving(127.4f, 10.0f, 0.5f, 0.0f);
    AdvanceParticles(&particle, 1, 1.0f, kSettings);
    EXPECT_EQ(particle.fX, 127.4f + 0.5f);
    EXPECT_EQ(particle.fVX, 0.5f);
}

TEST_F(Particles, BouncesOffTheNearEdge)
{
    PARTICLE particle = Moving(0.3f, 10.0f, -0.5f, 0.0f);
    AdvanceParticles(&particle, 1, 1.0f, kSettings);
    EXPECT_EQ(particle.fX, 0.0f);
    EXPECT_EQ(particle.fVX, 0.5f);
}

TEST_F(Particles, VerticalEdgesBounceTheSameWay)
{
    PARTICLE particles[3] = {Moving(5, 127.6f, 0, 0.5f), Moving(5, 127.4f, 0, 0.5f), Moving(5, 0.3f, 0, -0.5f)};
    AdvanceParticles(particles, 3, 1.0f, kSettings);
    EXPECT_EQ(particles[0].fY, 127.0f);
    EXPECT_EQ(particles[0].fVY, -0.5f);
    EXPECT_EQ(particles[1].fY, 127.4f + 0.5f);
    EXPECT_EQ(particles[2].fY, 0.0f);
    EXPECT_EQ(particles[2].fVY, 0.5f);
}

TEST_F(Particles, LifeOfExactlyZeroStillMoves)
{
    PARTICLE particle = Moving(10.0f, 20.0f, 2.0f, -1.0f, 0.25f);
    kwoHost_ScriptRandom({1, 1, 1, 1, 1, 1, 1, 1});
    AdvanceParticles(&particle, 1, 0.25f, kSettings);
    EXPECT_EQ(particle.fLife, 0.0f);
    EXPECT_EQ(particle.fX, 10.5f);
    EXPECT_EQ(particle.fY, 19.75f);
    EXPECT_EQ(kwoHost_ScriptedRandomLeft(), 8u); // not reborn
}

TEST_F(Particles, NegativeLifeIsRebornWithoutMoving)
{
    PARTICLE particle = Moving(10.0f, 20.0f, 2.0f, -1.0f, 0.25f);
    kwoHost_ScriptRandom({0, 0, 0, 0, 0, 0, 0, 0});
    AdvanceParticles(&particle, 1, 0.5f, kSettings);
    EXPECT_EQ(kwoHost_ScriptedRandomLeft(), 0u);
    EXPECT_EQ(particle.fX, 0.0f); // its birth place, not moved by 0.5 * 25
    EXPECT_EQ(particle.fY, 0.0f);
    EXPECT_EQ(particle.fVX, 25.0f);
    EXPECT_EQ(particle.fLife, 1.5f);
}

TEST_F(Particles, ZeroStepMovesAndAgesNothing)
{
    PARTICLE particle = Moving(10.0f, 20.0f, 2.0f, -1.0f, 0.0f);
    PARTICLE before = particle;
    AdvanceParticles(&particle, 1, 0.0f, kSettings);
    EXPECT_EQ(particle.fX, before.fX);
    EXPECT_EQ(particle.fY, before.fY);
    EXPECT_EQ(particle.fLife, 0.0f);
    EXPECT_EQ(kwoHost_ScriptedRandomLeft(), 0u);
}

TEST_F(Particles, NonPositiveCountTouchesNothing)
{
    PARTICLE particle = Moving(1.0f, 1.0f, 1.0f, 1.0f);
    AdvanceParticles(&particle, 0, 1.0f, kSettings);
    AdvanceParticles(&particle, -3, 1.0f, kSettings);
    EXPECT_EQ(particle.fX, 1.0f);
}

TEST_F(Particles, ManyStepsKeepEveryParticleInside)
{
    ParticleSettings settings{17, 5, 400.0f, 3.0f};
    std::vector<PARTICLE> particles(50);
    for (PARTICLE& particle : particles)
        BirthParticle(particle, settings);
    for (int step = 0; step < 400; ++step) {
        AdvanceParticles(particles.data(), int(particles.size()), 0.37f, settings);
        for (const PARTICLE& particle : particles) {
            ASSERT_GE(particle.fX, 0.0f);
            ASSERT_LT(particle.fX, 17.0f);
            ASSERT_GE(particle.fY, 0.0f);
            ASSERT_LT(particle.fY, 5.0f);
        }
    }
}

} // namespace
