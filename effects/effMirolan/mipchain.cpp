#include "effects/effMirolan/mipchain.h"

#include "r3az8/tex/load.h"

void RegenerateMipChain(void* textureInterface)
{
    if (textureInterface == nullptr)
        return;
    // Each level from the one above with the box filter; on failure the
    // levels keep their last picture, which is still a fair stand-in.
    FilterTexture(static_cast<IDirect3DBaseTexture8*>(static_cast<IDirect3DTexture8*>(textureInterface)), nullptr, 0,
                  IMAGE_FILTER_BOX);
}
