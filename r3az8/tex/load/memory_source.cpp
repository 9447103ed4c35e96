// Argument checks and the memory source of the load operations.
#include "r3az8/tex/load/memory_source.h"

#include "r3az8/tex/blitter.h"
#include "r3az8/tex/debug.h"

bool ArgumentsGiven(std::initializer_list<NamedArgument> arguments)
{
    for (const NamedArgument& argument : arguments) {
        if (argument.pointer == nullptr) {
            DebugPrintf(0, "%s pointer is invalid", argument.name);
            return false;
        }
    }
    return true;
}

bool SourceBox(const RECT& rect, D3DBOX& box)
{
    if (!(0 <= rect.left && rect.left <= rect.right && 0 <= rect.top && rect.top <= rect.bottom)) {
        DebugPrintf(0, "Invalid rect");
        return false;
    }
    box = {UINT(rect.left), UINT(rect.top), UINT(rect.right), UINT(rect.bottom), 0, 1};
    return true;
}

bool SourceBox(const D3DBOX& requested, D3DBOX& box)
{
    if (!(requested.Left <= requested.Right && requested.Top <= requested.Bottom && requested.Front <= requested.Back)) {
        DebugPrintf(0, "Invalid source box");
        return false;
    }
    box = requested;
    return true;
}

HRESULT BlitFromMemory(ImageDesc& dest, const void* pSrcMemory, D3DFORMAT format, UINT rowPitch, UINT slicePitch,
                       const D3DBOX& box, const PALETTEENTRY* pPalette, DWORD filter, D3DCOLOR colorKey)
{
    // A source is only read: the cast gives ImageDesc its one pointer type.
    const ImageDesc src = {const_cast<void*>(pSrcMemory), format, rowPitch, slicePitch, box, box, 0, colorKey,
                           pPalette};

    Blitter blitter;
    const HRESULT hr = blitter.Blit(dest, src, filter == IMAGE_FILTER_DEFAULT ? IMAGE_FILTER_LOAD_DEFAULT : filter);
    return FAILED(hr) ? hr : S_OK;
}
