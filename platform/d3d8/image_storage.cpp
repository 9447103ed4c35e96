#include "platform/d3d8/image_storage.h"

#include "d3d8_testing.h"
#include "platform/d3d8/object_registry.h"
#include "process_state.h"

#include <atomic>
#include <climits>
#include <cstdlib>
#include <deque>
#include <mutex>

namespace softd3d8 {

namespace {

std::atomic<UINT> pitchPadding{0};

// The history keeps the most recent locks only, so long runs do not grow
// without bound.
constexpr size_t kLockHistoryLength = 4096;

struct LockHistory {
    std::mutex mutex;
    std::deque<d3d8::LockRecord> records;
};

void Record(const void* identity, DWORD flags, const D3DBOX* area, const D3DBOX& whole, HRESULT result)
{
    Locked<LockHistory> history;
    if (history->records.size() == kLockHistoryLength)
        history->records.pop_front();
    history->records.push_back({identity, flags, area == nullptr, area != nullptr ? *area : whole, result});
}

constexpr DWORD kKnownLockFlags =
    D3DLOCK_READONLY | D3DLOCK_DISCARD | D3DLOCK_NOOVERWRITE | D3DLOCK_NOSYSLOCK | D3DLOCK_NO_DIRTY_UPDATE;

} // namespace

LockRules RulesFor(D3DPOOL pool, DWORD usage)
{
    bool dynamic = (usage & D3DUSAGE_DYNAMIC) != 0;
    return {pool != D3DPOOL_DEFAULT || dynamic, dynamic};
}

ImageStorage::ImageStorage(const FormatLayout& layout, UINT width, UINT height, UINT depth, LockRules rules)
    : layout_(layout), width_(width), height_(height), depth_(depth), rules_(rules)
{
}

ImageStorage::~ImageStorage()
{
    // A resource destroyed while locked is no longer locked by anyone.
    if (locked_)
        CountLockReleased();
}

HRESULT ImageStorage::Allocate()
{
    uint64_t row = uint64_t(layout_.BlocksAcross(width_)) * layout_.blockBytes + pitchPadding.load();
    uint64_t slice = row * layout_.BlocksDown(height_);
    uint64_t total = slice * depth_;
    // Pitches are INT and sizes UINT in the descriptions.
    if (width_ == 0 || height_ == 0 || depth_ == 0 || row > INT_MAX || slice > INT_MAX || total > UINT_MAX)
        return D3DERR_INVALIDCALL;
    bytes_.reset(static_cast<std::byte*>(std::calloc(total != 0 ? total : 1, 1)));
    if (!bytes_)
        return E_OUTOFMEMORY;
    rowPitch_ = static_cast<UINT>(row);
    slicePitch_ = static_cast<UINT>(slice);
    return D3D_OK;
}

void ImageStorage::FreeBytes::operator()(std::byte* bytes) const { std::free(bytes); }

bool ImageStorage::IsValidArea(const D3DBOX& area) const
{
    if (area.Left > area.Right || area.Right > width_ || area.Top > area.Bottom || area.Bottom > height_ ||
        area.Front > area.Back || area.Back > depth_)
        return false;
    return layout_.OnColumnEdge(area.Left, width_) && layout_.OnColumnEdge(area.Right, width_) &&
           layout_.OnRowEdge(area.Top, height_) && layout_.OnRowEdge(area.Bottom, height_);
}

std::byte* ImageStorage::BlockAt(UINT x, UINT y, UINT z) const
{
    return bytes_.get() + size_t(z) * slicePitch_ + size_t(y / layout_.blockHeight) * rowPitch_ +
           size_t(x / layout_.blockWidth) * layout_.blockBytes;
}

HRESULT ImageStorage::Lock(const void* identity, const D3DBOX* area, DWORD flags, D3DLOCKED_BOX* lockedBox)
{
    HRESULT result = D3D_OK;
    if (lockedBox == nullptr || !rules_.lockable || locked_ || (flags & ~kKnownLockFlags) != 0)
        result = D3DERR_INVALIDCALL;
    else if ((flags & D3DLOCK_DISCARD) && (!rules_.dynamic || (flags & D3DLOCK_READONLY)))
        result = D3DERR_INVALIDCALL; // discarding is for dynamic resources, and contradicts reading
    else if (area != nullptr && !IsValidArea(*area))
        result = D3DERR_INVALIDCALL;
    Record(identity, flags, area, WholeArea(), result);
    if (FAILED(result))
        return result;
    const D3DBOX corner = area != nullptr ? *area : WholeArea();
    lockedBox->RowPitch = static_cast<INT>(rowPitch_);
    lockedBox->SlicePitch = static_cast<INT>(slicePitch_);
    lockedBox->pBits = BlockAt(corner.Left, corner.Top, corner.Front);
    locked_ = true;
    CountLockTaken();
    return D3D_OK;
}

HRESULT ImageStorage::Unlock()
{
    if (!locked_)
        return D3DERR_INVALIDCALL;
    locked_ = false;
    CountLockReleased();
    return D3D_OK;
}

} // namespace softd3d8

namespace d3d8 {

WIN32_EXPORT void SetPitchPadding(UINT bytes) { softd3d8::pitchPadding = bytes; }

WIN32_EXPORT std::vector<LockRecord> LockHistory()
{
    Locked<softd3d8::LockHistory> history;
    return {history->records.begin(), history->records.end()};
}

WIN32_EXPORT void ClearLockHistory()
{
    Locked<softd3d8::LockHistory>()->records.clear();
}

} // namespace d3d8
