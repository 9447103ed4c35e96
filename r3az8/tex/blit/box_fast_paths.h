// Which box fast path serves a format: the packed formats whose fields can
// be averaged without decoding them.
#pragma once

#include "r3az8/tex/blitter.h"

using BoxFastPath = HRESULT (Blitter::*)();

// The fast path for source and destination both of this format, or null
// when the format takes the general path.
BoxFastPath FindBoxFastPath(D3DFORMAT format);
