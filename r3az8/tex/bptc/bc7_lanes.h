// A block's 16 pixels as four vectors of four floats (the GCC and Clang
// vector extension: SSE2 on x86-64, NEON on ARM, plain code elsewhere), for
// the fits' loops over pixels. The compilers leave the same loops written
// over float[16] unrolled but scalar.
//
// Every operation is per lane and rounded as a float operation is, so the
// results are those of the plain loops; sums over the 16 lanes go in one
// fixed tree.
#pragma once

#include <cstring>

namespace bptc {

using Float4 = float __attribute__((vector_size(16)));
using Int4 = int __attribute__((vector_size(16)));

struct Lanes {
    Float4 q[4];

    static Lanes Load(const float* from)
    {
        Lanes out;
        std::memcpy(out.q, from, sizeof out.q);
        return out;
    }
    static Lanes All(float value)
    {
        Lanes out;
        for (unsigned i = 0; i < 4; ++i)
            out.q[i] = Float4{value, value, value, value};
        return out;
    }
    void Store(float* to) const { std::memcpy(to, q, sizeof q); }
    float operator[](unsigned i) const { return q[i / 4][i % 4]; }
};

struct IntLanes {
    Int4 q[4];
    void Store(int* to) const { std::memcpy(to, q, sizeof q); }
};

#define BC7_LANES_OPERATOR(op)                                                                                         \
    inline Lanes operator op(const Lanes& a, const Lanes& b)                                                           \
    {                                                                                                                  \
        Lanes out;                                                                                                     \
        for (unsigned i = 0; i < 4; ++i)                                                                               \
            out.q[i] = a.q[i] op b.q[i];                                                                               \
        return out;                                                                                                    \
    }                                                                                                                  \
    inline Lanes operator op(const Lanes& a, float b)                                                                  \
    {                                                                                                                  \
        Lanes out;                                                                                                     \
        for (unsigned i = 0; i < 4; ++i)                                                                               \
            out.q[i] = a.q[i] op b;                                                                                    \
        return out;                                                                                                    \
    }
BC7_LANES_OPERATOR(+)
BC7_LANES_OPERATOR(-)
BC7_LANES_OPERATOR(*)
BC7_LANES_OPERATOR(/)
#undef BC7_LANES_OPERATOR

// Per lane: a < b ? a : b, and a > b ? a : b.
inline Lanes Min(const Lanes& a, const Lanes& b)
{
    Lanes out;
    for (unsigned i = 0; i < 4; ++i)
        out.q[i] = a.q[i] < b.q[i] ? a.q[i] : b.q[i];
    return out;
}

inline Lanes Max(const Lanes& a, const Lanes& b)
{
    Lanes out;
    for (unsigned i = 0; i < 4; ++i)
        out.q[i] = a.q[i] > b.q[i] ? a.q[i] : b.q[i];
    return out;
}

// Per lane: less[i] < more[i] ? yes : no.
inline Lanes SelectLess(const Lanes& less, const Lanes& more, const Lanes& yes, const Lanes& no)
{
    Lanes out;
    for (unsigned i = 0; i < 4; ++i)
        out.q[i] = less.q[i] < more.q[i] ? yes.q[i] : no.q[i];
    return out;
}

// Truncation toward zero, as static_cast<int>; lanes must be in int's range.
inline IntLanes Truncate(const Lanes& a)
{
    IntLanes out;
    for (unsigned i = 0; i < 4; ++i)
        out.q[i] = __builtin_convertvector(a.q[i], Int4);
    return out;
}

inline Lanes ToFloat(const IntLanes& a)
{
    Lanes out;
    for (unsigned i = 0; i < 4; ++i)
        out.q[i] = __builtin_convertvector(a.q[i], Float4);
    return out;
}

// The 16 lanes summed pairwise, halves first.
inline float Sum(const Lanes& a)
{
    const Float4 s = (a.q[0] + a.q[2]) + (a.q[1] + a.q[3]);
    return (s[0] + s[2]) + (s[1] + s[3]);
}

} // namespace bptc
