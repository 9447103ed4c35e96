#include "platform/d3d8/image_storage.h"

#include "d3d8_testing.h"
#include "platform/d3d8/object_registry.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>

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

LockHistory& TheHistory()
{
    static LockHistory* history = new LockHistory;
    return *history;
}

void Record(const void* identity, DWORD flags, const D3DBOX* area, const D3DBOX& whole, HRESULT result)
{
    LockHistory& history = TheHistory();
    std::lock_guard lock(history.mutex);
    if (history.records.size() == kLockHistoryLength)
        history.records.pop_front();
    history.records.push_back({identity, flags, area == nullptr, area != nullptr ? *area : whole, result});
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
    : layout(layout), width(width), height(height), depth(depth), rules(rules)
{
}

ImageStorage::~ImageStorage()
{
    // A resource destroyed while locked is no longer locked by anyone.
    if (locked)
        CountLockReleased();
}

HRESULT ImageStorage::Allocate()
{
    uint64_t row = uint64_t(layout.BlocksAcross(width)) * layout.blockBytes + pitchPadding.load();
    uint64_t slice = row * layout.BlocksDown(height);
    uint64_t total = slice * depth;
    // Pitches are INT and sizes UINT in the descriptions.
    if (width == 0 || height == 0 || depth == 0 || row > INT_MAX || slice > INT_MAX || total > UINT_MAX)
        return D3DERR_INVALIDCALL;
    bytes.reset(new (std::nothrow) std::byte[total]);
    if (!bytes)
        return E_OUTOFMEMORY;
    std::memset(bytes.get(), 0, total);
    rowPitch = static_cast<UINT>(row);
    slicePitch = static_cast<UINT>(slice);
    return D3D_OK;
}

bool ImageStorage::IsValidArea(const D3DBOX& area) const
{
    if (area.Left > area.Right || area.Right > width || area.Top > area.Bottom || area.Bottom > height ||
        area.Front > area.Back || area.Back > depth)
        return false;
    return layout.OnColumnEdge(area.Left, width) && layout.OnColumnEdge(area.Right, width) &&
           layout.OnRowEdge(area.Top, height) && layout.OnRowEdge(area.Bottom, height);
}

std::byte* ImageStorage::BlockAt(UINT x, UINT y, UINT z) const
{
    return bytes.get() + size_t(z) * slicePitch + size_t(y / layout.blockHeight) * rowPitch +
           size_t(x / layout.blockWidth) * layout.blockBytes;
}

HRESULT ImageStorage::Lock(const void* identity, const D3DBOX* area, DWORD flags, D3DLOCKED_BOX* lockedBox)
{
    HRESULT result = D3D_OK;
    if (lockedBox == nullptr || !rules.lockable || locked || (flags & ~kKnownLockFlags) != 0)
        result = D3DERR_INVALIDCALL;
    else if ((flags & D3DLOCK_DISCARD) && (!rules.dynamic || (flags & D3DLOCK_READONLY)))
        result = D3DERR_INVALIDCALL; // discarding is for dynamic resources, and contradicts reading
    else if (area != nullptr && !IsValidArea(*area))
        result = D3DERR_INVALIDCALL;
    Record(identity, flags, area, WholeArea(), result);
    if (FAILED(result))
        return result;
    const D3DBOX corner = area != nullptr ? *area : WholeArea();
    lockedBox->RowPitch = static_cast<INT>(rowPitch);
    lockedBox->SlicePitch = static_cast<INT>(slicePitch);
    lockedBox->pBits = BlockAt(corner.Left, corner.Top, corner.Front);
    locked = true;
    CountLockTaken();
    return D3D_OK;
}

HRESULT ImageStorage::Unlock()
{
    if (!locked)
        return D3DERR_INVALIDCALL;
    locked = false;
    CountLockReleased();
    return D3D_OK;
}

} // namespace softd3d8

namespace d3d8 {

WIN32_EXPORT void SetPitchPadding(UINT bytes) { softd3d8::pitchPadding = bytes; }

WIN32_EXPORT std::vector<LockRecord> LockHistory()
{
    auto& history = softd3d8::TheHistory();
    std::lock_guard lock(history.mutex);
    return {history.records.begin(), history.records.end()};
}

WIN32_EXPORT void ClearLockHistory()
{
    auto& history = softd3d8::TheHistory();
    std::lock_guard lock(history.mutex);
    history.records.clear();
}

} // namespace d3d8
