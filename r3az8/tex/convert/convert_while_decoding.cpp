#include "r3az8/tex/convert/convert_while_decoding.h"

#include "r3az8/tex/convert/row_arrival.h"

namespace r3az8tex {
namespace {

// A million pixels: below that, decoding takes a few milliseconds.
constexpr uint64_t kLeastPixelsToOverlap = 1u << 20;

} // namespace

bool WorthConvertingWhileDecoding(const ImageHeader& header, const WorkPool& pool)
{
    // Float pictures are looked at whole first, for values to replace
    // before any filter sees them (float_repair.h).
    return pool.Threads() > 1 && uint64_t(header.width) * header.height >= kLeastPixelsToOverlap &&
           FindFormat(header.format)->content != Content::Float;
}

TextureImage ConvertWhileDecoding(ImageDecoder& decoder, const ConvertSettings& settings, WorkPool& pool)
{
    TextureImage source = decoder.Canvas();
    RowArrival arrival(decoder.Header().height);
    TextureImage result;
    // The pool claims tasks in order, so the decoder (task 0) is running
    // before the conversion can wait for it: the two cannot wait on each
    // other even when every other thread is busy.
    pool.ForEach(2, [&](size_t task) {
        if (task == 1) {
            result = ConvertTexture(source, settings, pool, &arrival);
            return;
        }
        try {
            decoder.Fill(source, [&arrival](uint32_t rows) { arrival.Publish(rows); });
        } catch (...) {
            arrival.Abandon();
            throw;
        }
    });
    return result;
}

} // namespace r3az8tex
