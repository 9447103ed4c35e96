#include "r3az8/tex/files/exr_writer.h"

#include "r3az8/tex/files/exr_streams.h"
#include "r3az8/tex/texture/texture_error.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace r3az8tex {
namespace {

// The largest finite half: floats beyond it are stored as it, not as
// infinity.
constexpr float kLargestHalf = 65504.0f;

// The image's samples (red, green, blue, alpha) as halves or floats.
std::vector<BYTE> StoredSamples(const TextureImage& image, FloatSamples samples)
{
    const std::vector<BYTE>& from = image.Surface(0, 0);
    const bool fromFloats = image.format == FMT_A32B32G32R32F;
    const bool toFloats = samples == FloatSamples::Float;
    if (fromFloats == toFloats)
        return from;
    const size_t count = from.size() / (fromFloats ? 4 : 2);
    std::vector<BYTE> to(count * (toFloats ? 4 : 2));
    for (size_t i = 0; i < count; ++i)
        if (fromFloats) {
            float value;
            std::memcpy(&value, from.data() + 4 * i, 4);
            if (std::isfinite(value))
                value = std::clamp(value, -kLargestHalf, kLargestHalf);
            const uint16_t bits = Imath::half(value).bits();
            std::memcpy(to.data() + 2 * i, &bits, 2);
        } else {
            uint16_t bits;
            std::memcpy(&bits, from.data() + 2 * i, 2);
            Imath::half half;
            half.setBits(bits);
            const float value = half;
            std::memcpy(to.data() + 4 * i, &value, 4);
        }
    return to;
}

} // namespace

std::vector<BYTE> EncodeExr(const TextureImage& image, FloatSamples samples, AlphaOutput alpha)
{
    if (image.format != FMT_A32B32G32R32F && image.format != FMT_A16B16G16R16F)
        throw TextureError(ErrorKind::Unsupported, "an EXR file holds a32b32g32r32f or a16b16g16r16f pixels, not " +
                                                       FormatName(image.format) + ": convert the texture first");
    if (image.kind != TextureKind::Flat)
        throw TextureError(ErrorKind::Unsupported, std::string("an EXR file holds one picture, not a ") +
                                                       (image.kind == TextureKind::Cube ? "cube map" : "volume"));
    // OpenEXR writes samples of the channel's own type only: the pixels
    // are put in that type first.
    const std::vector<BYTE> pixels = StoredSamples(image, samples);
    const size_t sample = samples == FloatSamples::Float ? 4 : 2;
    const Imf::PixelType stored = samples == FloatSamples::Float ? Imf::FLOAT : Imf::HALF;
    const size_t channels = alpha == AlphaOutput::Keep ? 4 : 3;
    const char* const names[4] = {"R", "G", "B", "A"};

    Imf::Header header(int(image.width), int(image.height));
    Imf::FrameBuffer frame;
    // OpenEXR reads a slice through a char pointer it never writes through.
    char* base = reinterpret_cast<char*>(const_cast<BYTE*>(pixels.data()));
    for (size_t i = 0; i < channels; ++i) {
        header.channels().insert(names[i], Imf::Channel(stored));
        frame.insert(names[i], Imf::Slice(stored, base + i * sample, 4 * sample, 4 * sample * image.width));
    }
    try {
        exr::MemoryOutput stream("in memory");
        {
            Imf::OutputFile file(stream, header);
            file.setFrameBuffer(frame);
            file.writePixels(int(image.height));
        }
        return stream.Take();
    } catch (const TextureError&) {
        throw;
    } catch (const std::exception& error) {
        throw TextureError(ErrorKind::Internal, std::string("OpenEXR cannot write the picture: ") + error.what());
    }
}

} // namespace r3az8tex
