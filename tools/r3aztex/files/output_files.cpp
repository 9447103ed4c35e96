#include "tools/r3aztex/files/output_files.h"

#include "r3az8/tex/convert/float_repair.h"
#include "r3az8/tex/convert/level_pictures.h"
#include "r3az8/tex/files/dds_writer.h"
#include "r3az8/tex/files/file_bytes.h"
#include "r3az8/tex/files/warnings.h"
#include "tools/r3aztex/files/file_writing.h"
#include "tools/r3aztex/tool_error.h"

namespace r3aztex {
namespace {

const char* const kFaceSuffixes[6] = {"_posx", "_negx", "_posy", "_negy", "_posz", "_negz"};

std::string WithoutEnding(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path;
    return path.substr(0, dot);
}

// Level `level` of one texture as PNG pictures: one, or one per cube face
// or volume slice.
WrittenFiles WritePictures(const TextureImage& texture, const std::string& path, const Container& container,
                           uint32_t level, PictureDepth depth, FloatSamples samples, WorkPool& pool)
{
    const bool floats = container.writeOptions & kFloatOption;
    if (!floats && HasFloatChannels(texture.format))
        if (const uint64_t clipped = FindFloatRepairs(texture, D3DFMT_A8R8G8B8, level).clipped; clipped > 0)
            Warn(path, std::to_string(clipped) + (clipped == 1 ? " float value" : " float values") +
                           " above 1 clipped to 1: " + container.name + " stores 0..1 (exr keeps them)");
    const LevelPictures level0 = PicturesOfLevel(texture, level, floats ? PictureDepth::Float : depth);
    const std::vector<std::string> names = OutputNames(path, container.type, texture.kind, level0.depth);
    WriteOptions options;
    options.alpha = level0.alpha;
    options.floatSamples = samples;
    const std::string sampleText = !floats                         ? (level0.wide ? "16-bit" : "8-bit")
                                   : samples == FloatSamples::Half ? "half"
                                                                   : "float";
    std::vector<std::vector<BYTE>> files(names.size());
    pool.ForEach(names.size(), [&](size_t i) { files[i] = EncodeLayers(container, {&level0.pictures[i], 1}, options); });
    for (size_t i = 0; i < names.size(); ++i)
        WriteOutputFile(names[i], files[i]);
    return {names, std::string(container.name) + ", " + sampleText + " " +
                       (level0.alpha == AlphaOutput::Keep ? "rgba" : "rgb") + ", " + KindName(texture.kind) + " " +
                       SizeText(level0.width, level0.height, level0.depth) +
                       (texture.kind == TextureKind::Cube ? " (6 faces)" : "") + ", level " + std::to_string(level)};
}

} // namespace

std::string LayerName(const std::string& path, uint32_t layer)
{
    const std::string stem = WithoutEnding(path);
    return stem + "_layer" + std::to_string(layer) + path.substr(stem.size());
}

std::vector<std::string> TextureOutputNames(const std::string& path, FileType type, TextureKind kind,
                                            uint32_t slices, uint32_t layers)
{
    if (ContainerOf(type).wholeTexture || layers <= 1)
        return OutputNames(path, type, kind, slices);
    std::vector<std::string> names;
    for (uint32_t layer = 0; layer < layers; ++layer)
        for (std::string& name : OutputNames(LayerName(path, layer), type, kind, slices))
            names.push_back(std::move(name));
    return names;
}

std::vector<std::string> OutputNames(const std::string& path, FileType type, TextureKind kind, uint32_t slices)
{
    const Container& container = ContainerOf(type);
    if (container.wholeTexture || kind == TextureKind::Flat)
        return {path};
    const std::string stem = WithoutEnding(path);
    std::vector<std::string> names;
    if (kind == TextureKind::Cube)
        for (const char* suffix : kFaceSuffixes)
            names.push_back(stem + suffix + container.Ending());
    else
        for (uint32_t slice = 0; slice < slices; ++slice)
            names.push_back(stem + "_slice" + std::to_string(slice) + container.Ending());
    return names;
}

WrittenFiles WriteTextures(std::span<const TextureImage> layers, const std::string& path, FileType type,
                           uint32_t level, PngDepth depth, dds::HeaderStyle style, WorkPool& pool,
                           FloatSamples samples, int zstdLevel)
{
    const TextureImage& texture = layers[0];
    const uint32_t faces = texture.kind == TextureKind::Cube ? 6 : 1;
    const std::string arrayText =
        layers.size() > 1 ? ", array of " + std::to_string(layers.size()) + " textures" : std::string();
    const Container& container = ContainerOf(type);
    if (container.wholeTexture) {
        WriteOptions options;
        options.ddsHeader = style;
        options.zstdLevel = zstdLevel;
        WriteOutputFile(path, EncodeLayers(container, layers, options));
        return {{path},
                std::string(container.name) + ", " + FormatName(texture.format) + ", " + KindName(texture.kind) + " " +
                    SizeText(texture.width, texture.height, texture.depth) + (faces == 6 ? " (6 faces)" : "") +
                    ", " + std::to_string(texture.levels) + (texture.levels == 1 ? " level" : " levels") + arrayText};
    }
    if (level >= texture.levels)
        throw ToolError(ExitCode::CommandLine, "--level " + std::to_string(level) + " asked of a texture with " +
                                                   std::to_string(texture.levels) + " level(s)");
    WrittenFiles written;
    for (size_t layer = 0; layer < layers.size(); ++layer) {
        const std::string layerPath = layers.size() > 1 ? LayerName(path, static_cast<uint32_t>(layer)) : path;
        WrittenFiles one = WritePictures(layers[layer], layerPath, container, level, depth, samples, pool);
        written.names.insert(written.names.end(), one.names.begin(), one.names.end());
        written.description = std::move(one.description) + arrayText;
    }
    return written;
}

} // namespace r3aztex
