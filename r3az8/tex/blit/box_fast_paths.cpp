// Box halving on packed pixels of equal formats: every field of a 2x2 quad
// becomes (sum of its four values + 2) >> 2 without leaving integers.
//
// The 8- and 16-bit formats average two or three fields per addition: the
// fields are split into two groups of alternate fields, so that each field
// of a group has free bits above it to take the carry of a four-value sum.
// Both groups are summed, rounded and shifted once, and each field is kept
// from the group in which it was exact. Fields without meaning (X) belong
// to neither group and come out as 0. The fields are those of the format's
// packed layout (packed_formats.h).
#include "r3az8/tex/blit/box_fast_paths.h"

#include "r3az8/tex/blit/box_kernels.h"
#include "r3az8/tex/codecs/packed_formats.h"

#include <cstring>
#include <type_traits>

namespace {

// The two alternating groups of a layout's fields, counted from the highest
// field down: the highest, the third, ... in the first group.
struct FieldGroups {
    uint32_t first;
    uint32_t second;
};

constexpr FieldGroups SplitAlternateFields(const packed::Layout& layout)
{
    FieldGroups groups{0, 0};
    for (unsigned index = 0; index < layout.fieldCount; ++index) {
        const packed::Field& field = layout.fields[index];
        unsigned fieldsAbove = 0;
        for (unsigned other = 0; other < layout.fieldCount; ++other)
            if (layout.fields[other].shift > field.shift)
                ++fieldsAbove;
        const uint32_t mask = ((1u << field.bits) - 1u) << field.shift;
        (fieldsAbove % 2 == 0 ? groups.first : groups.second) |= mask;
    }
    return groups;
}

constexpr FieldGroups GroupsOf(D3DFORMAT format) { return SplitAlternateFields(*packed::FindLayout(format)); }

// 2 at the lowest bit of every field of the group.
constexpr uint32_t RoundingConstant(uint32_t group) { return (group & ~(group << 1)) << 1; }

// A four-value sum of a field needs two bits more than the field: they must
// be free in its group and inside the 32-bit sum.
constexpr bool SumsStayApart(uint32_t group)
{
    uint32_t topBits = group & ~(group >> 1);
    return (((topBits << 1) | (topBits << 2)) & group) == 0 && topBits < (1u << 30);
}

template <class Pixel>
inline uint32_t Load(const BYTE* address)
{
    Pixel pixel;
    std::memcpy(&pixel, address, sizeof pixel);
    return pixel;
}

template <D3DFORMAT kFormat>
HRESULT HalvePacked(const PixelCodec& src, const PixelCodec& dest)
{
    constexpr unsigned kBytes = packed::FindLayout(kFormat)->bytes;
    static_assert(kBytes == 1 || kBytes == 2, "the averaging works on 8- and 16-bit pixels");
    using Pixel = std::conditional_t<kBytes == 1, uint8_t, uint16_t>;
    constexpr FieldGroups groups = GroupsOf(kFormat);
    static_assert(SumsStayApart(groups.first) && SumsStayApart(groups.second));
    static_assert((groups.first & groups.second) == 0);
    constexpr uint32_t firstRounding = RoundingConstant(groups.first);
    constexpr uint32_t secondRounding = RoundingConstant(groups.second);
    constexpr size_t size = sizeof(Pixel);

    const UINT destWidth = src.Width / 2;
    for (UINT pair = 0; pair < src.Height / 2; ++pair) {
        const BYTE* upper = src.pData + size_t(2 * pair) * src.RowPitch;
        const BYTE* lower = upper + src.RowPitch;
        BYTE* out = dest.pData + size_t(pair) * dest.RowPitch;
        for (UINT x = 0; x < destWidth; ++x) {
            uint32_t p0 = Load<Pixel>(upper + 2 * size * x), p1 = Load<Pixel>(upper + 2 * size * x + size);
            uint32_t p2 = Load<Pixel>(lower + 2 * size * x), p3 = Load<Pixel>(lower + 2 * size * x + size);
            uint32_t first = (p0 & groups.first) + (p1 & groups.first) + (p2 & groups.first) +
                             (p3 & groups.first) + firstRounding;
            uint32_t second = (p0 & groups.second) + (p1 & groups.second) + (p2 & groups.second) +
                              (p3 & groups.second) + secondRounding;
            Pixel mean = Pixel(((first >> 2) & groups.first) | ((second >> 2) & groups.second));
            std::memcpy(out + size * x, &mean, size);
        }
    }
    return S_OK;
}

// The masks and constants the layouts give, as a reader would work them out.
static_assert(GroupsOf(D3DFMT_R5G6B5).first == 0xF81F && GroupsOf(D3DFMT_R5G6B5).second == 0x07E0);
static_assert(RoundingConstant(GroupsOf(D3DFMT_R5G6B5).first) == 0x1002 &&
              RoundingConstant(GroupsOf(D3DFMT_R5G6B5).second) == 0x0040);
static_assert(GroupsOf(D3DFMT_A1R5G5B5).first == 0x83E0 && GroupsOf(D3DFMT_A1R5G5B5).second == 0x7C1F);
static_assert(GroupsOf(D3DFMT_X1R5G5B5).first == 0x7C1F && GroupsOf(D3DFMT_X4R4G4B4).first == 0x0F0F);
// L8 shares the A8 routine: one 8-bit field either way.
static_assert(GroupsOf(D3DFMT_L8).first == GroupsOf(D3DFMT_A8).first && GroupsOf(D3DFMT_A8).second == 0);

struct FastPathEntry {
    D3DFORMAT format;
    BoxFastPath fastPath;
};

constexpr FastPathEntry kFastPaths[] = {
    {D3DFMT_A8R8G8B8, &Blitter::BoxHalveA8R8G8B8}, {D3DFMT_X8R8G8B8, &Blitter::BoxHalveX8R8G8B8},
    {D3DFMT_R5G6B5, &Blitter::BoxHalveR5G6B5},     {D3DFMT_X1R5G5B5, &Blitter::BoxHalveX1R5G5B5},
    {D3DFMT_A1R5G5B5, &Blitter::BoxHalveA1R5G5B5}, {D3DFMT_A4R4G4B4, &Blitter::BoxHalveA4R4G4B4},
    {D3DFMT_R3G3B2, &Blitter::BoxHalveR3G3B2},     {D3DFMT_A8, &Blitter::BoxHalveA8},
    {D3DFMT_A8R3G3B2, &Blitter::BoxHalveA8R3G3B2}, {D3DFMT_X4R4G4B4, &Blitter::BoxHalveX4R4G4B4},
    {D3DFMT_L8, &Blitter::BoxHalveA8}, // luminance averages like alpha
    {D3DFMT_A8L8, &Blitter::BoxHalveA8L8},         {D3DFMT_A4L4, &Blitter::BoxHalveA4L4},
};

} // namespace

BoxFastPath FindBoxFastPath(D3DFORMAT format)
{
    for (const FastPathEntry& entry : kFastPaths)
        if (entry.format == format)
            return entry.fastPath;
    return nullptr;
}

HRESULT Blitter::BoxHalveA8R8G8B8()
{
    return g_pfnBoxKernelA8R8G8B8.load()(pDest->pData, pSrc->pData, pSrc->Width, pSrc->Height, pSrc->RowPitch,
                                  pDest->RowPitch);
}

HRESULT Blitter::BoxHalveX8R8G8B8()
{
    return g_pfnBoxKernelX8R8G8B8.load()(pDest->pData, pSrc->pData, pSrc->Width, pSrc->Height, pSrc->RowPitch,
                                  pDest->RowPitch);
}

HRESULT Blitter::BoxHalveR5G6B5() { return HalvePacked<D3DFMT_R5G6B5>(*pSrc, *pDest); }
HRESULT Blitter::BoxHalveX1R5G5B5() { return HalvePacked<D3DFMT_X1R5G5B5>(*pSrc, *pDest); }
HRESULT Blitter::BoxHalveA1R5G5B5() { return HalvePacked<D3DFMT_A1R5G5B5>(*pSrc, *pDest); }
HRESULT Blitter::BoxHalveA4R4G4B4() { return HalvePacked<D3DFMT_A4R4G4B4>(*pSrc, *pDest); }
HRESULT Blitter::BoxHalveR3G3B2() { return HalvePacked<D3DFMT_R3G3B2>(*pSrc, *pDest); }
HRESULT Blitter::BoxHalveA8() { return HalvePacked<D3DFMT_A8>(*pSrc, *pDest); }
HRESULT Blitter::BoxHalveA8R3G3B2() { return HalvePacked<D3DFMT_A8R3G3B2>(*pSrc, *pDest); }
HRESULT Blitter::BoxHalveX4R4G4B4() { return HalvePacked<D3DFMT_X4R4G4B4>(*pSrc, *pDest); }
HRESULT Blitter::BoxHalveA8L8() { return HalvePacked<D3DFMT_A8L8>(*pSrc, *pDest); }
HRESULT Blitter::BoxHalveA4L4() { return HalvePacked<D3DFMT_A4L4>(*pSrc, *pDest); }
