// The shelf of band buffers under the pool: a buffer is lent to one band at
// a time, so what a band writes is still there when it gives it back,
// whatever the sizes and however many bands run at once.
#include "r3az8/tex/convert/buffer_shelf.h"
#include "r3az8/tex/convert/work_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace r3az8tex {
namespace {

TEST(BufferShelf, LendsEachBufferToOneBandAtATime)
{
    struct Case {
        unsigned threads;
        size_t bands, largest;
    };
    const Case cases[] = {{1, 50, 4096}, {4, 600, 64 * 1024}};
    for (const Case& c : cases) {
        BufferShelf shelf;
        WorkPool pool(c.threads);
        std::atomic<size_t> overwritten{0};
        pool.ForEach(c.bands, [&](size_t band) {
            BufferShelf::Loan loan(shelf);
            // Sizes up and down, so buffers grow and shrink between loans.
            const std::span<BYTE> bytes = loan.Resize(1 + (band * 7919) % c.largest);
            std::fill(bytes.begin(), bytes.end(), BYTE(band));
            BufferShelf::Loan second(shelf);
            std::ranges::fill(second.Resize(bytes.size()), BYTE(~band));
            if (std::ranges::count(bytes, BYTE(band)) != std::ssize(bytes))
                ++overwritten;
        });
        EXPECT_EQ(overwritten, 0u) << c.threads << " threads";
    }
}

} // namespace
} // namespace r3az8tex
