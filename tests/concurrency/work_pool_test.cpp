#include "r3az8/tex/convert/work_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace r3az8tex {
namespace {

TEST(WorkPool, RunsEveryIndexOnce)
{
    for (unsigned threads : {1u, 2u, 4u}) {
        WorkPool pool(threads);
        std::vector<std::atomic<int>> runs(1000);
        pool.ForEach(runs.size(), [&](size_t i) { runs[i]++; });
        for (const auto& count : runs)
            ASSERT_EQ(count.load(), 1);
    }
}

TEST(WorkPool, NestedBatchesFinish)
{
    WorkPool pool(3);
    std::atomic<int> total{0};
    pool.ForEach(8, [&](size_t) { pool.ForEach(50, [&](size_t) { total++; }); });
    EXPECT_EQ(total.load(), 400);
}

// A thread waiting for the last task of its batch runs tasks of other
// batches meanwhile: here one task of the nested batch finishes only once
// another thread has run the other.
TEST(WorkPool, AWaitingThreadHelpsOtherBatches)
{
    WorkPool pool(2);
    std::mutex mutex;
    std::condition_variable ran;
    std::thread::id runners[2];
    pool.ForEach(2, [&](size_t outer) {
        if (outer == 0)
            return;
        pool.ForEach(2, [&](size_t nested) {
            std::unique_lock lock(mutex);
            runners[nested] = std::this_thread::get_id();
            ran.notify_all();
            ran.wait_for(lock, std::chrono::seconds(20), [&] { return runners[1 - nested] != std::thread::id(); });
        });
    });
    EXPECT_NE(runners[0], runners[1]);
}

TEST(WorkPool, RethrowsTheFailureOfTheLowestIndex)
{
    WorkPool pool(4);
    std::atomic<int> ran{0};
    try {
        pool.ForEach(100, [&](size_t i) {
            ran++;
            if (i == 70 || i == 30 || i == 99)
                throw std::runtime_error("task " + std::to_string(i));
        });
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "task 30");
    }
    EXPECT_EQ(ran.load(), 100) << "the other tasks still ran";
}

} // namespace
} // namespace r3az8tex
