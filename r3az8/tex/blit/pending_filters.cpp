// Resampling operations not built yet: each declines, so Blit ends with
// "No suitable image filter found" for pairs only they could serve.
// Remove an entry here when its own file provides it.
#include "r3az8/tex/blitter.h"

HRESULT Blitter::FilterNone() { return E_FAIL; }
HRESULT Blitter::FilterPoint() { return E_FAIL; }
HRESULT Blitter::FilterBox2D() { return E_FAIL; }
HRESULT Blitter::FilterBox3D() { return E_FAIL; }
HRESULT Blitter::FilterLinear2D() { return E_FAIL; }
HRESULT Blitter::FilterLinear3D() { return E_FAIL; }
HRESULT Blitter::FilterTriangle2D() { return E_FAIL; }
HRESULT Blitter::FilterTriangle3D() { return E_FAIL; }
