#include "effects/effMirolan/raster.h"

#include <cstring>

namespace {

constexpr DWORD kOpaque = 0xFF000000u;

// Lowers each non-zero byte of red, green and blue by one in a single
// subtraction: the per-byte ones never borrow, since only bytes of at least
// one receive them.
DWORD FadePixel(DWORD pixel)
{
    DWORD color = pixel & 0x00FFFFFFu;
    // Bit 7 of each byte is set where that byte is non-zero.
    DWORD nonZero = (((color & 0x7F7F7F7Fu) + 0x7F7F7F7Fu) | color) & 0x80808080u;
    return (color - (nonZero >> 7)) | kOpaque;
}

} // namespace

void FadePixels(DWORD* pixels, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        pixels[i] = FadePixel(pixels[i]);
}

void PlotParticles(DWORD* pixels, unsigned width, unsigned height, const PARTICLE* particles, int count)
{
    for (int i = 0; i < count; ++i) {
        const PARTICLE& particle = particles[i];
        // Written so that NaN positions fail the test.
        if (!(particle.fX >= 0.0f && particle.fX < float(width) && particle.fY >= 0.0f &&
              particle.fY < float(height)))
            continue;
        size_t column = size_t(particle.fX);
        size_t row = size_t(particle.fY);
        if (column < width && row < height)
            pixels[row * width + column] = particle.dwColor;
    }
}

void UploadPixels(kwoTextureHandle texture, const DWORD* pixels, unsigned width, unsigned height)
{
    void* bits = nullptr;
    long pitch = 0;
    if (kwo3DAPI_LockTexture(texture, &bits, &pitch, 0) < 0)
        return;
    size_t rowBytes = size_t(width) * sizeof(DWORD);
    // A pitch shorter than a row would make rows overlap: copy nothing then.
    if (bits != nullptr && pitch >= 0 && size_t(pitch) >= rowBytes) {
        for (unsigned row = 0; row < height; ++row)
            std::memcpy(static_cast<char*>(bits) + size_t(row) * size_t(pitch), pixels + size_t(row) * width,
                        rowBytes);
    }
    kwo3DAPI_UnlockTexture(texture, 0);
}
