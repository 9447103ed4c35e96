// TGA input through stb_image (Debian's libstb-dev), compiled here with its
// TGA decoder only, so nothing else of it is reachable. stb reads missing
// bytes as zeros, so the file is first checked to hold every pixel its
// header promises.
#include "r3az8/tex/files/image_decoder.h"

#include "r3az8/tex/files/completeness.h"
#include "r3az8/tex/texture/texture_error.h"

#include <climits>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

namespace r3az8tex {
namespace {

static_assert(STBI_MAX_DIMENSIONS == kMaxSide);

constexpr size_t kHeaderBytes = 18;

class TgaDecoder final : public ImageDecoder {
public:
    TgaDecoder(std::span<const BYTE> bytes, const std::string& name) : bytes_(bytes), name_(name)
    {
        if (bytes.size() > size_t(INT_MAX))
            throw FileError(ErrorKind::Unsupported, name_, "file is too large to decode");
        // Width and height: little-endian 16-bit words at bytes 12 and 14.
        if (bytes.size() >= kHeaderBytes) {
            const uint32_t width = bytes[12] | uint32_t(bytes[13]) << 8;
            const uint32_t height = bytes[14] | uint32_t(bytes[15]) << 8;
            if (width == 0 || height == 0)
                throw FileError(ErrorKind::Malformed, name_, "TGA header gives no pixels");
            CheckImageLimits(name_, width, height, 4);
            // A colour map may hold entries from a first index up (bytes 3
            // and 4); stb_image skips that many bytes instead and looks the
            // indices up from entry 0, which gives other colours.
            const bool colourMapped = (bytes[2] & 7) == 1;
            if (colourMapped && (bytes[3] | bytes[4]) != 0)
                throw FileError(ErrorKind::Unsupported, name_, "TGA colour maps that start above entry 0 are not read");
            header_ = {width, height, D3DFMT_A8R8G8B8};
        }
        const std::string incomplete = TgaIncompleteness(bytes);
        if (!incomplete.empty())
            throw FileError(ErrorKind::Malformed, name_, incomplete);
    }

    void Fill(TextureImage& canvas, const RowsDecoded& rowsDecoded) override
    {
        int width = 0, height = 0, channels = 0;
        stbi_uc* pixels =
            stbi_load_from_memory(bytes_.data(), static_cast<int>(bytes_.size()), &width, &height, &channels, 4);
        if (pixels == nullptr) {
            const char* reason = stbi_failure_reason();
            throw FileError(ErrorKind::Malformed, name_,
                            std::string("cannot decode the image: ") + (reason != nullptr ? reason : "unknown"));
        }
        struct Release {
            stbi_uc* pixels;
            ~Release() { stbi_image_free(pixels); }
        } release{pixels};
        if (uint32_t(width) != header_.width || uint32_t(height) != header_.height)
            throw FileError(ErrorKind::Malformed, name_, "TGA decodes to another size than its header gives");

        // stb gives R, G, B, A bytes; A8R8G8B8 stores B, G, R, A.
        BYTE* out = canvas.Surface(0, 0).data();
        const size_t count = size_t(width) * size_t(height);
        for (size_t i = 0; i < count; ++i) {
            out[4 * i + 0] = pixels[4 * i + 2];
            out[4 * i + 1] = pixels[4 * i + 1];
            out[4 * i + 2] = pixels[4 * i + 0];
            out[4 * i + 3] = pixels[4 * i + 3];
        }
        if (rowsDecoded)
            rowsDecoded(header_.height);
    }

private:
    std::span<const BYTE> bytes_;
    std::string name_;
};

} // namespace

std::unique_ptr<ImageDecoder> OpenTga(std::span<const BYTE> bytes, const std::string& name)
{
    return std::make_unique<TgaDecoder>(bytes, name);
}

} // namespace r3az8tex
