#include "r3az8/tex/convert/convert_textures.h"

#include "r3az8/tex/convert/convert_while_decoding.h"
#include "r3az8/tex/files/image_decoder.h"
#include "r3az8/tex/files/image_file.h"

#include <algorithm>
#include <set>

namespace r3az8tex {

ConvertSettings SettingsForLayers(const std::vector<TextureImage>& layers, ConvertSettings settings)
{
    if (layers.size() >= 2 && settings.signFromSource) {
        // One form for every layer: the other form (bc6h signed, ASTC's
        // HDR) when any of them needs it.
        D3DFORMAT form = settings.format->format;
        for (const TextureImage& layer : layers)
            if (const D3DFORMAT resolved = ResolveOutputFormat(layer, settings); resolved != settings.format->format)
                form = resolved;
        settings.format = FindFormat(form);
        settings.signFromSource = false;
    }
    if (layers.size() < 2 || settings.format != nullptr)
        return settings;
    std::set<D3DFORMAT> chosen;
    for (const TextureImage& layer : layers)
        chosen.insert(ResolveOutputFormat(layer, settings));
    settings.format = FindFormat(chosen.count(D3DFMT_DXT5) ? D3DFMT_DXT5 : *chosen.begin());
    return settings;
}

void ConvertLayers(std::vector<TextureImage>& layers, const ConvertSettings& settings, WorkPool& pool)
{
    const ConvertSettings layerSettings = SettingsForLayers(layers, settings);
    for (TextureImage& texture : layers)
        texture = ConvertTexture(texture, layerSettings, pool);
}

std::vector<TextureImage> ConvertFileBytes(std::span<const BYTE> bytes, const std::string& name,
                                           const ConvertSettings& settings, WorkPool& pool,
                                           const std::function<void()>& read)
{
    ConvertSettings named = settings;
    if (named.sourceName.empty())
        named.sourceName = name;
    std::vector<TextureImage> textures;
    const FileType type = DetectFileType(bytes, name);
    if (type != FileType::Unknown && ContainerOf(type).open != nullptr) {
        const std::unique_ptr<ImageDecoder> decoder = OpenImage(bytes, name);
        if (WorthConvertingWhileDecoding(decoder->Header(), pool)) {
            textures.push_back(ConvertWhileDecoding(*decoder, named, pool));
            if (read)
                read();
            return textures;
        }
        textures.push_back(decoder->Pixels());
    } else {
        textures = DecodeTextureLayers(bytes, name);
    }
    if (read)
        read();
    ConvertLayers(textures, named, pool);
    return textures;
}

} // namespace r3az8tex
