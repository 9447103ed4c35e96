// The sections of a page, as the JSON objects the page's script turns into
// HTML (page.js): one texture file, two compared, and a table of
// conversions. Every pixel is the library's: decoded, downscaled and
// compared by it.
#pragma once

#include "r3az8/tex/compare/compare_textures.h"
#include "tools/r3aztex/tool_error.h"
#include "r3az8/tex/files/file_shape.h"
#include "tools/r3aztex/page/texture_pictures.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace r3aztex {

// What a page shows of one file: its name, a line like `info`'s, and the
// file's textures (one, or an array's).
struct ShownFile {
    std::string name;
    std::string header;
    std::vector<TextureImage> layers;
};

// The file at `path` read once: described as `info` describes it, and
// decoded. Throws TextureError naming the file.
ShownFile ReadShownFile(const std::string& path);

// "dds, dxt1 (sRGB), 2d 256x256, 9 levels, 43832 bytes; other readers: ..."
std::string HeaderText(const FileDescription& description, uint64_t fileBytes);

// {"kind": "texture", "id", "title", "header", "texture": pictures}.
std::string TextureSectionJson(const std::string& id, const ShownFile& file, LevelChoice levels);

// The figures `r3aztex diff --json` prints for the comparison:
// {"alpha_weighted": BOOL, "levels": [{"face", "level", "width", "height",
// "depth", "r": {"rmse", "psnr", "ssim"}, ..., "all": {...}}, ...]}, with
// numbers written as there (JsonNumber), so that both read the same.
std::string FiguresJson(const Comparison& comparison);

// {"kind": "diff", "id", "title", "first": {file}, "second": {file},
// "heatMap": {"uri", "scale", "width", "height", "shownWidth",
// "shownHeight"}, "figures": figures}: both files as a texture section
// shows them, level 0's heat map (heat_map.h) and the figures, a JSON
// object whose "levels" each hold channels as objects of numbers
// (FiguresJson, or diff's figures of float textures). With
// LevelChoice::TopOnly (a report's sections) the heat map is an overview
// (kReportHeatMapPixels).
std::string DiffSectionJson(const std::string& id, const ShownFile& first, const ShownFile& second,
                            const Comparison& comparison, const std::string& figures, LevelChoice levels);

// One conversion of a batch, a row of a report's table.
struct ReportRow {
    size_t position; // in the order of the inputs
    std::string source;
    std::string output;
    std::optional<Thumbnail> sourceThumbnail; // none when not read
    std::optional<Thumbnail> resultThumbnail;
    std::string format;
    uint64_t bytes = 0;            // of the output file
    uint64_t uncompressedBytes = 0; // of the output's pixels at 4 bytes each
    std::optional<double> psnr;    // level 0, the worst face; infinite when equal
    double seconds = 0;
    std::string note;  // why there is no PSNR, or empty
    std::string diffId; // the section that compares the two, or empty
};

// Worst PSNR first; rows without a PSNR last; ties in input order.
void SortWorstFirst(std::vector<ReportRow>& rows);

// {"kind": "report", "id", "rows": [...]} for rows already sorted.
std::string ReportSectionJson(const std::string& id, std::span<const ReportRow> rows);

} // namespace r3aztex
