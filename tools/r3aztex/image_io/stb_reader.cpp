// TGA and JPEG input through stb_image (Debian's libstb-dev). One small,
// widely used, well-tested library covers both formats; it is compiled
// here with only those two decoders, so nothing else of it is reachable,
// and with the tool's size limit, so a hostile header cannot ask for a
// huge allocation.
#include "tools/r3aztex/image_io/image_file.h"

#include "tools/r3aztex/image_io/completeness.h"
#include "tools/r3aztex/tool_error.h"

#include <climits>
#include <cstring>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_TGA
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

namespace r3aztex {

static_assert(STBI_MAX_DIMENSIONS == kMaxSide);

TextureImage DecodeWithStb(std::span<const BYTE> bytes, const std::string& name)
{
    if (bytes.size() > size_t(INT_MAX))
        throw FileError(ExitCode::Unsupported, name, "file is too large to decode");
    const bool jpeg = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
    const std::string incomplete = jpeg ? JpegIncompleteness(bytes) : TgaIncompleteness(bytes);
    if (!incomplete.empty())
        throw FileError(ExitCode::Malformed, name, incomplete);
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                                            &channels, 4);
    if (pixels == nullptr) {
        const std::string reason = stbi_failure_reason() != nullptr ? stbi_failure_reason() : "unknown";
        const bool tooLarge = reason == "too large";
        throw FileError(tooLarge ? ExitCode::Unsupported : ExitCode::Malformed, name,
                        "cannot decode the image: " + reason);
    }
    struct Release {
        stbi_uc* pixels;
        ~Release() { stbi_image_free(pixels); }
    } release{pixels};

    TextureImage texture = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, uint32_t(width), uint32_t(height), 1, 1);
    // stb gives R, G, B, A bytes; A8R8G8B8 stores B, G, R, A.
    BYTE* out = texture.Surface(0, 0).data();
    const size_t count = size_t(width) * size_t(height);
    for (size_t i = 0; i < count; ++i) {
        out[4 * i + 0] = pixels[4 * i + 2];
        out[4 * i + 1] = pixels[4 * i + 1];
        out[4 * i + 2] = pixels[4 * i + 0];
        out[4 * i + 3] = pixels[4 * i + 3];
    }
    return texture;
}

} // namespace r3aztex
