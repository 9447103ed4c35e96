#include "r3az8/tex/convert/buffer_shelf.h"

#include <utility>

namespace r3az8tex {

BufferShelf::Loan::Loan(BufferShelf& shelf) : shelf_(shelf)
{
    std::lock_guard<std::mutex> lock(shelf.mutex_);
    if (shelf.buffers_.empty()) {
        // Room to take every buffer back, made before one is lent.
        shelf.buffers_.reserve(shelf.made_ + 1);
        ++shelf.made_;
    } else {
        buffer_ = std::move(shelf.buffers_.back());
        shelf.buffers_.pop_back();
    }
}

BufferShelf::Loan::~Loan()
{
    std::lock_guard<std::mutex> lock(shelf_.mutex_);
    // Cannot allocate: the shelf has room for every buffer it made.
    shelf_.buffers_.push_back(std::move(buffer_));
}

} // namespace r3az8tex
