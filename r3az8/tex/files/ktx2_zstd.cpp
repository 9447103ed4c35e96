#include "r3az8/tex/files/ktx2_zstd.h"

#include "r3az8/tex/texture/texture_error.h"

#include <zstd.h>

#include <string>

namespace r3az8tex::ktx2 {

std::vector<BYTE> Deflate(std::span<const BYTE> level, int compressionLevel)
{
    std::vector<BYTE> frame(ZSTD_compressBound(level.size()));
    const size_t written = ZSTD_compress(frame.data(), frame.size(), level.data(), level.size(), compressionLevel);
    if (ZSTD_isError(written))
        throw TextureError(ErrorKind::Internal, std::string("Zstandard compression failed: ") +
                                                    ZSTD_getErrorName(written));
    frame.resize(written);
    return frame;
}

void Inflate(std::span<const BYTE> frame, std::span<BYTE> out)
{
    // A frame that states its size must state this one; one that does not
    // is inflated and must fill the level exactly.
    const unsigned long long stated = ZSTD_getFrameContentSize(frame.data(), frame.size());
    if (stated == ZSTD_CONTENTSIZE_ERROR)
        throw TextureError(ErrorKind::Malformed, "its data are not a Zstandard frame");
    if (stated != ZSTD_CONTENTSIZE_UNKNOWN && stated != out.size())
        throw TextureError(ErrorKind::Malformed, "its Zstandard frame holds " + std::to_string(stated) +
                                                     " bytes, not the " + std::to_string(out.size()) +
                                                     " the level index gives");
    const size_t inflated = ZSTD_decompress(out.data(), out.size(), frame.data(), frame.size());
    if (ZSTD_isError(inflated))
        throw TextureError(ErrorKind::Malformed,
                           std::string("its Zstandard data do not inflate: ") + ZSTD_getErrorName(inflated));
    if (inflated != out.size())
        throw TextureError(ErrorKind::Malformed, "its Zstandard data inflate to " + std::to_string(inflated) +
                                                     " bytes, not the " + std::to_string(out.size()) +
                                                     " the level index gives");
}

} // namespace r3az8tex::ktx2
