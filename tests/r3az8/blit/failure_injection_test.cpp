// Every allocation of every filter made to fail in turn: the operation
// reports the failure (E_FAIL where the operation reports every failure so,
// E_OUTOFMEMORY elsewhere), frees what it took (the leak checker watches),
// and succeeds once every allocation it makes is granted.
#include "filter_test_support.h"

#include "r3az8/tex/working_memory.h"

#include <gtest/gtest.h>

namespace {

struct InjectionCase {
    const char* name;
    HRESULT (Blitter::*operation)();
    DWORD filter;
    UINT from[3];
    UINT to[3];
};

const InjectionCase kCases[] = {
    {"none", &Blitter::FilterNone, IMAGE_FILTER_NONE, {4, 4, 1}, {8, 2, 1}},
    {"point", &Blitter::FilterPoint, IMAGE_FILTER_POINT, {4, 4, 2}, {3, 5, 3}},
    {"box 2D", &Blitter::FilterBox2D, IMAGE_FILTER_BOX, {6, 4, 1}, {3, 2, 1}},
    {"box 3D", &Blitter::FilterBox3D, IMAGE_FILTER_BOX, {4, 4, 4}, {2, 2, 2}},
    {"linear 2D", &Blitter::FilterLinear2D, IMAGE_FILTER_LINEAR, {5, 4, 1}, {9, 3, 1}},
    {"linear 3D", &Blitter::FilterLinear3D, IMAGE_FILTER_LINEAR, {5, 4, 3}, {9, 3, 2}},
    {"triangle 2D", &Blitter::FilterTriangle2D, IMAGE_FILTER_TRIANGLE, {9, 12, 1}, {4, 30, 1}},
    {"triangle 3D", &Blitter::FilterTriangle3D, IMAGE_FILTER_TRIANGLE, {5, 4, 9}, {3, 6, 4}},
};

TEST(FilterFailureInjection, EveryAllocationFailureIsReportedAndCleanedUp)
{
    for (const InjectionCase& c : kCases) {
        FloatImage src(c.from[0], c.from[1], c.from[2]);
        std::mt19937 random(41);
        src.FillRandom(random);
        bool succeeded = false;
        for (unsigned failAt = 1; !succeeded && failAt < 200; ++failAt) {
            FloatImage dest(c.to[0], c.to[1], c.to[2]);
            Blitter blitter;
            blitter.pDest = new FloatCodec(dest);
            blitter.pSrc = new FloatCodec(src);
            blitter.Filter = c.filter;
            FailWorkingMemoryAt(failAt);
            const HRESULT result = (blitter.*c.operation)();
            const bool failureHappened = WorkingMemoryAllocations() >= failAt;
            FailWorkingMemoryAt(0);
            if (!failureHappened) {
                EXPECT_EQ(result, S_OK) << c.name;
                succeeded = true;
            } else {
                EXPECT_TRUE(result == E_OUTOFMEMORY || result == E_FAIL) << c.name << " failing allocation " << failAt;
                if (c.operation == &Blitter::FilterNone) {
                    EXPECT_EQ(result, E_FAIL) << c.name;
                }
            }
        }
        EXPECT_TRUE(succeeded) << c.name;
    }
}

} // namespace
