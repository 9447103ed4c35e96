// CreatePixelCodec: picks the codec family by format, then snaps the colour
// key through the new codec so keyed pixels compare exactly.
#include "r3az8/tex/codecs/buffered_codecs.h"
#include "r3az8/tex/codecs/codec_factories.h"

namespace {

bool RegionIsInverted(const D3DBOX& region)
{
    return region.Right < region.Left || region.Bottom < region.Top || region.Back < region.Front;
}

PixelCodec* CreateCodecOfFamily(const ImageDesc& desc)
{
    // Switched on as a number: the library's own formats are FOURCC codes
    // outside the enumeration.
    switch (static_cast<DWORD>(desc.Format)) {
    case D3DFMT_P8:
    case D3DFMT_A8P8:
        return CreatePaletteCodec(desc);
    case D3DFMT_UYVY:
    case D3DFMT_YUY2:
    case FMT_R8G8_B8G8:
    case FMT_G8R8_G8B8:
        return CreateYuvCodec(desc);
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
    case FMT_BC6H_UF16:
    case FMT_BC6H_SF16:
    case FMT_BC7:
    case FMT_RXGB:
        return CreateDxtCodec(desc);
    default:
        return IsFloatFormat(desc.Format) ? CreateFloatCodec(desc) : CreatePackedCodec(desc);
    }
}

} // namespace

PixelCodec* CreatePixelCodec(const ImageDesc& desc)
{
    // An inverted region would make the unsigned sizes wrap to billions of
    // pixels; no codec can serve it.
    if (RegionIsInverted(desc.Region))
        return nullptr;
    PixelCodec* codec = CreateCodecOfFamily(desc);
    if (codec != nullptr && codec->ColorKey != 0)
        codec->SnapColorKey();
    return codec;
}
