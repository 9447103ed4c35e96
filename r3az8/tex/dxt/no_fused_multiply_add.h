// Included first by every file whose output bytes depend on the order of
// its float operations (the block encoder, the YUV and DXT codecs).
//
// A fused multiply-add rounds a*b+c once where the code rounds twice, so a
// compiler allowed to contract (GCC's default whenever the target has FMA,
// as with -march=native) would change encoded bytes between builds.
// Contraction is switched off for the rest of the including file.
#pragma once

#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif
