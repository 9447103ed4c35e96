// The pixels of one surface or volume, and the rules for locking them.
//
// One allocation holds every row of every slice. Rows are `rowPitch` bytes
// apart: the bytes of a row of blocks plus the padding set with
// SetPitchPadding when the image was made; slices are `rowPitch` x rows of
// blocks apart. Rectangles and boxes are given in pixels and must start and
// end on block edges (or at the image's right and bottom edge).
#pragma once

#include "d3d8.h"
#include "platform/d3d8/format_layout.h"

#include <cstddef>
#include <memory>

namespace softd3d8 {

// What a real device allows a resource of this pool and usage to do.
struct LockRules {
    bool lockable; // default-pool resources are not, unless dynamic or a lockable render target
    bool dynamic;  // D3DLOCK_DISCARD is only for dynamic resources
};

LockRules RulesFor(D3DPOOL pool, DWORD usage);

class ImageStorage {
public:
    ImageStorage(const FormatLayout& layout, UINT width, UINT height, UINT depth, LockRules rules);
    ~ImageStorage();
    ImageStorage(const ImageStorage&) = delete;
    ImageStorage& operator=(const ImageStorage&) = delete;

    // Sizes the rows with the current pitch padding and allocates the pixels
    // (reading as zero; large images take pages the system has cleared, so
    // nothing is written before the caller fills them). D3DERR_INVALIDCALL when the sizes do not fit the 32-bit
    // fields of the descriptions, E_OUTOFMEMORY when the memory is not there.
    HRESULT Allocate();

    // Locks `area` (null: everything) and reports the address of its first
    // block. `identity` names the locking object in the lock history.
    HRESULT Lock(const void* identity, const D3DBOX* area, DWORD flags, D3DLOCKED_BOX* locked);
    HRESULT Unlock();
    bool IsLocked() const { return locked_; }

    // Whether `area` lies inside the image and on block edges.
    bool IsValidArea(const D3DBOX& area) const;
    D3DBOX WholeArea() const { return {0, 0, width_, height_, 0, depth_}; }

    // Address of the block holding pixel (x, y) of slice z; the caller keeps
    // x and y on block edges.
    std::byte* BlockAt(UINT x, UINT y, UINT z) const;

    const FormatLayout& Layout() const { return layout_; }
    D3DFORMAT Format() const { return layout_.format; }
    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    UINT Depth() const { return depth_; }
    UINT RowPitch() const { return rowPitch_; }
    UINT SlicePitch() const { return slicePitch_; }
    UINT Size() const { return slicePitch_ * depth_; }

private:
    const FormatLayout& layout_;
    UINT width_;
    UINT height_;
    UINT depth_;
    LockRules rules_;
    UINT rowPitch_ = 0;
    UINT slicePitch_ = 0;
    struct FreeBytes {
        void operator()(std::byte* bytes) const;
    };
    std::unique_ptr<std::byte, FreeBytes> bytes_;
    bool locked_ = false;
};

} // namespace softd3d8
