// What every object the device hands out shares: its registration, its
// device, its reference count, and the QueryInterface, AddRef, Release and
// GetDevice answers.
//
// Reference counting: an object that is part of a texture (a level surface,
// a cube face, a volume) has no count of its own. It is made and destroyed
// with its texture, and its AddRef and Release act on the texture's count, so
// holding a part keeps the whole texture (and with it the part) alive. Any
// other object (a texture, a stand-alone surface, a buffer) counts its own
// references from one, destroys itself when they run out, and holds one
// reference on its device meanwhile, so a device outlives everything made
// from it.
#pragma once

#include "d3d8.h"
#include "platform/d3d8/object_registry.h"
#include "platform/d3d8/reference_count.h"

#include <initializer_list>

namespace softd3d8 {

template <class Interface>
class DeviceChild : public Interface {
public:
    DeviceChild(const DeviceChild&) = delete;
    DeviceChild& operator=(const DeviceChild&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override
    {
        if (ppvObj == nullptr)
            return E_INVALIDARG;
        *ppvObj = nullptr;
        if (!Answers(riid))
            return E_NOINTERFACE;
        AddRef();
        *ppvObj = static_cast<Interface*>(this);
        return S_OK;
    }

    ULONG AddRef() override { return container_ != nullptr ? container_->AddRef() : references_.Add(); }

    ULONG Release() override
    {
        // A part lives exactly as long as its texture; the texture's Release
        // may destroy this object, so nothing here runs after it.
        if (container_ != nullptr)
            return container_->Release();
        const ULONG left = references_.Drop();
        if (left == 0)
            delete this;
        return left == ULONG(-1) ? 0 : left;
    }

    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override
    {
        if (ppDevice == nullptr)
            return D3DERR_INVALIDCALL;
        device_->AddRef();
        *ppDevice = device_;
        return D3D_OK;
    }

protected:
    // `container`: the texture this object is part of, or null when it
    // stands alone. QueryInterface answers IID_IUnknown and `alsoAnswers`
    // (at most two identifiers).
    DeviceChild(IDirect3DDevice8* device, IDirect3DBaseTexture8* container, ObjectKind kind,
                std::initializer_list<const IID*> alsoAnswers = {})
        : registration_(static_cast<Interface*>(this), kind), device_(device), container_(container)
    {
        unsigned index = 0;
        for (const IID* iid : alsoAnswers)
            if (index < 2)
                alsoAnswers_[index++] = iid;
        if (container_ == nullptr)
            device_->AddRef();
    }

    virtual ~DeviceChild()
    {
        if (container_ == nullptr)
            device_->Release();
    }

    IDirect3DDevice8* Device() const { return device_; }
    IDirect3DBaseTexture8* Container() const { return container_; }

    // GetContainer of a part: its texture, asked for as IID_IUnknown,
    // IID_IDirect3DBaseTexture8 or `textureIid`. Every texture interface of
    // ours starts at the same address, so one pointer serves each of them.
    HRESULT HandOutContainer(REFIID riid, void** ppContainer, const IID& textureIid) const
    {
        if (ppContainer == nullptr)
            return D3DERR_INVALIDCALL;
        *ppContainer = nullptr;
        if (container_ == nullptr)
            return E_NOINTERFACE;
        if (riid != IID_IUnknown && riid != IID_IDirect3DBaseTexture8 && riid != textureIid)
            return E_NOINTERFACE;
        container_->AddRef();
        *ppContainer = container_;
        return D3D_OK;
    }

private:
    bool Answers(REFIID riid) const
    {
        if (riid == IID_IUnknown)
            return true;
        for (const IID* iid : alsoAnswers_)
            if (iid != nullptr && riid == *iid)
                return true;
        return false;
    }

    Registration registration_;
    IDirect3DDevice8* device_;
    IDirect3DBaseTexture8* container_;
    const IID* alsoAnswers_[2] = {nullptr, nullptr};
    ReferenceCount references_; // objects that stand alone only
};

} // namespace softd3d8
