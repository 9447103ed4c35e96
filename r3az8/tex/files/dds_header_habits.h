// Spellings of a legacy pixel format that other readers understand. The
// DDS format table describes each mask layout one way, the way the reader
// matches it; some readers know a layout only under another spelling.
// nvdecompress reads masks only under DDPF_RGB: without that flag it
// decodes luminance as black and alpha-only as opaque. So the writer adds
// the flag to luminance layouts (with the grey mask in red, green and blue,
// which ImageMagick and Pillow read as grey too) and to the alpha-only
// layout (with the alpha flag), and the reader maps such spellings, ours
// or another writer's, back to the table's.
#pragma once

#include "r3az8/tex/files/dds_format_table.h"

namespace r3az8tex::dds {

// What the writer stores for a format whose table description is `own`.
DdsPixelFormat WidelyReadForm(const DdsPixelFormat& own);

// The table's description of a stored spelling (unchanged when it is one).
DdsPixelFormat CanonicalForm(const DdsPixelFormat& stored);

} // namespace r3az8tex::dds
