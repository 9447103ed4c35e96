#include "r3az8/tex/convert/work_pool.h"

#include <atomic>
#include <exception>

namespace r3az8tex {

struct WorkPool::Batch {
    size_t count;
    const std::function<void(size_t)>* task;
    std::atomic<size_t> next{0};
    std::vector<std::exception_ptr> failures;
    size_t done = 0; // under the pool's mutex
};

WorkPool::WorkPool(unsigned threads)
{
    for (unsigned i = 1; i < threads; ++i)
        workers_.emplace_back([this] { WorkerLoop(); });
}

WorkPool::~WorkPool()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

std::shared_ptr<WorkPool::Batch> WorkPool::ClaimableBatch()
{
    while (!batches_.empty()) {
        if (batches_.front()->next.load() < batches_.front()->count)
            return batches_.front();
        // The threads running its last tasks finish them on their own.
        batches_.pop_front();
    }
    return nullptr;
}

bool WorkPool::RunOne(Batch& batch)
{
    const size_t index = batch.next.fetch_add(1);
    if (index >= batch.count)
        return false;
    try {
        (*batch.task)(index);
    } catch (...) {
        batch.failures[index] = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    if (++batch.done == batch.count)
        wake_.notify_all();
    return true;
}

void WorkPool::WorkerLoop()
{
    for (;;) {
        std::shared_ptr<Batch> batch;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || (batch = ClaimableBatch()) != nullptr; });
            if (stopping_)
                return;
        }
        RunOne(*batch);
    }
}

void WorkPool::ForEach(size_t count, const std::function<void(size_t)>& task)
{
    if (count == 0)
        return;
    auto batch = std::make_shared<Batch>();
    batch->count = count;
    batch->task = &task;
    batch->failures.resize(count);
    if (!workers_.empty() && count > 1) {
        {
            std::lock_guard lock(mutex_);
            batches_.push_back(batch);
        }
        wake_.notify_all();
    }
    while (RunOne(*batch)) {
    }
    // Other threads may still run the batch's last tasks: help with other
    // batches meanwhile.
    for (;;) {
        std::shared_ptr<Batch> other;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return batch->done == batch->count || (other = ClaimableBatch()) != nullptr; });
            if (batch->done == batch->count) {
                std::erase(batches_, batch);
                break;
            }
        }
        RunOne(*other);
    }
    // The failures leave the batch before any is rethrown: a worker may
    // drop the batch's last reference later, and must not release an
    // exception this thread is still reading.
    const std::vector<std::exception_ptr> failures = std::move(batch->failures);
    batch->failures.clear();
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

unsigned ProcessorCount()
{
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : count;
}

} // namespace r3az8tex
