// The rows of an image that a reader has filled so far, from the top down,
// so that work on the image can start before the reader is done: a reader
// on one thread publishes, work on others waits for the rows it needs.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace r3az8tex {

class RowArrival {
public:
    explicit RowArrival(uint32_t height) : height_(height) {}

    // The first `rows` rows are final.
    void Publish(uint32_t rows);
    // The reader stopped early; whoever waits, or waits later, is told so.
    void Abandon();

    // Returns once the first `rows` rows are final; throws TextureError
    // (Internal) when the reader stopped before them.
    void WaitFor(uint32_t rows) const;
    void WaitForAll() const { WaitFor(height_); }

private:
    const uint32_t height_;
    mutable std::mutex mutex_;
    mutable std::condition_variable published_;
    uint32_t rows_ = 0;
    bool abandoned_ = false;
};

} // namespace r3az8tex
