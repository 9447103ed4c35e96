// The software picture: fading, plotting and uploading to the texture.
#pragma once

#include "effects/effMirolan/particle.h"
#include "engine/pwKernel.h"

#include <cstddef>

// Lowers the red, green and blue bytes of every pixel by one (0 stays 0) and
// makes it opaque: one step of every trail's fade.
void FadePixels(DWORD* pixels, size_t count);

// Sets the pixel under each particle to its colour, later particles over
// earlier ones. A particle whose position is not a pixel of the buffer (a
// non-finite position, or a float that rounded up to the edge) is not drawn.
void PlotParticles(DWORD* pixels, unsigned width, unsigned height, const PARTICLE* particles, int count);

// Copies the buffer (width x height, no gaps) into the texture's full-size
// level row by row, honouring the row pitch the lock returns. A failed lock
// copies nothing and is not unlocked.
void UploadPixels(kwoTextureHandle texture, const DWORD* pixels, unsigned width, unsigned height);
