// The YUV and DXT codecs are not built yet: no codec is offered for their
// formats, so Blit reports them as unsupported. This file goes away when
// yuv_codec.cpp and dxt_codec.cpp provide the two functions.
#include "r3az8/tex/codecs/buffered_codecs.h"

PixelCodec* CreateYuvCodec(const ImageDesc&) { return nullptr; }
PixelCodec* CreateDxtCodec(const ImageDesc&) { return nullptr; }
