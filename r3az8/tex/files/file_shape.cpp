#include "r3az8/tex/files/file_shape.h"

#include "r3az8/tex/files/containers.h"
#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/files/warnings.h"

namespace r3az8tex {

FileShape DescribeTextureFile(std::span<const BYTE> bytes, const std::string& name)
{
    if (DetectFileType(bytes, name) != FileType::Dds)
        return {TextureKind::Flat, 1, 1};
    const dds::Description description = dds::Describe(bytes, name);
    return {description.kind, description.kind == TextureKind::Volume ? description.depth : 1,
            description.arraySize};
}

FileDescription InspectTextureFile(std::span<const BYTE> bytes, const std::string& name)
{
    const FileType type = DetectFileType(bytes, name);
    if (type == FileType::Dds) {
        const dds::Description d = dds::Describe(bytes, name);
        for (const std::string& warning : d.warnings)
            Warn(name, warning);
        return {ContainerOf(type).name, d.format, d.kind,          d.width,         d.height,
                d.depth,                d.levels, d.arraySize,     d.colourSpace,   ReaderQueryOf(d)};
    }
    const TextureImage image = DecodeTexture(bytes, name);
    return {ContainerOf(type).name, image.format, image.kind, image.width, image.height, image.depth,
            image.levels,           1,            image.colourSpace, std::nullopt};
}

} // namespace r3az8tex
