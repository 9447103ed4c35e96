// `r3aztex diff A B [--json]`: how far two textures are apart, per level and
// channel, for judging compression quality, and whether that is within a
// threshold.
#include "tools/r3aztex/commands/command_line.h"

#include "r3az8/tex/files/file_bytes.h"
#include "tools/r3aztex/files/file_writing.h"
#include "r3az8/tex/files/image_file.h"
#include "tools/r3aztex/files/same_file.h"
#include "r3az8/tex/compare/compare_textures.h"
#include "r3az8/tex/compare/hdr_difference.h"
#include "tools/r3aztex/files/input_order.h"
#include "tools/r3aztex/util/difference_json.h"
#include "tools/r3aztex/util/json_text.h"
#include "tools/r3aztex/page/diff_page.h"
#include "r3az8/tex/files/warnings.h"
#include "r3az8/tex/convert/work_pool.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdio>

namespace r3aztex {
namespace {

struct DiffOptions {
    std::string first;
    std::string second;
    bool json = false;
    bool noAlphaWeight = false;
    bool normalMap = false;
    std::optional<double> minPsnr;
    std::optional<double> maxRmse;
    std::optional<double> maxAngle;
    std::string diffImage;
    std::string html;
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

const char* const kChannelWords[kDifferenceChannels] = {"red", "green", "blue", "alpha", "all"};

std::string WhereText(const LevelDifference& d, TextureKind kind)
{
    return (kind == TextureKind::Cube ? std::string("face ") + kCubeFaceSigns[d.face] + ", " : std::string()) + "level " +
           std::to_string(d.level);
}

std::string AsJson(const DiffOptions& options, const std::vector<LevelDifference>& differences, bool weighted)
{
    std::string out = "{\"first\": " + JsonString(DisplayName(options.first)) +
                      ", \"second\": " + JsonString(DisplayName(options.second)) +
                      ", \"alpha_weighted\": " + (weighted ? "true" : "false") + ", \"levels\": [";
    for (size_t i = 0; i < differences.size(); ++i)
        out += std::string(i ? ",\n  " : "\n  ") + LevelDifferenceJson(differences[i]);
    return out + "]}\n";
}

std::string AsText(const std::vector<LevelDifference>& differences, TextureKind kind, bool weighted)
{
    std::string out = std::string("RMSE on a 0..255 scale, PSNR in dB, SSIM (1: identical)") +
                      (weighted ? "; colour weighted by alpha" : "") + "\n";
    for (const LevelDifference& d : differences) {
        char line[96];
        std::snprintf(line, sizeof line, "%-28s %9s %8s %8s\n",
                      (WhereText(d, kind) + " (" + SizeText(d.width, d.height, d.depth) + ")").c_str(), "RMSE",
                      "PSNR", "SSIM");
        out += line;
        for (size_t c = 0; c < kDifferenceChannels; ++c) {
            std::snprintf(line, sizeof line, "  %-26s %9s %8s %8s\n", kChannelWords[c],
                          Fixed(d.channels[c].rmse, 3).c_str(), Fixed(d.channels[c].psnr, 2).c_str(),
                          Fixed(d.channels[c].ssim, 4).c_str());
            out += line;
        }
        if (d.angle)
            out += "  normal angle: mean " + Fixed(d.angle->meanDegrees, 3) + ", largest " +
                   Fixed(d.angle->largestDegrees, 3) + " degrees\n";
    }
    return out;
}

// Float textures: log2 RMSE and tone-mapped PSNR (hdr_difference.h).
const char* const kHdrChannelWords[kHdrDifferenceChannels] = {"red", "green", "blue", "all (rgb)"};

std::string HdrAsJson(const DiffOptions& options, const std::vector<HdrLevelDifference>& differences)
{
    std::string out = "{\"first\": " + JsonString(DisplayName(options.first)) +
                      ", \"second\": " + JsonString(DisplayName(options.second)) + ", \"hdr\": true, \"levels\": [";
    for (size_t i = 0; i < differences.size(); ++i) {
        const HdrLevelDifference& d = differences[i];
        out += std::string(i ? ",\n  " : "\n  ") + "{\"face\": " + std::to_string(d.face) +
               ", \"level\": " + std::to_string(d.level) + ", \"width\": " + std::to_string(d.width) +
               ", \"height\": " + std::to_string(d.height) + ", \"depth\": " + std::to_string(d.depth);
        for (size_t c = 0; c < kHdrDifferenceChannels; ++c)
            out += std::string(", \"") + kHdrDifferenceChannelNames[c] + "\": {\"log2_rmse\": " +
                   JsonNumber(d.channels[c].log2Rmse) + ", \"tone_mapped_psnr\": " +
                   JsonNumber(d.channels[c].toneMappedPsnr) + "}";
        out += "}";
    }
    return out + "]}\n";
}

std::string HdrAsText(const std::vector<HdrLevelDifference>& differences, TextureKind kind)
{
    std::string out = "float values: RMSE of log2 (values floored at 2^-14), PSNR in dB after the tone curve "
                      "(x/(1+x))^(1/2.2)\n";
    for (const HdrLevelDifference& d : differences) {
        char line[96];
        std::snprintf(line, sizeof line, "%-28s %10s %8s\n",
                      (WhereText({d.face, d.level, d.width, d.height, d.depth, {}, {}}, kind) + " (" +
                       SizeText(d.width, d.height, d.depth) + ")")
                          .c_str(),
                      "log2 RMSE", "PSNR");
        out += line;
        for (size_t c = 0; c < kHdrDifferenceChannels; ++c) {
            std::snprintf(line, sizeof line, "  %-26s %10s %8s\n", kHdrChannelWords[c],
                          Fixed(d.channels[c].log2Rmse, 4).c_str(), Fixed(d.channels[c].toneMappedPsnr, 2).c_str());
            out += line;
        }
    }
    return out;
}

std::string HdrBrokenThreshold(const DiffOptions& options, const std::vector<HdrLevelDifference>& differences,
                               TextureKind kind)
{
    for (const HdrLevelDifference& d : differences) {
        const HdrChannelError& all = d.channels[kHdrDifferenceChannels - 1];
        const std::string where = " at " + WhereText({d.face, d.level, d.width, d.height, d.depth, {}, {}}, kind);
        if (options.minPsnr && all.toneMappedPsnr < *options.minPsnr)
            return "tone-mapped PSNR " + Fixed(all.toneMappedPsnr, 2) + " dB" + where + " is below --min-psnr " +
                   Fixed(*options.minPsnr, 2);
        if (options.maxRmse && all.log2Rmse > *options.maxRmse)
            return "log2 RMSE " + Fixed(all.log2Rmse, 4) + where + " is above --max-rmse " + Fixed(*options.maxRmse, 4);
    }
    return "";
}

// The first threshold the worst level breaks, as a message; empty when
// every level is within all of them.
std::string BrokenThreshold(const DiffOptions& options, const std::vector<LevelDifference>& differences,
                            TextureKind kind)
{
    for (const LevelDifference& d : differences) {
        const ChannelError& all = d.channels[kDifferenceChannels - 1];
        const std::string where = " at " + WhereText(d, kind);
        if (options.minPsnr && all.psnr < *options.minPsnr)
            return "PSNR " + Fixed(all.psnr, 2) + " dB" + where + " is below --min-psnr " + Fixed(*options.minPsnr, 2);
        if (options.maxRmse && all.rmse > *options.maxRmse)
            return "RMSE " + Fixed(all.rmse, 3) + where + " is above --max-rmse " + Fixed(*options.maxRmse, 3);
        if (options.maxAngle && d.angle && d.angle->largestDegrees > *options.maxAngle)
            return "a normal turned by " + Fixed(d.angle->largestDegrees, 2) + " degrees" + where +
                   ", more than --max-angle " + Fixed(*options.maxAngle, 2);
    }
    return "";
}

ExitCode RunDiff(const DiffOptions& options)
{
    if (options.first == kStandardStream && options.second == kStandardStream)
        throw ToolError(ExitCode::CommandLine, "standard input ('-') can be read only once");
    if (options.maxAngle && !options.normalMap)
        throw ToolError(ExitCode::CommandLine, "--max-angle needs --normal-map");
    if (!options.diffImage.empty()) {
        if (FileTypeOfName(options.diffImage) != FileType::Png)
            throw ToolError(ExitCode::CommandLine, "--diff-image writes PNG: name it .png, not " + options.diffImage);
        RefuseToOverwriteInputs({options.first, options.second}, {options.diffImage});
    }
    if (!options.html.empty())
        CheckDiffPage(options.html, options.first, options.second);
    WorkPool pool(ThreadCount(options.common));
    WarningDestination warnings(options.common.quiet ? WarningSink() : WarningSink(ReportError));
    TextureImage images[2];
    const std::string* paths[2] = {&options.first, &options.second};
    pool.ForEach(2, [&](size_t i) { images[i] = ReadTextureFile(*paths[i]); });
    const TextureImage& a = images[0];
    const TextureImage& b = images[1];
    if (a.kind != b.kind || a.width != b.width || a.height != b.height || a.depth != b.depth)
        throw ToolError(ExitCode::Unsupported,
                        "cannot compare " + DisplayName(options.first) + ", a " + KindName(a.kind) + " " +
                            SizeText(a.width, a.height, a.depth) + " texture, with " + DisplayName(options.second) +
                            ", a " + KindName(b.kind) + " " + SizeText(b.width, b.height, b.depth) + " one");
    // Refused now, not after the figures are printed.
    if (!options.diffImage.empty() && !PlanHeatMap(a.width, a.height, a.Faces() * a.depth))
        throw ToolError(ExitCode::Unsupported, "--diff-image " + options.diffImage + ": the " +
                                                   std::to_string(a.Faces() * a.depth) + " pictures of " +
                                                   SizeText(a.width, a.height, 1) +
                                                   " do not fit in one heat map of at most " +
                                                   std::to_string(kMaxSide) + " pixels a side");
    const uint32_t levels = std::min(a.levels, b.levels);
    // A picture against a chain compares level 0, as anyone would expect;
    // only two chains of unequal length deserve a word.
    if (levels > 1 && a.levels != b.levels && !options.common.quiet)
        ReportNotice(DisplayName(options.first) + " has " + std::to_string(a.levels) + " levels, " +
                     DisplayName(options.second) + " has " + std::to_string(b.levels) + "; comparing the first " +
                     std::to_string(levels));

    // Floats on either side are compared unclamped, in HDR figures, which
    // the thresholds then judge; the heat map and the page still show the
    // difference clamped to 0..1.
    const bool hdr = !options.normalMap && (a.Format().content == Content::Float || b.Format().content == Content::Float);
    std::vector<HdrLevelDifference> hdrDifferences;
    if (hdr)
        hdrDifferences = CompareHdrTextures(a, b, pool);
    CompareOptions compare;
    compare.weightByAlpha = !options.noAlphaWeight;
    compare.normalMap = options.normalMap;
    const bool clampedToo = !hdr || !options.diffImage.empty() || !options.html.empty();
    const Comparison comparison = clampedToo ? CompareTextures(a, b, compare) : Comparison{};
    const std::vector<LevelDifference>& differences = comparison.levels;
    const bool weighted = comparison.weighting == AlphaWeighting::On;

    // The page shows the figures --json prints, whichever they are.
    const std::string json = options.json || !options.html.empty()
                                 ? (hdr ? HdrAsJson(options, hdrDifferences) : AsJson(options, differences, weighted))
                                 : std::string();
    if (options.json)
        std::fputs(json.c_str(), stdout);
    else if (!options.common.quiet)
        std::fputs((hdr ? HdrAsText(hdrDifferences, a.kind) : AsText(differences, a.kind, weighted)).c_str(), stdout);
    // The figures come out before the heat map's notice; a report that did
    // not come out is a failure, whatever the figures say.
    if (std::fflush(stdout) != 0)
        throw ToolError(ExitCode::FileAccess, std::string("standard output: cannot write: ") + std::strerror(errno));

    if (!options.diffImage.empty()) {
        const HeatMap map = MakeHeatMap(comparison);
        WriteFileAtomically(options.diffImage, EncodePng(map.picture, AlphaOutput::Drop));
        if (!options.common.quiet)
            ReportNotice("wrote " + options.diffImage + ": level 0, black where equal, white from an error of " +
                         Fixed(map.scale, 3) + " (0..255 scale)");
    }
    if (!options.html.empty())
        WriteDiffPage(options.html, options.first, options.second, comparison, json, options.common.quiet);
    const std::string broken =
        hdr ? HdrBrokenThreshold(options, hdrDifferences, a.kind) : BrokenThreshold(options, differences, a.kind);
    if (!broken.empty()) {
        ReportError(DisplayName(options.first) + " and " + DisplayName(options.second) +
                    " differ beyond the threshold: " + broken);
        return ExitCode::BeyondThreshold;
    }
    return ExitCode::Success;
}

} // namespace

CommandRunner AddDiffCommand(CLI::App& tool)
{
    auto options = std::make_shared<DiffOptions>();
    CLI::App* command = tool.add_subcommand(
        "diff", "Compare two textures: RMSE, PSNR and SSIM per level and channel (when either holds floats: log2 "
                "RMSE and tone-mapped PSNR, unclamped); exit 6 beyond a threshold");
    command->add_option("first", options->first, "Reference texture ('-': standard input)")->required();
    command->add_option("second", options->second, "Texture to compare with it")->required();
    command->add_flag("--json", options->json, "Print the figures as JSON");
    command->add_flag("--no-alpha-weight", options->noAlphaWeight,
                      "Count colour under transparent pixels fully (by default, when either texture has alpha, "
                      "colour is compared premultiplied by alpha; never with --normal-map, whose alpha is "
                      "usually height)");
    command->add_flag("--normal-map", options->normalMap,
                      "The textures hold normals: also the angle between them, in degrees");
    command->add_option("--min-psnr", options->minPsnr,
                        "Exit with 6 when the PSNR of any level is below this (dB); for float textures the "
                        "tone-mapped PSNR")
        ->check(DecimalNumber());
    command->add_option("--max-rmse", options->maxRmse,
                        "Exit with 6 when the RMSE of any level is above this; for float textures the log2 RMSE")
        ->check(DecimalNumber());
    command->add_option("--max-angle", options->maxAngle,
                        "With --normal-map: exit with 6 when any normal turned by more degrees than this")
        ->check(DecimalNumber());
    command->add_option("--diff-image", options->diffImage, "Write a heat map of level 0's error to this PNG file");
    command->add_option("--html", options->html,
                        "Write a page (.html) that shows both textures side by side, the heat map and these figures");
    AddCommonOptions(*command, options->common, Batch::Single);
    return [options] { return RunDiff(*options); };
}

} // namespace r3aztex
