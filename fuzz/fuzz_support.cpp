#include "fuzz/fuzz_support.h"

#include "r3az8/tex/codecs/format_catalogue.h"
#include "r3az8/tex/load/lock_area.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace fuzzing {

void Fail(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("fuzz check failed: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
    std::abort();
}

// --- formats ---------------------------------------------------------------------

namespace {

// The formats most inputs pick from, in the order kept inputs pick them by.
constexpr D3DFORMAT kCommonFormats[] = {
    D3DFMT_R8G8B8,   D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8,    D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5,   D3DFMT_A1R5G5B5,
    D3DFMT_A4R4G4B4, D3DFMT_R3G3B2,   D3DFMT_A8,          D3DFMT_A8R3G3B2, D3DFMT_X4R4G4B4,   D3DFMT_A2B10G10R10,
    D3DFMT_G16R16,   D3DFMT_A8P8,     D3DFMT_P8,          D3DFMT_L8,       D3DFMT_A8L8,       D3DFMT_A4L4,
    D3DFMT_V8U8,     D3DFMT_L6V5U5,   D3DFMT_X8L8V8U8,    D3DFMT_Q8W8V8U8, D3DFMT_V16U16,     D3DFMT_W11V11U10,
    D3DFMT_A2W10V10U10, D3DFMT_D16_LOCKABLE, FMT_L16, FMT_A16L16, FMT_R16G16B16, FMT_A16R16G16B16, D3DFMT_UYVY,
    D3DFMT_YUY2,     D3DFMT_DXT1,     D3DFMT_DXT2,        D3DFMT_DXT3,     D3DFMT_DXT4,       D3DFMT_DXT5,
};

} // namespace

const std::vector<FormatStorage>& CodecFormats()
{
    // The common formats first, then the rest of the library's catalogue
    // (float, BC4-BC7 and the others), so that a format an input names by
    // its number gets the storage its codec reads.
    static const std::vector<FormatStorage> formats = [] {
        std::vector<FormatStorage> storages;
        auto add = [&](D3DFORMAT format) {
            const CodecFormat* entry = FindCodecFormat(format);
            if (entry == nullptr)
                Fail("format %u is not in the library's catalogue", unsigned(format));
            const StorageUnit unit = StorageUnitOf(format);
            storages.push_back({format, unit.width, unit.height, entry->unitBytes});
        };
        for (const D3DFORMAT format : kCommonFormats)
            add(format);
        for (const CodecFormat& entry : kCodecFormats)
            if (std::find(std::begin(kCommonFormats), std::end(kCommonFormats), entry.format) ==
                std::end(kCommonFormats))
                add(entry.format);
        return storages;
    }();
    return formats;
}

namespace {

// Formats the library has no codec for, which it must refuse cleanly.
constexpr D3DFORMAT kFormatsWithoutCodec[] = {
    D3DFMT_UNKNOWN, D3DFMT_D32, D3DFMT_D15S1, D3DFMT_D24S8, D3DFMT_D16,
    D3DFMT_D24X8,   D3DFMT_D24X4S4, D3DFMT_VERTEXDATA, D3DFMT_INDEX16, D3DFMT_INDEX32,
};

const FormatStorage* FindStorage(D3DFORMAT format)
{
    for (const FormatStorage& storage : CodecFormats())
        if (storage.format == format)
            return &storage;
    return nullptr;
}

uint64_t DivideRoundingUp(uint64_t value, uint64_t divisor) { return (value + divisor - 1) / divisor; }

} // namespace

FormatStorage StorageOf(D3DFORMAT format)
{
    const FormatStorage* storage = FindStorage(format);
    return storage != nullptr ? *storage : FormatStorage{format, 1, 1, 1};
}

bool HasCodec(D3DFORMAT format) { return FindStorage(format) != nullptr; }

bool IsBlockCompressed(D3DFORMAT format) { return StorageOf(format).blockHeight == 4; }

D3DFORMAT PickFormat(FuzzedDataProvider& data)
{
    switch (data.ConsumeIntegralInRange(0, 15)) {
    case 0:
        return kFormatsWithoutCodec[data.ConsumeIntegralInRange<size_t>(0, std::size(kFormatsWithoutCodec) - 1)];
    case 1:
        if (data.ConsumeBool())
            return D3DFORMAT(data.ConsumeIntegral<uint32_t>());
        [[fallthrough]];
    default:
        return kCommonFormats[data.ConsumeIntegralInRange<size_t>(0, std::size(kCommonFormats) - 1)];
    }
}

UINT UnitsAcross(const FormatStorage& storage, UINT width)
{
    return UINT(DivideRoundingUp(width, storage.blockWidth));
}

UINT UnitsDown(const FormatStorage& storage, UINT height)
{
    return UINT(DivideRoundingUp(height, storage.blockHeight));
}

uint64_t RowBytes(const FormatStorage& storage, UINT width)
{
    return uint64_t(UnitsAcross(storage, width)) * storage.blockBytes;
}

uint64_t ImageBytes(const FormatStorage& storage, UINT width, UINT height, UINT depth, uint64_t rowPitch,
                    uint64_t slicePitch)
{
    if (width == 0 || height == 0 || depth == 0)
        return 0;
    return uint64_t(depth - 1) * slicePitch + uint64_t(UnitsDown(storage, height) - 1) * rowPitch +
           RowBytes(storage, width);
}

UINT PickRowPitch(FuzzedDataProvider& data, const FormatStorage& storage, UINT width)
{
    uint64_t tight = RowBytes(storage, width);
    uint64_t pitch = tight;
    switch (data.ConsumeIntegralInRange(0, 7)) {
    case 0:
        pitch += data.ConsumeIntegralInRange<uint64_t>(1, 3); // odd slack: rows not aligned
        break;
    case 1:
        pitch += 4 * data.ConsumeIntegralInRange<uint64_t>(1, 64);
        break;
    case 2:
        pitch = data.ConsumeIntegralInRange<uint64_t>(0, tight); // rows overlap
        break;
    default:
        break;
    }
    return UINT(std::min<uint64_t>(pitch, std::numeric_limits<UINT>::max()));
}

// --- filter words, colour keys, palettes --------------------------------------

DWORD PickFilter(FuzzedDataProvider& data)
{
    switch (data.ConsumeIntegralInRange(0, 15)) {
    case 0:
        return data.ConsumeIntegral<uint32_t>();
    case 1:
        return IMAGE_FILTER_DEFAULT;
    default: {
        DWORD type = data.ConsumeIntegralInRange<DWORD>(IMAGE_FILTER_NONE, IMAGE_FILTER_BOX);
        DWORD flags = data.ConsumeIntegralInRange<DWORD>(0, 15) << 16; // mirrors and dither
        return type | flags;
    }
    }
}

D3DCOLOR PickColorKey(FuzzedDataProvider& data)
{
    if (data.ConsumeBool())
        return 0;
    switch (data.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return 0xFF000000u; // opaque black: keys out what a zeroed image holds
    case 1:
        return 0xFFFFFFFFu;
    default:
        return data.ConsumeIntegral<uint32_t>();
    }
}

Palette Palette::Pick(FuzzedDataProvider& data)
{
    Palette palette;
    if (data.ConsumeBool()) {
        palette.entries_.reset(new PALETTEENTRY[256]);
        FillBytes(data, reinterpret_cast<BYTE*>(palette.entries_.get()), 256 * sizeof(PALETTEENTRY));
    }
    return palette;
}

// --- caller memory -------------------------------------------------------------------

void FillBytes(FuzzedDataProvider& data, BYTE* bytes, size_t size)
{
    // Straight into place: this runs for every row of every level.
    const size_t given = data.ConsumeData(bytes, std::min(size, data.remaining_bytes() / 2));
    // The rest from xorshift, so large images are not all zeros.
    uint32_t state = data.ConsumeIntegral<uint32_t>() | 1u;
    for (size_t i = given; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = BYTE(state >> 24);
    }
}

ExactBuffer::ExactBuffer(FuzzedDataProvider& data, size_t size) : bytes_(new BYTE[size]), size_(size)
{
    FillBytes(data, bytes_.get(), size);
}

// --- floats -------------------------------------------------------------------------

float PickFloat(FuzzedDataProvider& data)
{
    switch (data.ConsumeIntegralInRange(0, 31)) {
    case 0:
        return std::numeric_limits<float>::quiet_NaN();
    case 1:
        return std::bit_cast<float>(0xFFC00001u); // negative NaN with payload
    case 2:
        return std::numeric_limits<float>::infinity();
    case 3:
        return -std::numeric_limits<float>::infinity();
    case 4:
        return -0.0f;
    case 5:
        return std::numeric_limits<float>::denorm_min();
    case 6:
        return FLT_MAX;
    case 7:
        return -FLT_MAX;
    case 8:
        return -data.ConsumeProbability<float>();
    case 9:
        return 1.0f + data.ConsumeProbability<float>() * 1e6f;
    case 10:
    case 11:
        return std::bit_cast<float>(data.ConsumeIntegral<uint32_t>());
    case 12:
        return 0.0f;
    case 13:
        return 1.0f;
    case 14:
        return 0.5f;
    default:
        return data.ConsumeProbability<float>();
    }
}

} // namespace fuzzing
