#include "r3az8/tex/load/lock_area.h"

#include "r3az8/tex/pixel_codec.h"

#include <algorithm>

namespace {

struct GroupedFormat {
    D3DFORMAT format;
    StorageUnit unit;
};

// Formats whose pixels are stored in groups; every other format stores
// each pixel on its own.
constexpr GroupedFormat groupedFormats[] = {
    {D3DFMT_DXT1, {4, 4}},    {D3DFMT_DXT2, {4, 4}},    {D3DFMT_DXT3, {4, 4}},  {D3DFMT_DXT4, {4, 4}},
    {D3DFMT_DXT5, {4, 4}},    {FMT_BC6H_UF16, {4, 4}},  {FMT_BC6H_SF16, {4, 4}}, {FMT_BC7, {4, 4}},
    {FMT_RXGB, {4, 4}},       {D3DFMT_YUY2, {2, 1}},    {D3DFMT_UYVY, {2, 1}},  {FMT_R8G8_B8G8, {2, 1}},
    {FMT_G8R8_G8B8, {2, 1}},
};

UINT RoundDownToUnits(UINT value, UINT unit) { return value - value % unit; }

} // namespace

StorageUnit StorageUnitOf(D3DFORMAT format)
{
    for (const GroupedFormat& entry : groupedFormats)
        if (entry.format == format)
            return entry.unit;
    return {1, 1};
}

UINT RoundUpToUnits(UINT size, UINT unit)
{
    // 64-bit so that a size near the top of the range cannot wrap to 0.
    uint64_t rounded = (uint64_t(size) + unit - 1) / unit * unit;
    return rounded > UINT32_MAX ? RoundDownToUnits(UINT32_MAX, unit) : UINT(rounded);
}

bool SameBox(const D3DBOX& a, const D3DBOX& b)
{
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom &&
           a.Front == b.Front && a.Back == b.Back;
}

LockArea WidenToStorageUnits(D3DFORMAT format, const D3DBOX& wanted, const D3DBOX& whole)
{
    StorageUnit unit = StorageUnitOf(format);
    LockArea area;
    area.box = wanted;
    area.box.Left = RoundDownToUnits(wanted.Left, unit.width);
    area.box.Top = RoundDownToUnits(wanted.Top, unit.height);
    area.box.Right = std::min(RoundUpToUnits(wanted.Right, unit.width), whole.Right);
    area.box.Bottom = std::min(RoundUpToUnits(wanted.Bottom, unit.height), whole.Bottom);
    area.whole = SameBox(area.box, whole);
    return area;
}

bool IsDxtFormat(D3DFORMAT format) { return StorageUnitOf(format).height == 4; }
