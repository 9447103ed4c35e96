#include "r3az8/tex/load/lock_area.h"

#include "r3az8/tex/codecs/format_catalogue.h"

#include <algorithm>

namespace {

UINT RoundDownToUnits(UINT value, UINT unit) { return value - value % unit; }

} // namespace

StorageUnit StorageUnitOf(D3DFORMAT format)
{
    // A format the catalogue does not know stores each pixel on its own.
    const CodecFormat* entry = FindCodecFormat(format);
    if (entry == nullptr)
        return {1, 1};
    const StorageUnitSize size = UnitSizeOf(entry->storage);
    return {size.width, size.height};
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

bool ChooseRegion(const D3DBOX* requested, const D3DBOX& whole, D3DBOX& region, bool& partial)
{
    region = whole;
    partial = false;
    if (requested == nullptr)
        return true;
    const D3DBOX& box = *requested;
    if (!(whole.Left <= box.Left && box.Left <= box.Right && box.Right <= whole.Right && whole.Top <= box.Top &&
          box.Top <= box.Bottom && box.Bottom <= whole.Bottom && whole.Front <= box.Front && box.Front <= box.Back &&
          box.Back <= whole.Back))
        return false;
    region = box;
    partial = !SameBox(region, whole);
    return true;
}

void DescribeLockedImage(void* bits, UINT rowPitch, UINT slicePitch, D3DFORMAT format, const D3DBOX& whole,
                         D3DBOX region, const LockArea& area, const PALETTEENTRY* palette, ImageDesc& image)
{
    if (!area.whole) {
        region.Left -= area.box.Left;
        region.Right -= area.box.Left;
        region.Top -= area.box.Top;
        region.Bottom -= area.box.Top;
        region.Front -= area.box.Front;
        region.Back -= area.box.Front;
    }
    image = {bits, format, rowPitch, slicePitch, whole, region, 1, 0, palette};
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
