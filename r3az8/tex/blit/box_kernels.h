// The 32-bit box kernels: halve a D3DFMT_A8R8G8B8 or D3DFMT_X8R8G8B8 image
// by averaging each 2x2 quad of packed pixels, without decoding them.
//
// Every kernel has the BoxKernel32 signature. The plain kernels are the
// reference; the MMX, SSE2 and AVX2 kernels are their twins and give the
// same bytes as BoxKernelArgbPlain for every width. Which kernels run is
// decided once per process, at the first call, by the binders.
#pragma once

#include "r3az8/tex/cpu.h"
#include "win32.h"

#include <atomic>
#include <cstdint>
#include <span>

// dest: first destination pixel; src: first source pixel; width and height:
// the source size in pixels and rows, even (an odd last column or row is
// ignored rather than read past); srcPitch and destPitch: bytes from one row
// to the next. Writes (width / 2) x (height / 2) pixels; always S_OK.
typedef HRESULT (*BoxKernel32)(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch,
                               UINT destPitch);

// Each of the four bytes becomes (sum of the quad's four bytes + 2) >> 2.
HRESULT BoxKernelArgbPlain(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch);
// The three colour bytes as above; the top (X) byte is written as 0.
HRESULT BoxKernelXrgbPlain(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch);
// MMX twin of BoxKernelArgbPlain (all four bytes averaged). A width that is
// not a multiple of 4 pixels is handed to BoxKernelArgbPlain.
HRESULT BoxKernelMmx(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch);
// SSE2 and AVX2 twins of BoxKernelArgbPlain for every width.
HRESULT BoxKernelSse2(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch);
HRESULT BoxKernelAvx2(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch, UINT destPitch);

// The process-wide kernels of the two 32-bit fast paths. They start at the
// binders; the first call of either binder points both at real kernels for
// the rest of the process: the plain pair when MMX may not be used
// (IsMmxEnabled), otherwise the strongest vector kernel the processor has
// for both formats (so the X byte of D3DFMT_X8R8G8B8 is the rounded mean, as
// the MMX kernel has always made it), or BoxKernelArgbPlain for both when
// the "DisableVectorKernels" setting keeps vector kernels off. Each pointer
// is one atomic word: threads that make their first calls at once may all
// bind, storing the same kernels, and every caller reads a whole pointer.
extern std::atomic<BoxKernel32> g_pfnBoxKernelA8R8G8B8;
extern std::atomic<BoxKernel32> g_pfnBoxKernelX8R8G8B8;
HRESULT BindBoxKernelA8R8G8B8(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch,
                              UINT destPitch);
HRESULT BindBoxKernelX8R8G8B8(BYTE* dest, const BYTE* src, UINT width, UINT height, UINT srcPitch,
                              UINT destPitch);

// One choice of the binder: the kernel for each 32-bit format.
struct BoxKernelSet {
    const char* name;
    InstructionSet instructionSet;
    BoxKernel32 argb;
    BoxKernel32 xrgb;
};

// Every set the library has, plain first, then MMX, SSE2, AVX2. A set whose
// instruction set the processor lacks must not be called.
std::span<const BoxKernelSet> BoxKernelSets();

// Points both kernel pointers at the set (tests and benchmarks).
void ForceBoxKernelsForTesting(const BoxKernelSet& set);
// Returns both pointers to the binders, as at load.
void UnbindBoxKernelsForTesting();
