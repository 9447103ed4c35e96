// Converting an image file while it is decoded, so that one large image
// keeps every core busy: its decoder (zlib and libpng, or libjpeg) is
// serial work that would otherwise come before any conversion.
#pragma once

#include "r3az8/tex/convert/convert_pipeline.h"
#include "r3az8/tex/files/image_decoder.h"

namespace r3az8tex {

// The same result as ConvertTexture(decoder.Pixels(), ...): the decoder
// fills the source on one of the pool's threads while the conversion runs
// on the others, each band waiting for its rows. Errors of the decoder win
// over those of the conversion, which only stops because the rows stopped.
TextureImage ConvertWhileDecoding(ImageDecoder& decoder, const ConvertSettings& settings, WorkPool& pool);

// Whether an image of this size is worth the overlap: a smaller one is
// decoded first, and the pool's other threads are better spent on other
// files.
bool WorthConvertingWhileDecoding(const ImageHeader& header, const WorkPool& pool);

} // namespace r3az8tex
