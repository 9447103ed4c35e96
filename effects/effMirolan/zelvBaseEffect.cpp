#include "effects/effMirolan/zelvBaseEffect.h"

// All three start at zero when the module is loaded, and every effect of the
// module shares them; the engine calls the module from one thread only.
int zelvBaseEffect::m_nNumInsts = 0;
void* zelvBaseEffect::m_hLightmap = nullptr;
float zelvBaseEffect::m_fGlobalTime = 0.0f;

zelvBaseEffect::zelvBaseEffect() { ++m_nNumInsts; }

zelvBaseEffect::zelvBaseEffect(const zelvBaseEffect&) { ++m_nNumInsts; }

zelvBaseEffect& zelvBaseEffect::operator=(const zelvBaseEffect&) { return *this; }

zelvBaseEffect::~zelvBaseEffect() { --m_nNumInsts; }

int zelvBaseEffect::GetNumInst() { return m_nNumInsts; }

void zelvBaseEffect::SetLightmap(void* hLightmap) { m_hLightmap = hLightmap; }

void zelvBaseEffect::SetGlobalTime(float fTime) { m_fGlobalTime = fTime; }

HRESULT zelvBaseEffect::Create(char*) { return E_FAIL; }

HRESULT zelvBaseEffect::PrepareForRender() { return S_OK; }

void zelvBaseEffect::RestoreAfterRender() {}

void zelvBaseEffect::LoadSpecific() {}

int zelvBaseEffect::IsFogFriendly() { return 0; }

void* zelvBaseEffect::operator new(size_t size, const CallSite& site) noexcept
{
    return TrackedAlloc(unsigned(size), site);
}

void zelvBaseEffect::operator delete(void* block) noexcept { TrackedFree(block); }

void zelvBaseEffect::operator delete(void* block, const CallSite&) noexcept { TrackedFree(block); }
