// What every codec that stores whole pixels side by side in a row shares:
// where a row starts, the colour key after reading, the range conversion
// before writing and the row's dither thresholds. A format writes only its
// two row loops, DecodeRow and EncodeRow; they are called directly, not
// through a second virtual call, so each format's loops still compile into
// straight code of their own. `Concrete` is the format's own codec class.
#pragma once

#include "r3az8/tex/pixel_codec.h"

#include <cstddef>

template <class Concrete>
class RowCodec : public PixelCodec {
public:
    void ReadRow(UINT uRow, UINT uSlice, FloatColor* pColors) final
    {
        static_cast<Concrete*>(this)->DecodeRow(RowStart(uRow, uSlice), pColors);
        if (ColorKey != 0)
            ApplyColorKey(pColors);
    }

    // The row's four dither thresholds (for x % 4 = 0..3) go to EncodeRow;
    // formats that do not dither leave them unread.
    void WriteRow(UINT uRow, UINT uSlice, const FloatColor* pColors) final
    {
        if (ConvertFrom != 0)
            pColors = ConvertRange(pColors);
        static_cast<Concrete*>(this)->EncodeRow(RowStart(uRow, uSlice), pColors,
                                              pDitherTable + (uRow % 4) * 8 + (uSlice % 4));
    }

protected:
    using PixelCodec::PixelCodec;

    BYTE* RowStart(UINT row, UINT slice) const
    {
        return pData + static_cast<std::size_t>(row) * RowPitch + static_cast<std::size_t>(slice) * SlicePitch;
    }
};
