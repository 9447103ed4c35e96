#include "r3az8/tex/convert/working_levels.h"

#include "r3az8/tex/load_rows.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>

namespace r3az8tex {

uint32_t BandRows(size_t rowBytes, size_t bandBytes)
{
    const size_t wanted = bandBytes / std::max<size_t>(rowBytes, 1);
    return static_cast<uint32_t>(std::min<size_t>(kMaxSide, std::max<size_t>(4, wanted - wanted % 4)));
}

TextureImage MakeWorkingImage(D3DFORMAT format, TextureKind kind, uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
        throw TextureError(ErrorKind::Internal, "a working copy of " + SizeText(width, height, 1) + " pixels");
    TextureImage image;
    image.format = format;
    image.kind = kind;
    image.width = width;
    image.height = height;
    image.levels = 1;
    image.surfaces.resize(image.Faces());
    for (std::vector<BYTE>& surface : image.surfaces)
        surface.assign(image.Level(0).bytes, 0);
    return image;
}

void LoadBand(LibrarySession& session, const PixelRows& to, uint32_t first, uint32_t height, const SourceRows& from,
              const LoadOptions& options)
{
    const RECT rect{0, 0, LONG(from.width), LONG(from.height)};
    session.Check(LoadRowsFromMemory(to.data, to.format, static_cast<UINT>(to.pitch), to.width, height, first,
                                     to.height, from.data, from.format, static_cast<UINT>(from.pitch), from.palette,
                                     &rect, options.filter, options.colorKey),
                  "LoadRowsFromMemory");
}

TextureImage ResampleWorkingTop(const TextureImage& source, D3DFORMAT format, uint32_t width, uint32_t height,
                                const LoadOptions& options, WorkPool& pool)
{
    uint64_t bytes = 0;
    if (ChainBytes(*FindFormat(format), source.kind, width, height, 1, 1, bytes) && bytes <= kWholeWorkingBytes)
        return ResampleTop(source, format, width, height, 1, options);
    return ResampleInBands(source, format, width, height, options, pool);
}

TextureImage ResampleInBands(const TextureImage& source, D3DFORMAT format, uint32_t width, uint32_t height,
                             const LoadOptions& options, WorkPool& pool, size_t bandBytes)
{
    TextureImage top = MakeWorkingImage(format, source.kind, width, height);
    const uint32_t rows = BandRows(top.Level(0).rowPitch, bandBytes);
    const uint32_t bands = (height + rows - 1) / rows;
    pool.ForEach(size_t(top.Faces()) * bands, [&](size_t i) {
        const uint32_t face = static_cast<uint32_t>(i / bands);
        const uint32_t first = static_cast<uint32_t>(i % bands) * rows;
        LibrarySession session;
        LoadBand(session, LevelRows(top, face, 0, first, std::min(rows, height - first)), first, height,
                 LevelRows(source, face, 0, 0, source.height), options);
    });
    return top;
}

} // namespace r3az8tex
