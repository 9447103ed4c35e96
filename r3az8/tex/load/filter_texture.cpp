// Regeneration of a texture's mip chain from one of its levels, level by
// level through the load operations.
#include "com_ref.h"
#include "r3az8/tex/debug.h"
#include "r3az8/tex/load.h"

namespace {

// The levels of one chain: a plain texture, one face of a cube texture, or a
// volume texture. Get hands out a referenced level.
struct PlainLevels {
    using Level = IDirect3DSurface8;
    IDirect3DTexture8* texture;
    HRESULT Get(UINT level, Level** out) const { return texture->GetSurfaceLevel(level, out); }
};

struct CubeFaceLevels {
    using Level = IDirect3DSurface8;
    IDirect3DCubeTexture8* texture;
    D3DCUBEMAP_FACES face;
    HRESULT Get(UINT level, Level** out) const { return texture->GetCubeMapSurface(face, level, out); }
};

struct VolumeLevels {
    using Level = IDirect3DVolume8;
    IDirect3DVolumeTexture8* texture;
    HRESULT Get(UINT level, Level** out) const { return texture->GetVolumeLevel(level, out); }
};

// Whole level to whole level; the size change between them is what the
// filter resamples.
HRESULT LoadLevel(IDirect3DSurface8* dest, IDirect3DSurface8* src, const PALETTEENTRY* palette, DWORD filter)
{
    return LoadSurfaceFromSurface(dest, palette, nullptr, src, palette, nullptr, filter, 0);
}

HRESULT LoadLevel(IDirect3DVolume8* dest, IDirect3DVolume8* src, const PALETTEENTRY* palette, DWORD filter)
{
    return LoadVolumeFromVolume(dest, palette, nullptr, src, palette, nullptr, filter, 0);
}

enum class Chaining {
    FromLevelAbove, // each level from the one just written (box, point)
    FromSourceLevel // each level straight from the source level
};

template <class Levels>
HRESULT FilterChain(const Levels& levels, UINT levelCount, UINT srcLevel, const PALETTEENTRY* palette, DWORD filter,
                    Chaining chaining)
{
    using Level = typename Levels::Level;
    ComRef<Level> source;
    HRESULT hr = levels.Get(srcLevel, source.Receive());
    if (FAILED(hr))
        return hr;
    for (UINT level = srcLevel + 1; level < levelCount; ++level) {
        ComRef<Level> dest;
        hr = levels.Get(level, dest.Receive());
        if (SUCCEEDED(hr))
            hr = LoadLevel(dest.Get(), source.Get(), palette, filter);
        if (FAILED(hr)) {
            source.Reset(); // source before destination
            dest.Reset();
            return hr;
        }
        if (chaining == Chaining::FromLevelAbove)
            source.Adopt(dest); // the level just written feeds the next one
    }
    return S_OK;
}

bool IsPowerOfTwo(UINT size) { return (size & (size - 1)) == 0; }

// Box for power-of-two sizes (exact halving all the way down), triangle
// with dither for everything else. Level 0 decides.
HRESULT ChooseDefaultFilter(IDirect3DBaseTexture8* texture, D3DRESOURCETYPE kind, DWORD& filter)
{
    UINT width = 0;
    UINT height = 0;
    UINT depth = 1;
    HRESULT hr;
    if (kind == D3DRTYPE_VOLUMETEXTURE) {
        D3DVOLUME_DESC desc{};
        hr = static_cast<IDirect3DVolumeTexture8*>(texture)->GetLevelDesc(0, &desc);
        width = desc.Width;
        height = desc.Height;
        depth = desc.Depth;
    } else {
        D3DSURFACE_DESC desc{};
        hr = kind == D3DRTYPE_CUBETEXTURE ? static_cast<IDirect3DCubeTexture8*>(texture)->GetLevelDesc(0, &desc)
                                          : static_cast<IDirect3DTexture8*>(texture)->GetLevelDesc(0, &desc);
        width = desc.Width;
        height = desc.Height;
    }
    if (FAILED(hr))
        return hr;
    filter = IsPowerOfTwo(width) && IsPowerOfTwo(height) && IsPowerOfTwo(depth)
                 ? IMAGE_FILTER_BOX
                 : IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER;
    return S_OK;
}

constexpr D3DCUBEMAP_FACES cubeFaces[] = {
    D3DCUBEMAP_FACE_POSITIVE_X, D3DCUBEMAP_FACE_NEGATIVE_X, D3DCUBEMAP_FACE_POSITIVE_Y,
    D3DCUBEMAP_FACE_NEGATIVE_Y, D3DCUBEMAP_FACE_POSITIVE_Z, D3DCUBEMAP_FACE_NEGATIVE_Z,
};

} // namespace

HRESULT FilterTexture(IDirect3DBaseTexture8* pBaseTexture, const PALETTEENTRY* pPalette, UINT uSrcLevel,
                      DWORD Filter)
{
    // Asked through the resource interface, which every resource kind
    // shares, so that a buffer passed in by mistake is answered safely.
    const D3DRESOURCETYPE kind =
        pBaseTexture ? static_cast<IDirect3DResource8*>(pBaseTexture)->GetType() : D3DRESOURCETYPE(0);
    if (kind != D3DRTYPE_TEXTURE && kind != D3DRTYPE_VOLUMETEXTURE && kind != D3DRTYPE_CUBETEXTURE) {
        DebugPrintf(0, "pBaseTexture pointer is invalid");
        return D3DERR_INVALIDCALL;
    }

    if (Filter == IMAGE_FILTER_DEFAULT) {
        HRESULT hr = ChooseDefaultFilter(pBaseTexture, kind, Filter);
        if (FAILED(hr))
            return hr;
    }
    // Cube faces meet at their edges; wrapping to the opposite edge of the
    // same face would blend unrelated pixels.
    if (kind == D3DRTYPE_CUBETEXTURE)
        Filter |= IMAGE_FILTER_MIRROR;

    const UINT levelCount = pBaseTexture->GetLevelCount();
    if (uSrcLevel == 0xFFFFFFFFu)
        uSrcLevel = 0;
    if (uSrcLevel >= levelCount) {
        DebugPrintf(0, "uSrcLevel larger than num Mip level in the texture");
        return D3DERR_INVALIDCALL;
    }

    // Box and point only ever halve, so each level is made from the one
    // above; the others resample any ratio and go back to the source.
    const DWORD type = FilterType(Filter);
    const Chaining chaining =
        type == IMAGE_FILTER_POINT || type == IMAGE_FILTER_BOX ? Chaining::FromLevelAbove : Chaining::FromSourceLevel;

    switch (kind) {
    case D3DRTYPE_TEXTURE:
        return FilterChain(PlainLevels{static_cast<IDirect3DTexture8*>(pBaseTexture)}, levelCount, uSrcLevel,
                           pPalette, Filter, chaining);
    case D3DRTYPE_VOLUMETEXTURE:
        return FilterChain(VolumeLevels{static_cast<IDirect3DVolumeTexture8*>(pBaseTexture)}, levelCount, uSrcLevel,
                           pPalette, Filter, chaining);
    default: {
        auto* cube = static_cast<IDirect3DCubeTexture8*>(pBaseTexture);
        for (D3DCUBEMAP_FACES face : cubeFaces) {
            HRESULT hr = FilterChain(CubeFaceLevels{cube, face}, levelCount, uSrcLevel, pPalette, Filter, chaining);
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    }
    }
}
