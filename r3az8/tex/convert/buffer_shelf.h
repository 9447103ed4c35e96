// Buffers for the rows of a band, lent to one band at a time and given
// back when it ends, over one conversion. A band then does not allocate the
// half megabyte the band before it just gave back, which the allocator
// would otherwise return to the system and take again (and the system
// clear again) for every band. The shelf holds at most as many buffers as
// bands ran at once, and frees them with itself.
#pragma once

#include "win32.h"

#include <mutex>
#include <span>
#include <vector>

namespace r3az8tex {

class BufferShelf {
public:
    // A buffer from the shelf, or a new one, for as long as the loan
    // lasts. Any thread may borrow.
    class Loan {
    public:
        explicit Loan(BufferShelf& shelf);
        ~Loan();
        Loan(const Loan&) = delete;
        Loan& operator=(const Loan&) = delete;

        // The buffer made `bytes` long, its contents whatever an earlier
        // loan left (a band writes every byte it reads).
        std::span<BYTE> Resize(size_t bytes)
        {
            buffer_.resize(bytes);
            return Bytes();
        }
        std::span<BYTE> Bytes() { return buffer_; }

    private:
        BufferShelf& shelf_;
        std::vector<BYTE> buffer_;
    };

private:
    std::mutex mutex_;
    std::vector<std::vector<BYTE>> buffers_; // on the shelf
    size_t made_ = 0;                        // on the shelf and lent

};

} // namespace r3az8tex
