// A fixed set of worker threads that run indexed tasks. The calling thread
// takes part in its own batch, and while it waits for the batch's last
// tasks (running on other threads) it runs tasks of other batches, so a
// task may itself call ForEach, and no thread sits idle while work is
// queued.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace r3az8tex {

class WorkPool {
public:
    // `threads` counts the calling thread: 1 runs everything on the caller.
    // Not copyable: it owns its threads (mutex_, workers_).
    explicit WorkPool(unsigned threads);
    ~WorkPool();

    unsigned Threads() const { return static_cast<unsigned>(workers_.size()) + 1; }

    // Runs task(0) .. task(count - 1), in any order and on any threads, and
    // returns when all have finished. If tasks throw, the exception of the
    // lowest index is rethrown, so the outcome does not depend on timing.
    void ForEach(size_t count, const std::function<void(size_t)>& task);

private:
    struct Batch;
    void WorkerLoop();
    // The oldest queued batch with a task left to claim, or null; batches
    // whose tasks are all claimed leave the queue. Called under mutex_.
    std::shared_ptr<Batch> ClaimableBatch();
    // Claims and runs one task of the batch; false when none was left.
    bool RunOne(Batch& batch);

    std::mutex mutex_;
    // Signalled when a batch is queued, when a batch finishes and when the
    // pool stops.
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Batch>> batches_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

// The number of processors, at least 1.
unsigned ProcessorCount();

} // namespace r3az8tex
