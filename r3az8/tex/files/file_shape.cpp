#include "r3az8/tex/files/file_shape.h"

#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/image_file.h"

namespace r3az8tex {

FileShape DescribeTextureFile(std::span<const BYTE> bytes, const std::string& name)
{
    if (DetectFileType(bytes, name) != FileType::Dds)
        return {TextureKind::Flat, 1, 1};
    const dds::Description description = dds::Describe(bytes, name);
    return {description.kind, description.kind == TextureKind::Volume ? description.depth : 1,
            description.arraySize};
}

} // namespace r3az8tex
