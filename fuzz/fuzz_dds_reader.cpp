// The texture library's DDS reader on arbitrary files.
//
// The file lives in a heap block of exactly its size. A file the reader
// refuses must be refused with a TextureError that names the file and says
// "malformed" or "unsupported" (any other exception is a fault); a file it
// accepts (leniently or not, a texture array or not) must agree with its
// description and read back identically after being written out again.
#include "fuzz/fuzz_files.h"
#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/dds_writer.h"

#include <cstring>
#include <memory>
#include <span>
#include <string>

namespace {

using fuzzing::Fail;
using r3az8tex::TextureImage;
using r3az8tex::TextureError;

const std::string kName = "fuzzed.dds";

FUZZ_UNSTEERED
bool SameTexture(const TextureImage& a, const TextureImage& b)
{
    if (a.format != b.format || a.kind != b.kind || a.width != b.width || a.height != b.height ||
        a.depth != b.depth || a.levels != b.levels || a.surfaces != b.surfaces ||
        a.palette.has_value() != b.palette.has_value())
        return false;
    return !a.palette || std::memcmp(a.palette->data(), b.palette->data(), sizeof(PALETTEENTRY) * 256) == 0;
}

// Whatever was accepted survives a write and a second read unchanged, with
// the classic header and, where the format has a DXGI form, the DX10 one
// (which also keeps the colour space).
void CheckRewrite(const TextureImage& texture)
{
    const std::vector<BYTE> written = r3az8tex::dds::Write(texture);
    TextureImage again;
    try {
        again = r3az8tex::dds::Read(written, kName);
    } catch (const TextureError& error) {
        Fail("the reader refuses what the writer made of an accepted file: %s", error.what());
    }
    if (!SameTexture(texture, again))
        Fail("an accepted file does not read back the same after writing it out");
    if (r3az8tex::dds::Write(again) != written)
        Fail("writing the same texture twice gave different files");
    if (!r3az8tex::dds::DxgiFormOf(texture.format, texture.colourSpace))
        return;
    try {
        again = r3az8tex::dds::Read(r3az8tex::dds::Write(texture, r3az8tex::dds::HeaderStyle::Dx10), kName);
    } catch (const TextureError& error) {
        Fail("the reader refuses the DX10 file written of an accepted one: %s", error.what());
    }
    if (!SameTexture(texture, again) || again.colourSpace != texture.colourSpace)
        Fail("an accepted file does not read back the same after writing it with the DX10 header");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    std::unique_ptr<BYTE[]> file(new BYTE[size]);
    std::memcpy(file.get(), bytes, size);
    const std::span<const BYTE> view(file.get(), size);

    r3az8tex::dds::Description description{};
    r3az8tex::dds::Contents contents;
    try {
        description = r3az8tex::dds::Describe(view, kName);
        contents = r3az8tex::dds::ReadContents(view, kName);
    } catch (const TextureError& error) {
        fuzzing::CheckFileRefusal(error, kName);
        return 0;
    }

    if (contents.layers.size() != description.arraySize || description.arraySize == 0)
        Fail("%zu textures read of an array of %u", contents.layers.size(), description.arraySize);
    if (description.dataOffset + description.dataBytes > size)
        Fail("the description claims data beyond the end of the file");
    uint64_t total = 0;
    for (const TextureImage& texture : contents.layers) {
        if (texture.format != description.format || texture.kind != description.kind ||
            texture.width != description.width || texture.height != description.height ||
            texture.depth != description.depth || texture.levels != description.levels ||
            texture.colourSpace != description.colourSpace)
            Fail("the texture read differs from the file's description");
        if (texture.surfaces.size() != size_t(texture.Faces()) * texture.levels)
            Fail("texture has %zu surfaces for %u faces of %u levels", texture.surfaces.size(), texture.Faces(),
                 texture.levels);
        for (uint32_t face = 0; face < texture.Faces(); ++face)
            for (uint32_t level = 0; level < texture.levels; ++level)
                if (texture.Surface(face, level).size() != texture.Level(level).bytes)
                    Fail("surface %u of face %u holds %zu bytes, its level %llu", level, face,
                         texture.Surface(face, level).size(), (unsigned long long)texture.Level(level).bytes);
        total += texture.TotalBytes();
    }
    if (total != description.dataBytes)
        Fail("textures hold %llu bytes, the description says %llu", (unsigned long long)total,
             (unsigned long long)description.dataBytes);
    CheckRewrite(contents.layers[0]);
    return 0;
}
