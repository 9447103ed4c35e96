#include "tools/r3aztex/page/page_sections.h"

#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/files/file_bytes.h"
#include "r3az8/tex/files/image_file.h"
#include "tools/r3aztex/page/page_text.h"
#include "tools/r3aztex/page/picture_size.h"
#include "tools/r3aztex/util/difference_json.h"
#include "tools/r3aztex/util/json_text.h"

#include <algorithm>
#include <cmath>

namespace r3aztex {
namespace {

std::string FileJson(const ShownFile& file, LevelChoice levels)
{
    return "{\"title\": " + JsonString(file.name) + ", \"header\": " + JsonString(file.header) +
           ", \"texture\": " + TexturePicturesJson(file.layers, levels) + "}";
}

// The heat map with at most `limitPixels` pixels.
std::string HeatMapJson(const Comparison& comparison, uint64_t limitPixels)
{
    const HeatMap map = MakeHeatMap(comparison);
    const PictureSize shown = ShownSize(map.picture.width, map.picture.height, limitPixels);
    TextureImage picture = map.picture;
    if (shown.width != picture.width) {
        LoadOptions options;
        options.filter = IMAGE_FILTER_TRIANGLE;
        picture = ResampleTop(picture, picture.format, shown.width, shown.height, 1, options);
    }
    return "{\"uri\": " + JsonString(DataUri("image/png", EncodePng(picture, AlphaOutput::Drop))) +
           ", \"scale\": " + JsonNumber(map.scale) + ", \"width\": " + std::to_string(map.picture.width) +
           ", \"height\": " + std::to_string(map.picture.height) + ", \"shownWidth\": " +
           std::to_string(shown.width) + ", \"shownHeight\": " + std::to_string(shown.height) + "}";
}

std::string OptionalNumber(const std::optional<double>& value)
{
    if (!value)
        return "null";
    // JSON has no infinity: identical pictures are said in words.
    return std::isfinite(*value) ? JsonNumber(*value) : "\"inf\"";
}

std::string ThumbnailJson(const std::optional<Thumbnail>& thumbnail)
{
    if (!thumbnail)
        return "null";
    return "{\"uri\": " + JsonString(thumbnail->uri) + ", \"width\": " + std::to_string(thumbnail->width) +
           ", \"height\": " + std::to_string(thumbnail->height) + "}";
}

} // namespace

std::string HeaderText(const FileDescription& description, uint64_t fileBytes)
{
    std::string text = std::string(description.container) + ", " + FormatName(description.format) +
                       (description.colourSpace == ColourSpace::Srgb ? " (sRGB)" : "") + ", " +
                       KindName(description.kind) + " " +
                       SizeText(description.width, description.height, description.depth) +
                       (description.kind == TextureKind::Cube ? " (6 faces)" : "") +
                       (description.layers > 1 ? ", array of " + std::to_string(description.layers) + " textures"
                                               : "") +
                       ", " + std::to_string(description.levels) +
                       (description.levels == 1 ? " level, " : " levels, ") + std::to_string(fileBytes) +
                       " bytes";
    if (description.readerQuery)
        text += "; other readers: " + ReadersText(*description.readerQuery);
    return text;
}

ShownFile ReadShownFile(const std::string& path)
{
    const std::string name = DisplayName(path);
    const std::vector<BYTE> bytes = ReadFileBytes(path);
    ShownFile file;
    file.name = name;
    file.header = HeaderText(InspectTextureFile(bytes, name), bytes.size());
    file.layers = DecodeTextureLayers(bytes, name);
    return file;
}

std::string TextureSectionJson(const std::string& id, const ShownFile& file, LevelChoice levels)
{
    return "{\"kind\": \"texture\", \"id\": " + JsonString(id) + ", \"title\": " + JsonString(file.name) +
           ", \"file\": " + FileJson(file, levels) + "}";
}

std::string FiguresJson(const Comparison& comparison)
{
    std::string levels;
    for (const LevelDifference& d : comparison.levels)
        levels += std::string(levels.empty() ? "\n" : ",\n") + LevelDifferenceJson(d);
    return std::string("{\"alpha_weighted\": ") +
           (comparison.weighting == AlphaWeighting::On ? "true" : "false") + ", \"levels\": [" + levels + "]}";
}

std::string DiffSectionJson(const std::string& id, const ShownFile& first, const ShownFile& second,
                            const Comparison& comparison, const std::string& figures, LevelChoice levels)
{
    return "{\"kind\": \"diff\", \"id\": " + JsonString(id) + ", \"title\": " +
           JsonString(first.name + " and " + second.name) + ", \"first\": " + FileJson(first, levels) +
           ", \"second\": " + FileJson(second, levels) + ", \"heatMap\": " +
           HeatMapJson(comparison, levels == LevelChoice::Every ? kFullPicturePixels : kReportHeatMapPixels) +
           ", \"figures\": " + figures + "}";
}

void SortWorstFirst(std::vector<ReportRow>& rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const ReportRow& a, const ReportRow& b) {
        if (a.psnr.has_value() != b.psnr.has_value())
            return a.psnr.has_value();
        if (a.psnr && *a.psnr != *b.psnr)
            return *a.psnr < *b.psnr;
        return a.position < b.position;
    });
}

std::string ReportSectionJson(const std::string& id, std::span<const ReportRow> rows)
{
    std::string list;
    for (const ReportRow& row : rows) {
        const double ratio = row.bytes > 0 ? double(row.uncompressedBytes) / double(row.bytes) : 0;
        list += std::string(list.empty() ? "\n" : ",\n") + "{\"source\": " + JsonString(row.source) +
                ", \"output\": " + JsonString(row.output) +
                ", \"sourceThumbnail\": " + ThumbnailJson(row.sourceThumbnail) +
                ", \"resultThumbnail\": " + ThumbnailJson(row.resultThumbnail) +
                ", \"format\": " + JsonString(row.format) + ", \"bytes\": " + JsonNumber(row.bytes) +
                ", \"ratio\": " + (row.bytes > 0 ? JsonNumber(ratio) : "null") +
                ", \"psnr\": " + OptionalNumber(row.psnr) + ", \"seconds\": " + JsonNumber(row.seconds) +
                ", \"note\": " + JsonString(row.note) +
                ", \"diff\": " + (row.diffId.empty() ? "null" : JsonString(row.diffId)) + "}";
    }
    return "{\"kind\": \"report\", \"id\": " + JsonString(id) + ", \"rows\": [" + list + "]}";
}

} // namespace r3aztex
