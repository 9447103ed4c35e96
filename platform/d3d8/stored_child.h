// What surfaces and volumes share beyond DeviceChild: the pixels, the pool
// and usage they were made with, the description fields both kinds of
// description carry, and a lock counted as an injectable call.
#pragma once

#include "d3d8.h"
#include "platform/d3d8/device_child.h"
#include "platform/d3d8/fault_injection.h"
#include "platform/d3d8/image_storage.h"

#include <memory>

namespace softd3d8 {

// Counts `call` as injectable, then locks `object` without counting again:
// a texture's lock counts as the texture's call, not as one of its level's.
template <class Object, class... LockArguments>
HRESULT CountedLock(d3d8::Call call, Object* object, LockArguments... arguments)
{
    const HRESULT injected = EnterInjectableCall(call);
    if (FAILED(injected))
        return injected;
    return object != nullptr ? object->LockUncounted(arguments...) : D3DERR_INVALIDCALL;
}

template <class Interface>
class StoredChild : public DeviceChild<Interface> {
public:
    ImageStorage& Storage() { return storage_; }
    DWORD Usage() const { return usage_; }
    HRESULT UnlockStorage() { return storage_.Unlock(); }

protected:
    StoredChild(IDirect3DDevice8* device, IDirect3DBaseTexture8* container, ObjectKind kind, D3DPOOL pool,
                DWORD usage, const FormatLayout& layout, UINT width, UINT height, UINT depth, LockRules rules)
        : DeviceChild<Interface>(device, container, kind),
          pool_(pool),
          usage_(usage),
          storage_(layout, width, height, depth, rules)
    {
    }

    // Gives the pixels to a freshly made object (null when its memory could
    // not be had); an object without them is destroyed at once.
    template <class Made>
    static HRESULT AllocatePixels(std::unique_ptr<Made>& made)
    {
        if (!made)
            return E_OUTOFMEMORY;
        const HRESULT result = made->storage_.Allocate();
        if (FAILED(result))
            made.reset();
        return result;
    }

    // Fills the fields D3DSURFACE_DESC and D3DVOLUME_DESC have in common;
    // false for a null description.
    template <class Desc>
    bool Describe(Desc* desc, D3DRESOURCETYPE type) const
    {
        if (desc == nullptr)
            return false;
        desc->Format = storage_.Format();
        desc->Type = type;
        desc->Usage = usage_;
        desc->Pool = pool_;
        desc->Size = storage_.Size();
        desc->Width = storage_.Width();
        desc->Height = storage_.Height();
        return true;
    }

    D3DPOOL pool_;
    DWORD usage_;
    ImageStorage storage_;
};

} // namespace softd3d8
