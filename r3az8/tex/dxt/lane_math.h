// The words the lane kernels are written in: a vector of floats and one of
// ints, kLaneCount lanes wide (BLOCK_LANES_WIDTH), with the few operations
// on them the kernels need. Plain GCC vector extensions; the one place that
// asks for an instruction set is Lookup (AVX2's variable permute).
//
// Included by block_lanes_kernel.h inside the namespace of its build, so
// each instruction-set build has its own copy and nothing here is shared
// between them (every function is internal).
#pragma once

#ifndef BLOCK_LANES_WIDTH
#error "define BLOCK_LANES_WIDTH (1, 4 or 8) before including lane_math.h"
#endif

#include "d3d8.h"

namespace BLOCK_LANES_NAMESPACE {

namespace {

// One register's worth of lanes: eight with AVX2; four with SSE2, whose
// sixteen registers would spill eight-lane pairs; one for a single block.
constexpr int kLaneCount = BLOCK_LANES_WIDTH;
static_assert(kLaneCount == 1 || kLaneCount == 4 || kLaneCount == 8);
typedef float Floats __attribute__((vector_size(4 * kLaneCount)));
typedef int Ints __attribute__((vector_size(4 * kLaneCount)));

#define LANE_INLINE inline __attribute__((always_inline))

LANE_INLINE Floats Splat(float x)
{
    Floats v;
    for (int lane = 0; lane < kLaneCount; ++lane)
        v[lane] = x;
    return v;
}

LANE_INLINE Ints SplatInt(int x)
{
    Ints v;
    for (int lane = 0; lane < kLaneCount; ++lane)
        v[lane] = x;
    return v;
}

LANE_INLINE bool AnyLane(Ints mask)
{
    int any = 0;
    for (int lane = 0; lane < kLaneCount; ++lane)
        any |= mask[lane];
    return any != 0;
}

// Keeps, lane by lane, whichever of `best` and `candidate` has the smaller
// error: every listed member (the error among them) follows that choice.
template <auto... Members, class Result>
LANE_INLINE void KeepSmallerError(Result& best, const Result& candidate)
{
    const Ints smaller = candidate.error < best.error;
    ((best.*Members = smaller ? candidate.*Members : best.*Members), ...);
}

// trunc(x + 0.5) held to 0..top, NaN to 0: the one-block RoundedPosition.
LANE_INLINE Ints RoundedPosition(Floats x, Floats top)
{
    Floats y = x + 0.5f;
    y = y > Splat(0.0f) ? y : Splat(0.0f);
    y = y < top ? y : top;
    return __builtin_convertvector(y, Ints);
}

LANE_INLINE Floats ToFloats(Ints x) { return __builtin_convertvector(x, Floats); }

// Lane by lane, `a` where the mask is set, else `b`.
LANE_INLINE Floats Select(Ints mask, Floats a, Floats b) { return mask ? a : b; }
LANE_INLINE Ints Select(Ints mask, Ints a, Ints b) { return mask ? a : b; }

LANE_INLINE Floats Clamp01(Floats x)
{
    x = x > Splat(0.0f) ? x : Splat(0.0f);
    return x < Splat(1.0f) ? x : Splat(1.0f);
}

// Eight floats a lane looks up by index.
typedef float Table8 __attribute__((vector_size(32)));

// table[index] per lane. AVX2 has a variable permute for it; without one
// a chain of selects is much faster than the element-wise code a shuffle
// becomes, and a single lane simply indexes. All give the table's values
// bit for bit.
LANE_INLINE Floats Lookup(Table8 table, Ints index)
{
    if constexpr (kLaneCount == 1) {
        return Splat(table[index[0]]);
    } else {
#if defined(__AVX2__) && defined(__clang__)
        if constexpr (kLaneCount == 8)
            // clang lacks __builtin_shuffle; the AVX2 permute is the same lookup.
            return __builtin_ia32_permvarsf256(table, index);
#elif defined(__AVX2__)
        if constexpr (kLaneCount == 8)
            return __builtin_shuffle(table, index);
#endif
        Floats value = Splat(table[0]);
        for (int k = 1; k < 8; ++k)
            value = index == SplatInt(k) ? Splat(table[k]) : value;
        return value;
    }
}

// The low `count` bytes of `value`, little-endian.
LANE_INLINE void StoreBytes(BYTE* out, int value, int count)
{
    for (int k = 0; k < count; ++k)
        out[k] = static_cast<BYTE>(static_cast<unsigned>(value) >> (8 * k));
}

} // namespace

} // namespace BLOCK_LANES_NAMESPACE
