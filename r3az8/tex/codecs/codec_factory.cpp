// CreatePixelCodec: makes the codec the format catalogue names for the
// format, then snaps the colour key through the new codec so keyed pixels
// compare exactly.
#include "r3az8/tex/codecs/format_catalogue.h"

namespace {

bool RegionIsInverted(const D3DBOX& region)
{
    return region.Right < region.Left || region.Bottom < region.Top || region.Back < region.Front;
}

PixelCodec* CreateCodecOfFamily(const ImageDesc& desc)
{
    const CodecFormat* entry = FindCodecFormat(desc.Format);
    return entry != nullptr ? entry->createCodec(desc) : nullptr;
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
