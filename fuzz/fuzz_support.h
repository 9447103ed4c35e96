// What the fuzz targets share: turning the fuzzer's bytes into formats,
// sizes, filter words, colour keys, palettes and floats; caller memory sized
// exactly to what the arguments claim, so that the address sanitizer sees
// any read or write beyond it; and the checks every target makes after a
// call into the library.
#pragma once

#include "d3d8.h"
#include "r3az8/tex/image_desc.h"
#include "r3az8/tex/pixel_codec.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Marks a target's own set-up and checking code: the fuzzer is steered by
// the branches of the code under test, not by the loops that fill memory
// before a call or compare it afterwards, and instrumenting those would cost
// time on every run. (fuzz_support.cpp and fuzz_platform.cpp are left out
// whole, in coverage_ignore.txt.)
#if defined(__clang__)
#define FUZZ_UNSTEERED __attribute__((no_sanitize("coverage")))
#else
#define FUZZ_UNSTEERED
#endif

namespace fuzzing {

// A broken property: printed, then the process aborts, which libFuzzer
// records as a crash and a replay test as a failure.
[[noreturn]] void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// --- formats ---------------------------------------------------------------------

// How a format is stored: units of blockWidth x blockHeight pixels taking
// blockBytes each (1x1 for packed formats, 2x1 for the pixel pairs of YUY2
// and UYVY, 4x4 for DXT).
struct FormatStorage {
    D3DFORMAT format;
    UINT blockWidth;
    UINT blockHeight;
    UINT blockBytes;
};

// Every format the library has a codec for: the common ones first.
const std::vector<FormatStorage>& CodecFormats();
// The storage of a format; formats without a codec count as one byte a pixel.
FormatStorage StorageOf(D3DFORMAT format);
bool HasCodec(D3DFORMAT format);
bool IsBlockCompressed(D3DFORMAT format); // 4x4 blocks: DXT1..DXT5, BC4..BC7

// Mostly one of the common formats with a codec; now and then one without
// (depth formats, D3DFMT_UNKNOWN) or an arbitrary value, which may name any
// other format of the library's.
D3DFORMAT PickFormat(FuzzedDataProvider& data);

// Units across and down for a width x height image.
UINT UnitsAcross(const FormatStorage& storage, UINT width);
UINT UnitsDown(const FormatStorage& storage, UINT height);
// Bytes of one row of units.
uint64_t RowBytes(const FormatStorage& storage, UINT width);
// Bytes from the first unit of the image to the end of its last one, with
// the given pitches; 0 for an empty image.
uint64_t ImageBytes(const FormatStorage& storage, UINT width, UINT height, UINT depth, uint64_t rowPitch,
                    uint64_t slicePitch);

// A row pitch for an image of that width: usually the tight one or a little
// more, sometimes with a lot of slack.
UINT PickRowPitch(FuzzedDataProvider& data, const FormatStorage& storage, UINT width);

// --- filter words, colour keys, palettes --------------------------------------

// Mostly valid words (types 1..5 with any flags), sometimes
// IMAGE_FILTER_DEFAULT or any 32-bit value.
DWORD PickFilter(FuzzedDataProvider& data);
// 0 (no key) half the time, else any colour.
D3DCOLOR PickColorKey(FuzzedDataProvider& data);

// 256 palette entries in a block of exactly that size, or none.
class Palette {
public:
    static Palette Pick(FuzzedDataProvider& data);
    const PALETTEENTRY* get() const { return entries_.get(); }

private:
    std::unique_ptr<PALETTEENTRY[]> entries_;
};

// --- caller memory -------------------------------------------------------------------

// A heap block of exactly `size` bytes (a zero-size block still has its own
// address), filled from the fuzzer's bytes and, when those run out, from a
// generator seeded by them.
class ExactBuffer {
public:
    ExactBuffer() = default;
    ExactBuffer(FuzzedDataProvider& data, size_t size);
    BYTE* data() const { return bytes_.get(); }
    size_t size() const { return size_; }

private:
    std::unique_ptr<BYTE[]> bytes_;
    size_t size_ = 0;
};

// Fills `size` bytes the same way.
void FillBytes(FuzzedDataProvider& data, BYTE* bytes, size_t size);

// --- floats -------------------------------------------------------------------------

// Mostly a value in 0..1; often one of NaN, infinities, signed zeros,
// denormals, the largest floats, values just outside 0..1, or any bit pattern.
float PickFloat(FuzzedDataProvider& data);

} // namespace fuzzing
