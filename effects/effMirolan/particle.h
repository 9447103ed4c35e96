// One particle of the effect and the settings its motion depends on.
#pragma once

#include "win32.h"

struct PARTICLE {
    float fX;      // column, 0 <= fX < width after every step
    float fY;      // row, 0 <= fY < height after every step
    float fVX;     // pixels per unit of the frame time step
    float fVY;
    DWORD dwColor; // 0xAARRGGBB, alpha always 0xFF
    float fLife;   // remaining life in units of the time step; reborn below 0
};
static_assert(sizeof(PARTICLE) == 24, "the particle array's size is reported to the tracker");

// The rectangle the particles live in and the bases of their speed and
// lifetime.
struct ParticleSettings {
    unsigned width;
    unsigned height;
    float baseSpeed;
    float baseLifetime;
};
