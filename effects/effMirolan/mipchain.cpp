#include "effects/effMirolan/mipchain.h"

// The texture library's mip-chain filter is not part of the build yet: until
// it is, the levels below the top keep what they were created with. The
// call to make here is
//   FilterTexture(static_cast<IDirect3DBaseTexture8*>(textureInterface), nullptr, 0, IMAGE_FILTER_BOX);
// from "r3az8/tex/load.h".
void RegenerateMipChain(void* textureInterface) { (void)textureInterface; }
