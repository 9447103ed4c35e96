#include "effects/effMirolan/particles.h"

#include "effects/effMirolan/invsqrt.h"
#include "engine/pwKernel.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// The float nearest to 1/32767: random values of 0..32767 become 0..1.
constexpr float kRandomScale = 3.0518509e-05f;
constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kHalf = 0.5f;
constexpr float kChannelScale = 255.0f;
constexpr float kBounce = -1.0f;
static_assert(std::bit_cast<uint32_t>(kRandomScale) == 0x38000100u);
static_assert(std::bit_cast<uint32_t>(kDegreesToRadians) == 0x3C8EFA35u);

constexpr unsigned kLargestRandom = 32767;

float RandomUnit() { return float(kwoRandom_Rand()) * kRandomScale; }

// Truncation of a unit-length component to a byte. The fast inverse square
// root may overshoot 1 by about 0.1 %, which truncation keeps below 256.
DWORD Channel(float component) { return DWORD(std::clamp(component * kChannelScale, 0.0f, 255.0f)); }

// Keeps one coordinate inside 0..extent, reversing the velocity at an edge.
// A position from extent - 1 up to extent stays: it is still a pixel.
void Bounce(float& position, float& velocity, unsigned extent)
{
    if (position < 0.0f) {
        position = 0.0f;
        velocity *= kBounce;
    } else if (position >= float(extent)) {
        position = float(extent - 1u);
        velocity *= kBounce;
    }
}

} // namespace

void BirthParticle(PARTICLE& particle, const ParticleSettings& settings)
{
    particle.fX = float(kwoRandom_Rand()) * float(settings.width - 1u) * kRandomScale;
    particle.fY = float(kwoRandom_Rand()) * float(settings.height - 1u) * kRandomScale;

    unsigned degrees = (360u * kwoRandom_Rand()) / kLargestRandom;
    float angle = float(degrees) * kDegreesToRadians;
    particle.fVX = std::cos(angle);
    particle.fVY = std::sin(angle);
    float speed = (RandomUnit() + kHalf) * settings.baseSpeed;
    particle.fVX *= speed;
    particle.fVY *= speed;

    float color[3];
    color[0] = RandomUnit();
    color[1] = RandomUnit();
    color[2] = RandomUnit();
    FastNormalize(color);
    particle.dwColor = 0xFF000000u | Channel(color[0]) << 16 | Channel(color[1]) << 8 | Channel(color[2]);

    particle.fLife = (RandomUnit() + kHalf) * settings.baseLifetime;
}

void AdvanceParticles(PARTICLE* particles, int count, float step, const ParticleSettings& settings)
{
    for (int i = 0; i < count; ++i) {
        PARTICLE& particle = particles[i];
        particle.fLife -= step;
        if (particle.fLife < 0.0f) {
            BirthParticle(particle, settings); // a newborn does not move in its first step
        } else {
            particle.fX += step * particle.fVX;
            particle.fY += step * particle.fVY;
        }
        Bounce(particle.fX, particle.fVX, settings.width);
        Bounce(particle.fY, particle.fVY, settings.height);
    }
}
