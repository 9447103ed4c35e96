// Regeneration of the effect texture's mip chain after a re-render.
#pragma once

// Rebuilds every level below the top of the Direct3D 8 texture from the one
// above it with a box filter; the result is not looked at, as the picture at
// the top level is what matters. A null texture does nothing.
void RegenerateMipChain(void* textureInterface);
