#include "r3az8/tex/files/file_shape.h"

#include "r3az8/tex/files/containers.h"
#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/files/ktx2_files.h"
#include "r3az8/tex/files/warnings.h"

namespace r3az8tex {

FileShape DescribeTextureFile(std::span<const BYTE> bytes, const std::string& name)
{
    const FileType type = DetectFileType(bytes, name);
    if (type == FileType::Ktx2) {
        const ktx2::Layout layout = ktx2::Describe(bytes, name);
        return {layout.kind, layout.kind == TextureKind::Volume ? layout.depth : 1, layout.layers};
    }
    if (type != FileType::Dds)
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
                d.depth,                d.levels, d.arraySize,     d.colourSpace,   ReaderQueryOf(d), {}, {}};
    }
    if (type == FileType::Ktx2) {
        // Every level is inflated, so that a damaged one shows here too.
        ktx2::Read(bytes, name);
        const ktx2::Layout d = ktx2::Describe(bytes, name);
        FileDescription description{ContainerOf(type).name, d.format, d.kind, d.width, d.height, d.depth, d.levels,
                                    d.layers, d.colourSpace, std::nullopt, {}, {}};
        description.facts = ktx2::Facts(d);
        for (const ktx2::KeyValue& entry : d.keys)
            description.keys.emplace_back(entry.key, ktx2::ValueText(entry));
        return description;
    }
    const TextureImage image = DecodeTexture(bytes, name);
    return {ContainerOf(type).name, image.format, image.kind, image.width, image.height, image.depth,
            image.levels,           1,            image.colourSpace, std::nullopt, {}, {}};
}

} // namespace r3az8tex
