// ASTC blocks through libastcenc: a texture of 8-bit pixels (LDR forms) or
// 32-bit floats (HDR forms) into blocks of an ASTC format, and back. The blocks are those of the ASTC format's public
// description; the encoder's search is libastcenc's, at its presets.
#pragma once

#include "r3az8/tex/block_encoder.h"
#include "r3az8/tex/convert/work_pool.h"
#include "r3az8/tex/texture/texture_image.h"

namespace r3az8tex {

struct AstcEncoding {
    // Fast, Normal and High are libastcenc's -fast, -medium and -thorough.
    BlockQuality quality = BlockQuality::Normal;
    // Srgb picks the LDR sRGB profile (the blocks decode as sRGB-encoded
    // colour), anything else the linear LDR one.
    ColourSpace colourSpace = ColourSpace::Unspecified;
    // Red, green and blue errors weighed as the library's other encoders
    // weigh them for perceptual colour (luma weights); off, libastcenc
    // counts the four channels alike, as its command line does.
    bool perceptual = false;
};

// Every face and level of an A8R8G8B8 texture (A32B32G32R32F for an HDR
// form, coded with libastcenc's HDR profile) as blocks of the ASTC format.
// One libastcenc context serves the whole texture; every surface is
// encoded by all of the pool's threads together, and the blocks do not
// depend on how many there are. Throws TextureError (Internal) when
// libastcenc refuses.
TextureImage EncodeAstc(const TextureImage& pixels, D3DFORMAT format, const AstcEncoding& encoding, WorkPool& pool);

// The first `levels` levels of every face of an ASTC texture as A8R8G8B8,
// decoded with the profile of its colour space, or as A32B32G32R32F for an
// HDR form. Blocks that break the
// format decode to the error colour (opaque magenta), as on hardware.
TextureImage DecodeAstc(const TextureImage& blocks, uint32_t levels);

} // namespace r3az8tex
