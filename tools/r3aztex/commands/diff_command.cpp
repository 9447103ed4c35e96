// `r3aztex diff A B [--json]`: how far two textures are apart, per level and
// channel, for judging compression quality.
#include "tools/r3aztex/commands/command.h"

#include "tools/r3aztex/image_io/image_file.h"
#include "tools/r3aztex/processing/image_difference.h"
#include "tools/r3aztex/processing/library_operations.h"
#include "tools/r3aztex/util/json_text.h"
#include "tools/r3aztex/util/work_pool.h"

#include <cmath>
#include <cstdio>

namespace r3aztex {
namespace {

struct DiffOptions {
    std::string first;
    std::string second;
    bool json = false;
    CommonOptions common;
};

std::string Fixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return "inf";
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

const char* const kFaceNames[6] = {"+x", "-x", "+y", "-y", "+z", "-z"};

ExitCode RunDiff(const DiffOptions& options)
{
    WorkPool pool(ThreadCount(options.common));
    TextureImage images[2];
    const std::string* names[2] = {&options.first, &options.second};
    pool.ForEach(2, [&](size_t i) { images[i] = ReadTextureFile(*names[i]); });
    const TextureImage& a = images[0];
    const TextureImage& b = images[1];
    if (a.kind != b.kind || a.width != b.width || a.height != b.height || a.depth != b.depth)
        throw ToolError(ExitCode::Unsupported,
                        "cannot compare a " + std::string(KindName(a.kind)) + " " +
                            SizeText(a.width, a.height, a.depth) + " texture with a " + KindName(b.kind) + " " +
                            SizeText(b.width, b.height, b.depth) + " one");
    if (a.levels != b.levels && !options.common.quiet)
        std::fprintf(stderr, "r3aztex: %s has %u levels, %s has %u; comparing the first %u\n", options.first.c_str(),
                     a.levels, options.second.c_str(), b.levels, std::min(a.levels, b.levels));

    // Both sides decoded by the library into 16 bits per channel.
    TextureImage decoded[2];
    for (size_t i = 0; i < 2; ++i)
        decoded[i] = ConvertLevels(images[i], FMT_A16R16G16B16, std::min(a.levels, b.levels), LoadOptions{});
    const std::vector<LevelDifference> differences = MeasureDifference(decoded[0], decoded[1]);

    std::string out;
    if (options.json) {
        out = "{\"first\": " + JsonString(options.first) + ", \"second\": " + JsonString(options.second) +
              ", \"levels\": [";
        for (size_t i = 0; i < differences.size(); ++i) {
            const LevelDifference& d = differences[i];
            out += std::string(i ? ",\n  " : "\n  ") + "{\"face\": " + std::to_string(d.face) +
                   ", \"level\": " + std::to_string(d.level) + ", \"width\": " + std::to_string(d.width) +
                   ", \"height\": " + std::to_string(d.height) + ", \"depth\": " + std::to_string(d.depth);
            for (size_t c = 0; c < kDifferenceChannels; ++c)
                out += std::string(", \"") + kDifferenceChannelNames[c] + "\": {\"rmse\": " +
                       JsonNumber(d.channels[c].rmse) + ", \"psnr\": " + JsonNumber(d.channels[c].psnr) + "}";
            out += "}";
        }
        out += "]}\n";
    } else {
        out = "RMSE on a 0..255 scale, PSNR in dB\n";
        for (const LevelDifference& d : differences) {
            std::string line = a.kind == TextureKind::Cube ? std::string("face ") + kFaceNames[d.face] + " " : "";
            line += "level " + std::to_string(d.level) + " (" + SizeText(d.width, d.height, d.depth) + "):";
            for (size_t c = 0; c < kDifferenceChannels; ++c)
                line += std::string(" ") + kDifferenceChannelNames[c] + " " + Fixed(d.channels[c].rmse, 3) + "/" +
                        Fixed(d.channels[c].psnr, 2);
            out += line + "\n";
        }
    }
    if (!options.common.quiet || options.json)
        std::fputs(out.c_str(), stdout);
    return ExitCode::Success;
}

} // namespace

CommandRunner AddDiffCommand(CLI::App& tool)
{
    auto options = std::make_shared<DiffOptions>();
    CLI::App* command = tool.add_subcommand("diff", "Compare two textures: RMSE and PSNR per level and channel");
    command->add_option("first", options->first, "Reference texture")->required();
    command->add_option("second", options->second, "Texture to compare with it")->required();
    command->add_flag("--json", options->json, "Print the figures as JSON");
    AddCommonOptions(*command, options->common, Batch::Single);
    return [options] { return RunDiff(*options); };
}

} // namespace r3aztex
