// Questions about what a surface or volume belongs to. Each asks the
// object for its container with debug output muted, because the question
// fails (and the runtime complains) for every object that has none; the
// container's reference is given back before the answer is returned.
#pragma once

#include "d3d8.h"

// The surface is a level (or a cube face level) of some texture.
bool IsTextureLevel(IDirect3DSurface8* surface);

// The surface is a level of a plain texture that has exactly one level.
bool IsLevelOfSingleLevelTexture(IDirect3DSurface8* surface);

// The volume is a level of a volume texture that has exactly one level.
bool IsLevelOfSingleLevelVolumeTexture(IDirect3DVolume8* volume);
