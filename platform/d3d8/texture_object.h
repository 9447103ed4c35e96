// What the three texture kinds share beyond DeviceChild: the resource type,
// the level count, level hand-out and locking, and the checks made before
// creating one. A texture owns its levels outright; they share its
// reference count (see device_child.h).
#pragma once

#include "d3d8.h"
#include "platform/d3d8/device_child.h"
#include "platform/d3d8/format_layout.h"
#include "platform/d3d8/stored_child.h"

#include <memory>
#include <vector>

namespace softd3d8 {

// Number of levels from the given size down to 1x1(x1): 256x64 has 9.
UINT FullChainLength(UINT width, UINT height, UINT depth);

// Size of `level` of a dimension: halved per level, never below 1.
inline UINT LevelSize(UINT size, UINT level) { return level >= 32 || (size >> level) == 0 ? 1 : size >> level; }

// Checks a resource request as a device would: a storable format, a known
// pool, no dynamic managed resources, render targets only in the default
// pool; a requested level count of 0 means the full chain, more levels than
// the chain has is refused. On success `layout` and `levelCount` are set.
HRESULT CheckTextureRequest(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, const FormatLayout*& layout, UINT& levelCount);

template <class Interface>
class TextureObject : public DeviceChild<Interface> {
public:
    D3DRESOURCETYPE GetType() override { return type_; }
    DWORD GetLevelCount() override { return levelCount_; }

protected:
    TextureObject(IDirect3DDevice8* device, ObjectKind kind, const IID& ownIid, D3DRESOURCETYPE type,
                  UINT levelCount)
        : DeviceChild<Interface>(device, nullptr, kind, {&IID_IDirect3DBaseTexture8, &ownIid}),
          type_(type),
          levelCount_(levelCount)
    {
    }

    // Finishes a texture made by `new (std::nothrow)` (null when its memory
    // could not be had): records its usage and pool and has `makeLevels`
    // make its levels. On any failure the texture is destroyed with what
    // levels it has; on success the caller's reference is stored in `out`.
    template <class Made, class Out, class MakeLevels>
    static HRESULT Assemble(Made* raw, DWORD usage, D3DPOOL pool, Out** out, MakeLevels makeLevels)
    {
        std::unique_ptr<Made> made(raw);
        if (!made)
            return E_OUTOFMEMORY;
        made->usage_ = usage;
        made->pool_ = pool;
        const HRESULT result = makeLevels(*made);
        if (FAILED(result))
            return result;
        *out = made.release();
        return D3D_OK;
    }

    // Entry `index` of a level list, or null when out of range.
    template <class Level>
    static Level* LevelAt(const std::vector<std::unique_ptr<Level>>& list, UINT index)
    {
        return index < list.size() ? list[index].get() : nullptr;
    }

    // Hands out a level (null when the caller named none) after counting
    // the call. Levels share their texture's reference count, so the
    // reference handed out is one on the texture.
    template <class Level, class Out>
    HRESULT HandOutLevel(d3d8::Call call, Level* level, Out** out)
    {
        const HRESULT injected = EnterInjectableCall(call);
        if (out != nullptr)
            *out = nullptr;
        if (FAILED(injected))
            return injected;
        if (out == nullptr || level == nullptr)
            return D3DERR_INVALIDCALL;
        this->AddRef();
        *out = level;
        return D3D_OK;
    }

    // GetLevelDesc and UnlockRect/UnlockBox of a level that may not exist.
    template <class Level, class Desc>
    static HRESULT DescribeLevel(Level* level, Desc* desc)
    {
        return level != nullptr ? level->GetDesc(desc) : D3DERR_INVALIDCALL;
    }
    template <class Level>
    static HRESULT UnlockLevel(Level* level)
    {
        return level != nullptr ? level->UnlockStorage() : D3DERR_INVALIDCALL;
    }

    D3DRESOURCETYPE type_;
    UINT levelCount_;
    DWORD usage_ = 0;
    D3DPOOL pool_ = D3DPOOL_DEFAULT;
};

} // namespace softd3d8
