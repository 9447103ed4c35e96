// `consumer IN.png OUT.dds`: a program outside the library, on its public
// headers alone. It reads a PNG file, makes DXT5 with the whole mip chain
// at the normal block quality, writes the DDS file and reads it back.
// Exits 0 when the file reads back as written, 1 with the reason if not.
#include "r3az8/tex/convert.h"
#include "r3az8/tex/texture_files.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: consumer IN.png OUT.dds\n");
        return 1;
    }
    try {
        using namespace r3az8tex;
        const TextureImage image = ReadTextureFile(argv[1]);
        ConvertOptions options;
        options.format = D3DFMT_DXT5;
        options.mips = 0; // the whole chain
        options.quality = BlockQuality::Normal;
        const TextureImage texture = ConvertTexture(image, options);
        WriteTextureFile(argv[2], texture);
        const TextureImage back = ReadTextureFile(argv[2]);
        if (back.format != D3DFMT_DXT5 || back.width != image.width || back.height != image.height ||
            back.levels != FullChainLength(image.width, image.height, 1) || back.surfaces != texture.surfaces) {
            std::fprintf(stderr, "consumer: %s does not read back as it was written\n", argv[2]);
            return 1;
        }
        std::printf("consumer: %s -> %s, %ux%u dxt5 with %u levels\n", argv[1], argv[2], back.width, back.height,
                    back.levels);
        return 0;
    } catch (const r3az8tex::TextureError& error) {
        std::fprintf(stderr, "consumer: %s\n", error.what());
        return 1;
    }
}
