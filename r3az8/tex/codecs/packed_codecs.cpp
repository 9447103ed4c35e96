// Instantiates the packed codec of every row of the layout table and picks
// one by format.
#include "r3az8/tex/codecs/codec_factories.h"
#include "r3az8/tex/codecs/packed_codec.h"

#include <array>

namespace {

using CodecMaker = PixelCodec* (*)(const ImageDesc&);

template <std::size_t LayoutIndex>
PixelCodec* MakePackedCodec(const ImageDesc& desc)
{
    return new (std::nothrow) packed::PackedCodec<LayoutIndex>(desc);
}

template <std::size_t... LayoutIndex>
constexpr auto MakeCodecMakers(std::index_sequence<LayoutIndex...>)
{
    return std::array<CodecMaker, sizeof...(LayoutIndex)>{MakePackedCodec<LayoutIndex>...};
}

constexpr auto kCodecMakers = MakeCodecMakers(std::make_index_sequence<packed::kLayoutCount>{});

} // namespace

PixelCodec* CreatePackedCodec(const ImageDesc& desc)
{
    const std::size_t index = packed::IndexOf(desc.Format);
    if (index == packed::kLayoutCount)
        return nullptr;
    return kCodecMakers[index](desc);
}
