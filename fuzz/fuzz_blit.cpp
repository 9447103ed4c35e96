// Blit between any two formats, sizes, regions (inverted ones included),
// pitches, filter words, colour keys and palettes.
//
// Both images live in heap blocks of exactly the size their description
// claims, so the sanitizers see any access beyond them. Beyond that the
// destination must not change outside the units its region touches (pixels,
// YUV pairs, DXT blocks, and never the padding between rows), a refused
// blit must leave it untouched, a same-format, same-size copy without
// colour key must copy the bytes exactly, and a blit that succeeds although
// an allocation failed must leave what one of its operations leaves without
// faults (a filter without its buffers hands the work to the next one).
#include "fuzz/fuzz_platform.h"
#include "fuzz/fuzz_support.h"
#include "r3az8/tex/blitter.h"
#include "r3az8/tex/working_memory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using fuzzing::Fail;
using fuzzing::FormatStorage;

// One side of the blit: its description and the memory behind it.
struct Image {
    FormatStorage storage;
    UINT width;
    UINT height;
    UINT depth;
    fuzzing::ExactBuffer memory;
    fuzzing::Palette palette;
    ImageDesc desc;
};

// Sizes are read as the kept inputs were made (so they still mean what they
// meant) and kept below caps: larger images take the same code for longer
// and find nothing new.
constexpr UINT kLargeSide = 64;
constexpr UINT kLongRow = 256;
constexpr UINT kDeepest = 4;

UINT PickSide(FuzzedDataProvider& data, UINT usual)
{
    return data.ConsumeIntegralInRange(0, 15) == 0 ? std::min(data.ConsumeIntegralInRange(1u, 4 * usual), kLargeSide)
                                                   : data.ConsumeIntegralInRange(1u, usual);
}

// A span inside 0..size: usually in order, sometimes inverted, sometimes the
// whole of it.
void PickSpan(FuzzedDataProvider& data, UINT size, UINT& first, UINT& last)
{
    first = data.ConsumeIntegralInRange(0u, size);
    last = data.ConsumeIntegralInRange(0u, size);
    switch (data.ConsumeIntegralInRange(0, 7)) {
    case 0: // inverted
        if (first < last)
            std::swap(first, last);
        break;
    case 1:
    case 2:
        first = 0;
        last = size;
        break;
    default:
        if (first > last)
            std::swap(first, last);
        break;
    }
}

Image PickImage(FuzzedDataProvider& data, bool destination)
{
    Image image{};
    image.storage = fuzzing::StorageOf(fuzzing::PickFormat(data));
    const bool longRow = data.ConsumeIntegralInRange(0, 15) == 0;
    image.width = longRow ? std::min(data.ConsumeIntegralInRange(1u, 1024u), kLongRow) : PickSide(data, 24);
    image.height = longRow ? data.ConsumeIntegralInRange(1u, 2u) : PickSide(data, 24);
    image.depth = data.ConsumeIntegralInRange(0, 3) == 0 ? std::min(data.ConsumeIntegralInRange(1u, 6u), kDeepest) : 1u;

    UINT rowPitch = fuzzing::PickRowPitch(data, image.storage, image.width);
    if (destination) // a destination's rows never overlap
        rowPitch = std::max<UINT>(rowPitch, UINT(fuzzing::RowBytes(image.storage, image.width)));
    uint64_t sliceBytes = uint64_t(rowPitch) * fuzzing::UnitsDown(image.storage, image.height);
    UINT slicePitch = 0;
    if (image.depth > 1)
        slicePitch = UINT(sliceBytes + (data.ConsumeBool() ? 0 : data.ConsumeIntegralInRange(1u, 64u)));
    else if (data.ConsumeBool())
        slicePitch = UINT(sliceBytes);

    uint64_t bytes = fuzzing::ImageBytes(image.storage, image.width, image.height, image.depth, rowPitch, slicePitch);
    image.memory = fuzzing::ExactBuffer(data, size_t(bytes));
    image.palette = fuzzing::Palette::Pick(data);

    D3DBOX region{};
    PickSpan(data, image.width, region.Left, region.Right);
    PickSpan(data, image.height, region.Top, region.Bottom);
    PickSpan(data, image.depth, region.Front, region.Back);
    image.desc = ImageDesc{image.memory.data(),
                           image.storage.format,
                           rowPitch,
                           slicePitch,
                           D3DBOX{0, 0, image.width, image.height, 0, image.depth},
                           region,
                           data.ConsumeBool() ? 1u : 0u,
                           destination ? 0u : fuzzing::PickColorKey(data),
                           image.palette.get()};
    return image;
}

bool Inverted(const D3DBOX& box) { return box.Right < box.Left || box.Bottom < box.Top || box.Back < box.Front; }

// The destination as it must be after a blit: as before, except in the
// units its region touches (which may hold anything, so they are taken as
// they are now), or exactly as before when `nothing` may change.
FUZZ_UNSTEERED
std::vector<BYTE> ExpectedDestination(const Image& image, const std::vector<BYTE>& before, bool nothing)
{
    std::vector<BYTE> expected = before;
    const D3DBOX& r = image.desc.Region;
    if (nothing || Inverted(r) || r.Left == r.Right || r.Top == r.Bottom || r.Front == r.Back)
        return expected;
    const FormatStorage& s = image.storage;
    const size_t first = size_t(r.Left / s.blockWidth) * s.blockBytes;
    const size_t bytes = size_t(fuzzing::UnitsAcross(s, r.Right)) * s.blockBytes - first;
    for (UINT z = r.Front; z < r.Back; ++z)
        for (UINT row = r.Top / s.blockHeight; row < fuzzing::UnitsDown(s, r.Bottom); ++row) {
            const size_t at = size_t(z) * image.desc.SlicePitch + size_t(row) * image.desc.RowPitch + first;
            std::memcpy(expected.data() + at, image.memory.data() + at, bytes);
        }
    return expected;
}

FUZZ_UNSTEERED
void CheckUnchangedOutside(const Image& destination, const std::vector<BYTE>& before, bool anywhere)
{
    const std::vector<BYTE> expected = ExpectedDestination(destination, before, anywhere);
    const BYTE* memory = destination.memory.data();
    if (std::equal(expected.begin(), expected.end(), memory))
        return;
    const size_t i = size_t(std::mismatch(expected.begin(), expected.end(), memory).first - expected.begin());
    Fail("Blit changed byte %zu of the destination (format 0x%08X, %ux%ux%u, pitch %u/%u, region "
         "{%u,%u,%u,%u,%u,%u})%s",
         i, unsigned(destination.storage.format), destination.width, destination.height, destination.depth,
         destination.desc.RowPitch, destination.desc.SlicePitch, destination.desc.Region.Left,
         destination.desc.Region.Top, destination.desc.Region.Right, destination.desc.Region.Bottom,
         destination.desc.Region.Front, destination.desc.Region.Back,
         anywhere ? " although it refused the blit" : " outside its region");
}

// A same-format, same-size blit of packed pixels without colour key is a
// byte copy, whatever the filter.
FUZZ_UNSTEERED
void CheckExactCopy(const Image& destination, const Image& source)
{
    const D3DBOX& d = destination.desc.Region;
    const D3DBOX& s = source.desc.Region;
    const UINT bytes = destination.storage.blockBytes;
    for (UINT z = 0; z < d.Back - d.Front; ++z)
        for (UINT y = 0; y < d.Bottom - d.Top; ++y) {
            const BYTE* from = source.memory.data() + size_t(s.Front + z) * source.desc.SlicePitch +
                               size_t(s.Top + y) * source.desc.RowPitch + size_t(s.Left) * bytes;
            const BYTE* to = destination.memory.data() + size_t(d.Front + z) * destination.desc.SlicePitch +
                             size_t(d.Top + y) * destination.desc.RowPitch + size_t(d.Left) * bytes;
            if (std::memcmp(from, to, size_t(d.Right - d.Left) * bytes) != 0)
                Fail("same-format copy of format 0x%08X differs from its source in row %u, slice %u",
                     unsigned(destination.storage.format), y, z);
        }
}

bool SameSize(const D3DBOX& a, const D3DBOX& b)
{
    return a.Right - a.Left == b.Right - b.Left && a.Bottom - a.Top == b.Bottom - b.Top &&
           a.Back - a.Front == b.Back - b.Front;
}

// Replays the blit once for each operation, as it goes when that operation
// is the first to succeed: the operations before it run without working
// memory and fail (leaving the codecs as they leave them: the box filter
// evens an odd source for the filters after it), then that one runs without
// faults. The faulty blit must match one of these; the destination ends as
// it was found.
FUZZ_UNSTEERED
void CheckMatchesAnOperation(Image& destination, const Image& source, const std::vector<BYTE>& before, DWORD filter)
{
    BYTE* memory = destination.memory.data();
    const std::vector<BYTE> faulty(memory, memory + destination.memory.size());
    bool matched = false;
    for (size_t last = 0; last < std::size(BlitOperations) && !matched; ++last) {
        std::copy(before.begin(), before.end(), memory);
        Blitter blitter;
        blitter.pDest = CreatePixelCodec(destination.desc);
        blitter.pSrc = CreatePixelCodec(source.desc);
        blitter.Filter = filter;
        if (blitter.pDest == nullptr || blitter.pSrc == nullptr ||
            FAILED(blitter.pDest->PrepareConversion(blitter.pSrc)))
            Fail("codecs could not be made again for a blit that succeeded");
        bool reachable = true;
        for (size_t earlier = 0; earlier < last && reachable; ++earlier) {
            FailWorkingMemoryAt(1, FailureRepeat::EveryLaterOne);
            reachable = FAILED((blitter.*BlitOperations[earlier])()) && !blitter.pDest->RowsLost &&
                        !blitter.pSrc->RowsLost;
            FailWorkingMemoryAt(0);
        }
        if (!reachable)
            continue;
        const HRESULT result = (blitter.*BlitOperations[last])();
        delete blitter.pDest; // stores what a buffered codec still holds
        blitter.pDest = nullptr;
        matched = SUCCEEDED(result) && std::equal(faulty.begin(), faulty.end(), memory);
    }
    std::copy(faulty.begin(), faulty.end(), memory);
    if (!matched)
        Fail("Blit succeeded despite a failed allocation, but no operation writes what it wrote (formats "
             "0x%08X to 0x%08X, filter 0x%08X)",
             unsigned(source.storage.format), unsigned(destination.storage.format), unsigned(filter));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    fuzzing::QuietDebugOutput();
    FuzzedDataProvider data(bytes, size);
    const DWORD filter = fuzzing::PickFilter(data);
    const fuzzing::FaultPlan fault = data.ConsumeIntegralInRange(0, 3) == 0 ? fuzzing::FaultPlan::Pick(data)
                                                                          : fuzzing::FaultPlan{};
    Image source = PickImage(data, false);
    Image destination = PickImage(data, true);
    const std::vector<BYTE> before(destination.memory.data(), destination.memory.data() + destination.memory.size());

    HRESULT result;
    {
        Blitter blitter;
        fault.Arm();
        result = blitter.Blit(destination.desc, source.desc, filter);
        fuzzing::FaultPlan::Disarm();
        if (blitter.pSrc != nullptr || blitter.pDest != nullptr)
            Fail("Blit kept a codec after it returned");
    }

    if (result != S_OK && result != D3DERR_INVALIDCALL && result != E_FAIL && result != E_OUTOFMEMORY)
        Fail("Blit returned 0x%08X", unsigned(result));
    if (!IsValidFilter(filter) && result != D3DERR_INVALIDCALL)
        Fail("Blit accepted the filter word 0x%08X (result 0x%08X)", unsigned(filter), unsigned(result));
    const bool bothHaveCodecs =
        fuzzing::HasCodec(source.storage.format) && fuzzing::HasCodec(destination.storage.format);
    if (IsValidFilter(filter) && !bothHaveCodecs && result != E_FAIL)
        Fail("Blit between formats 0x%08X and 0x%08X without codec returned 0x%08X",
             unsigned(source.storage.format), unsigned(destination.storage.format), unsigned(result));
    if (IsValidFilter(filter) && destination.desc.Dither != (filter & IMAGE_FILTER_DITHER))
        Fail("Blit left Dither at %u for filter 0x%08X", unsigned(destination.desc.Dither), unsigned(filter));

    const bool refused = result == D3DERR_INVALIDCALL || !bothHaveCodecs || Inverted(source.desc.Region) ||
                         Inverted(destination.desc.Region);
    CheckUnchangedOutside(destination, before, refused);
    if (refused && result == S_OK)
        Fail("Blit reported success for a blit it could not do");

    const bool plainCopy = result == S_OK && fault.kind == fuzzing::FaultPlan::Kind::None &&
                           source.storage.format == destination.storage.format &&
                           destination.storage.blockWidth == 1 && source.desc.ColorKey == 0 &&
                           destination.storage.format != D3DFMT_P8 && destination.storage.format != D3DFMT_A8P8 &&
                           SameSize(source.desc.Region, destination.desc.Region);
    if (plainCopy)
        CheckExactCopy(destination, source);
    if (result == S_OK && fault.kind == fuzzing::FaultPlan::Kind::WorkingMemory)
        CheckMatchesAnOperation(destination, source, before, filter);
    return 0;
}
