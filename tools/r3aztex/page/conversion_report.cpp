#include "tools/r3aztex/page/conversion_report.h"

#include "r3az8/tex/files/file_bytes.h"
#include "tools/r3aztex/files/same_file.h"
#include "tools/r3aztex/page/page_document.h"
#include "tools/r3aztex/page/page_sections.h"
#include "tools/r3aztex/page/texture_pictures.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace r3aztex {
namespace {

// Bytes of the texture's pixels at 4 bytes each, every level and face: what
// the ratio measures the output file against.
uint64_t UncompressedBytes(const TextureImage& texture)
{
    uint64_t total = 0;
    for (uint32_t level = 0; level < texture.levels; ++level) {
        const LevelLayout layout = texture.Level(level);
        total += uint64_t(layout.width) * layout.height * layout.depth * 4 * texture.Faces();
    }
    return total;
}

// The worst PSNR over the faces of level 0, over all four channels.
double LevelZeroPsnr(const Comparison& comparison)
{
    double worst = INFINITY;
    for (const LevelDifference& d : comparison.levels)
        if (d.level == 0)
            worst = std::min(worst, d.channels[kDifferenceChannels - 1].psnr);
    return worst;
}

// A row, and when both files were read and compared, the section for it.
struct Made {
    ReportRow row;
    std::string section;
};

Made MakeRow(size_t position, const std::vector<std::string>& inputs, const std::string& output, double seconds)
{
    Made made;
    ReportRow& row = made.row;
    row.position = position;
    row.source = inputs.size() == 1 ? DisplayName(inputs[0]) : std::to_string(inputs.size()) + " inputs";
    row.output = output;
    row.seconds = seconds;
    try {
        const ShownFile result = ReadShownFile(output);
        const TextureImage& texture = result.layers.at(0);
        row.format = FormatName(texture.format);
        std::error_code error;
        row.bytes = std::filesystem::file_size(output, error);
        row.uncompressedBytes = UncompressedBytes(texture) * result.layers.size();
        row.resultThumbnail = MakeThumbnail(texture);
        if (inputs.size() != 1) {
            row.note = "made of several inputs: compare it with diff";
            return made;
        }
        const ShownFile source = ReadShownFile(inputs[0]);
        row.sourceThumbnail = MakeThumbnail(source.layers.at(0));
        const TextureImage& original = source.layers[0];
        if (original.kind != texture.kind || original.width != texture.width || original.height != texture.height ||
            original.depth != texture.depth) {
            row.note = "resized: " + SizeText(original.width, original.height, original.depth) + " to " +
                       SizeText(texture.width, texture.height, texture.depth);
            return made;
        }
        const Comparison comparison = CompareTextures(original, texture, CompareOptions{});
        row.psnr = LevelZeroPsnr(comparison);
        row.diffId = "diff-" + std::to_string(position);
        made.section = DiffSectionJson(row.diffId, source, result, comparison, FiguresJson(comparison),
                                       LevelChoice::TopOnly);
    } catch (const TextureError& error) {
        row.note = error.what();
    }
    return made;
}

} // namespace

ConversionReport::ConversionReport(std::string path, const std::vector<std::string>& inputs,
                                   const std::string& output)
    : path_(std::move(path))
{
    CheckPageName(path_, "--report");
    if (std::find(inputs.begin(), inputs.end(), kStandardStream) != inputs.end())
        throw ToolError(ExitCode::CommandLine, "--report reads each input again: it cannot take standard input");
    if (output == kStandardStream)
        throw ToolError(ExitCode::CommandLine, "--report reads each output back: it cannot take standard output");
    RefuseToOverwriteInputs(inputs, {path_});
}

void ConversionReport::Add(size_t position, const std::vector<std::string>& inputs, const std::string& output,
                           double seconds)
{
    std::lock_guard lock(mutex_);
    done_.push_back({position, inputs, output, seconds});
}

size_t ConversionReport::Write(WorkPool& pool) const
{
    std::vector<Done> done;
    {
        std::lock_guard lock(mutex_);
        done = done_;
    }
    std::vector<Made> made(done.size());
    pool.ForEach(done.size(), [&](size_t i) {
        made[i] = MakeRow(done[i].position, done[i].inputs, done[i].output, done[i].seconds);
    });
    std::vector<ReportRow> rows;
    for (const Made& one : made)
        rows.push_back(one.row);
    SortWorstFirst(rows);
    // The comparisons follow the table in its order.
    std::vector<std::string> sections = {ReportSectionJson("report", rows)};
    for (const ReportRow& row : rows)
        for (const Made& one : made)
            if (one.row.position == row.position && !one.section.empty())
                sections.push_back(one.section);
    WritePage(path_, "--report", PageHtml("r3aztex convert: " + std::to_string(rows.size()) + " textures", sections));
    return rows.size();
}

} // namespace r3aztex
