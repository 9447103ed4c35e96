// Codecs made by the library for images in memory, and single pixels
// through them.
#pragma once

#include "r3az8/tex/pixel_codec.h"
#include "tests/support/memory_image.h"

#include <gtest/gtest.h>

#include <memory>

using CodecPointer = std::unique_ptr<PixelCodec>;

inline CodecPointer MakeCodec(const ImageDesc& desc) { return CodecPointer(CreatePixelCodec(desc)); }

// Every channel exactly as given.
inline void ExpectColor(const FloatColor& actual, float r, float g, float b, float a)
{
    EXPECT_EQ(actual.r, r);
    EXPECT_EQ(actual.g, g);
    EXPECT_EQ(actual.b, b);
    EXPECT_EQ(actual.a, a);
}

// Decodes one pixel given as an integer of the format's width.
template <typename Word>
FloatColor DecodeOne(D3DFORMAT format, Word value, D3DCOLOR colorKey = 0)
{
    MemoryImage image(format, sizeof(Word), 1);
    image.colorKey = colorKey;
    image.Set<Word>(0, 0, 0, value);
    CodecPointer codec = MakeCodec(image.Describe());
    FloatColor color{-9.0f, -9.0f, -9.0f, -9.0f};
    codec->ReadRow(0, 0, &color);
    return color;
}

// Encodes one pixel without dithering and returns it as an integer.
template <typename Word>
Word EncodeOne(D3DFORMAT format, FloatColor color)
{
    MemoryImage image(format, sizeof(Word), 1);
    CodecPointer codec = MakeCodec(image.Describe());
    codec->WriteRow(0, 0, &color);
    return image.Get<Word>(0);
}
