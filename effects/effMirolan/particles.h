// Birth and motion of the particles.
#pragma once

#include "effects/effMirolan/particle.h"

// Gives a particle a random birth state, from exactly eight kwoRandom_Rand
// values in this order: x, y, direction, speed, red, green, blue, life.
// Position 0..width-1 and 0..height-1, a whole number of degrees 0..360,
// speed and life 0.5 to 1.5 times their bases, a colour of unit length.
void BirthParticle(PARTICLE& particle, const ParticleSettings& settings);

// One time step for each particle in order: ages it by `step`; a particle
// whose life falls below 0 is reborn where it is born, any other moves by
// step times its velocity; then a particle outside the rectangle is put on
// its edge with that velocity component reversed. `step` must be finite.
void AdvanceParticles(PARTICLE* particles, int count, float step, const ParticleSettings& settings);
