// CopyRects: block copies between two surfaces of one format.
//
// Works on any pool without locking, as the runtime's blitter does. Every
// rectangle is checked before the first byte moves, so a refused call
// leaves the destination untouched. Rectangles are in pixels but must cover
// whole storage blocks (4x4 for DXT, pixel pairs for YUY2 and UYVY); a block
// cut by the source's right or bottom edge is copied whole, so a 6x6 DXT
// surface copies into an 8x8 one and back.
#include "platform/d3d8/device.h"
#include "platform/d3d8/surface.h"

#include <cstring>

namespace softd3d8 {

namespace {

struct Piece {
    D3DBOX area; // in the source, on block edges
    UINT x;      // destination corner, on block edges
    UINT y;
};

// The piece for rectangle `index`, or false when it does not fit.
bool PlanPiece(const ImageStorage& from, const ImageStorage& to, const RECT* rects, UINT index, const POINT* points,
               Piece& piece)
{
    if (rects == nullptr) {
        piece.area = from.WholeArea();
    } else if (!RectToBox(rects[index], piece.area) || !from.IsValidArea(piece.area)) {
        return false;
    }
    LONG x = points != nullptr ? points[index].x : LONG(piece.area.Left);
    LONG y = points != nullptr ? points[index].y : LONG(piece.area.Top);
    if (rects == nullptr && points == nullptr)
        x = y = 0;
    if (x < 0 || y < 0)
        return false;
    piece.x = UINT(x);
    piece.y = UINT(y);
    const FormatLayout& layout = from.Layout();
    if (piece.x % layout.blockWidth != 0 || piece.y % layout.blockHeight != 0)
        return false;
    uint64_t blocksAcross = layout.BlocksAcross(piece.area.Right) - piece.area.Left / layout.blockWidth;
    uint64_t blocksDown = layout.BlocksDown(piece.area.Bottom) - piece.area.Top / layout.blockHeight;
    return piece.x / layout.blockWidth + blocksAcross <= layout.BlocksAcross(to.Width()) &&
           piece.y / layout.blockHeight + blocksDown <= layout.BlocksDown(to.Height());
}

void CopyPiece(const ImageStorage& from, ImageStorage& to, const Piece& piece)
{
    const FormatLayout& layout = from.Layout();
    size_t rowBytes = size_t(layout.BlocksAcross(piece.area.Right) - piece.area.Left / layout.blockWidth) *
                      layout.blockBytes;
    UINT rows = layout.BlocksDown(piece.area.Bottom) - piece.area.Top / layout.blockHeight;
    if (rowBytes == 0)
        return;
    const std::byte* source = from.BlockAt(piece.area.Left, piece.area.Top, 0);
    std::byte* destination = to.BlockAt(piece.x, piece.y, 0);
    for (UINT row = 0; row < rows; ++row)
        std::memcpy(destination + size_t(row) * to.RowPitch(), source + size_t(row) * from.RowPitch(), rowBytes);
}

} // namespace

HRESULT CopySurfaceRects(IDirect3DSurface8* source, const RECT* sourceRects, UINT rectCount,
                         IDirect3DSurface8* destination, const POINT* destinationPoints)
{
    Surface* from = Surface::FromInterface(source);
    Surface* to = Surface::FromInterface(destination);
    // One surface cannot be both ends: the runtime copies between two.
    if (from == nullptr || to == nullptr || from == to)
        return D3DERR_INVALIDCALL;
    ImageStorage& fromStorage = from->Storage();
    ImageStorage& toStorage = to->Storage();
    if (fromStorage.Format() != toStorage.Format() || fromStorage.IsLocked() || toStorage.IsLocked())
        return D3DERR_INVALIDCALL;
    UINT pieces = sourceRects == nullptr ? 1 : rectCount;
    Piece piece;
    for (UINT index = 0; index < pieces; ++index)
        if (!PlanPiece(fromStorage, toStorage, sourceRects, index, destinationPoints, piece))
            return D3DERR_INVALIDCALL;
    for (UINT index = 0; index < pieces; ++index) {
        PlanPiece(fromStorage, toStorage, sourceRects, index, destinationPoints, piece);
        CopyPiece(fromStorage, toStorage, piece);
    }
    return D3D_OK;
}

} // namespace softd3d8
