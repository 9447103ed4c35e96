#include "r3az8/tex/convert/row_arrival.h"

#include "r3az8/tex/texture/texture_error.h"

namespace r3az8tex {

void RowArrival::Publish(uint32_t rows)
{
    {
        std::lock_guard lock(mutex_);
        rows_ = rows;
    }
    published_.notify_all();
}

void RowArrival::Abandon()
{
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    published_.notify_all();
}

void RowArrival::WaitFor(uint32_t rows) const
{
    std::unique_lock lock(mutex_);
    published_.wait(lock, [&] { return rows_ >= rows || abandoned_; });
    if (rows_ < rows)
        throw TextureError(ErrorKind::Internal, "the image's reader stopped before row " + std::to_string(rows));
}

} // namespace r3az8tex
