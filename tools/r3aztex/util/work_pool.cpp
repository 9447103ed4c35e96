#include "tools/r3aztex/util/work_pool.h"

#include <atomic>
#include <exception>

namespace r3aztex {

struct WorkPool::Batch {
    size_t count;
    const std::function<void(size_t)>* task;
    std::atomic<size_t> next{0};
    std::vector<std::exception_ptr> failures;
    std::mutex mutex;
    std::condition_variable finished;
    size_t done = 0;
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
    std::lock_guard lock(batch.mutex);
    if (++batch.done == batch.count)
        batch.finished.notify_all();
    return true;
}

void WorkPool::WorkerLoop()
{
    for (;;) {
        std::shared_ptr<Batch> batch;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !batches_.empty(); });
            if (stopping_)
                return;
            batch = batches_.front();
            // A batch whose tasks are all claimed leaves the queue; the
            // threads running its last tasks finish them on their own.
            if (batch->next.load() >= batch->count) {
                batches_.pop_front();
                continue;
            }
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
    {
        std::unique_lock lock(batch->mutex);
        batch->finished.wait(lock, [&] { return batch->done == batch->count; });
    }
    {
        std::lock_guard lock(mutex_);
        std::erase(batches_, batch);
    }
    for (const std::exception_ptr& failure : batch->failures)
        if (failure)
            std::rethrow_exception(failure);
}

unsigned ProcessorCount()
{
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : count;
}

} // namespace r3aztex
