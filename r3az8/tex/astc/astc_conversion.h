// Conversions with ASTC on either side. The texture library's loads never
// see ASTC: a source in it is decoded to 8-bit pixels first, and a result
// in it is made as 8-bit pixels by the usual pipeline (resizing, mips,
// colour key all as for any format) and encoded by libastcenc as the last
// step of every face, level and slice.
#pragma once

#include "r3az8/tex/convert/convert_pipeline.h"

namespace r3az8tex {

// Whether the conversion reads or writes ASTC (a source that is not ASTC
// has an ASTC result only when one is asked for by name).
bool InvolvesAstc(const TextureImage& source, const ConvertSettings& settings);

// ConvertTexture for such a conversion. ASTC blocks that the request leaves
// as they are pass through unchanged, as other block formats' do.
TextureImage ConvertWithAstc(const TextureImage& source, const ConvertSettings& settings, WorkPool& pool,
                             const RowArrival* arrival);

} // namespace r3az8tex
