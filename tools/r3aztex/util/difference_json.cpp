#include "tools/r3aztex/util/difference_json.h"

#include "tools/r3aztex/util/json_text.h"

namespace r3aztex {

std::string LevelDifferenceJson(const r3az8tex::LevelDifference& d)
{
    using namespace r3az8tex;
    std::string out = "{\"face\": " + std::to_string(d.face) + ", \"level\": " + std::to_string(d.level) +
                      ", \"width\": " + std::to_string(d.width) + ", \"height\": " + std::to_string(d.height) +
                      ", \"depth\": " + std::to_string(d.depth);
    for (size_t c = 0; c < kDifferenceChannels; ++c)
        out += std::string(", \"") + kDifferenceChannelNames[c] + "\": {\"rmse\": " + JsonNumber(d.channels[c].rmse) +
               ", \"psnr\": " + JsonNumber(d.channels[c].psnr) + ", \"ssim\": " + JsonNumber(d.channels[c].ssim) + "}";
    if (d.angle)
        out += ", \"angle_degrees\": {\"mean\": " + JsonNumber(d.angle->meanDegrees) +
               ", \"largest\": " + JsonNumber(d.angle->largestDegrees) + "}";
    return out + "}";
}

} // namespace r3aztex
