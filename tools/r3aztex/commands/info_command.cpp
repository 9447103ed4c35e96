// `r3aztex info FILE... [--json]`: what each file holds.
#include "tools/r3aztex/commands/command.h"

#include "r3az8/tex/compare/value_range.h"
#include "r3az8/tex/convert/work_pool.h"
#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/files/file_bytes.h"
#include "r3az8/tex/files/file_shape.h"
#include "r3az8/tex/files/warnings.h"
#include "tools/r3aztex/util/json_text.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace r3aztex {
namespace {

struct InfoOptions {
    std::vector<std::string> files;
    bool json = false;
    CommonOptions common;
};

// What is shown of a file: all its reader finds in it, the pixels aside,
// and for floats the values they hold.
struct Shape : FileDescription {
    std::optional<ValueRange> range;
};

Shape Inspect(const std::string& path)
{
    const std::string name = DisplayName(path);
    const std::vector<BYTE> bytes = ReadFileBytes(path);
    Shape shape{InspectTextureFile(bytes, name), std::nullopt};
    if (FindFormat(shape.format)->content == Content::Float) {
        // A DDS file's warnings were given by the inspection already.
        const std::vector<TextureImage> layers = DetectFileType(bytes, name) == FileType::Dds
                                                     ? dds::ReadContents(bytes, name).layers
                                                     : DecodeTextureLayers(bytes, name);
        shape.range = MeasureValueRange(layers);
    }
    return shape;
}

std::string RangeText(const ValueRange& range)
{
    auto number = [](double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.6g", value);
        return std::string(text);
    };
    return "  values: " +
           (range.least ? number(*range.least) + " to " + number(*range.largest) : std::string("none finite")) +
           ", " + std::to_string(range.notANumber) + " NaN, " + std::to_string(range.infinite) + " infinite\n";
}

std::string RangeJson(const std::optional<ValueRange>& range)
{
    if (!range)
        return "";
    auto number = [](const std::optional<double>& value) { return value ? JsonNumber(*value) : std::string("null"); };
    return ", \"values\": {\"min\": " + number(range->least) + ", \"max\": " + number(range->largest) +
           ", \"nan\": " + JsonNumber(range->notANumber) + ", \"infinite\": " + JsonNumber(range->infinite) + "}";
}

struct LevelFacts {
    uint32_t width, height, depth;
    uint64_t bytes; // all faces
};

std::vector<LevelFacts> Levels(const Shape& shape)
{
    const FormatInfo& format = *FindFormat(shape.format);
    const uint32_t faces = shape.kind == TextureKind::Cube ? 6 : 1;
    std::vector<LevelFacts> levels;
    for (uint32_t level = 0; level < shape.levels; ++level) {
        const uint32_t depth = shape.kind == TextureKind::Volume ? LevelSide(shape.depth, level) : 1;
        const LevelLayout layout =
            DescribeLevel(format, LevelSide(shape.width, level), LevelSide(shape.height, level), depth);
        levels.push_back({layout.width, layout.height, layout.depth, layout.bytes * faces});
    }
    return levels;
}

// Bytes of one texture (of an array) over all its levels and faces.
uint64_t TextureBytes(const std::vector<LevelFacts>& levels)
{
    uint64_t total = 0;
    for (const LevelFacts& level : levels)
        total += level.bytes;
    return total;
}

std::string FormatText(const Shape& shape)
{
    return FormatName(shape.format) + (shape.colourSpace == ColourSpace::Srgb ? " (sRGB)" : "");
}

std::string AsText(const std::string& path, const Shape& shape)
{
    const std::vector<LevelFacts> levels = Levels(shape);
    const uint64_t one = TextureBytes(levels);
    const std::string kind = std::string(KindName(shape.kind)) + " " +
                             SizeText(shape.width, shape.height, shape.depth) +
                             (shape.kind == TextureKind::Cube ? " (6 faces)" : "");
    std::string text = path + ": " + shape.container + ", " + FormatText(shape) + ", " + kind +
                       (shape.layers > 1 ? ", array of " + std::to_string(shape.layers) + " textures" : "") +
                       ", " + std::to_string(shape.levels) + (shape.levels == 1 ? " level, " : " levels, ") +
                       std::to_string(one * shape.layers) + " bytes\n";
    if (shape.layers > 1)
        for (uint32_t layer = 0; layer < shape.layers; ++layer)
            text += "  layer " + std::to_string(layer) + ": " + kind + ", " + std::to_string(one) + " bytes\n";
    for (size_t i = 0; i < levels.size(); ++i)
        text += "  level " + std::to_string(i) + ": " + SizeText(levels[i].width, levels[i].height, levels[i].depth) +
                ", " + std::to_string(levels[i].bytes) + " bytes" + (shape.layers > 1 ? " per layer" : "") +
                "\n";
    for (const auto& [fact, value] : shape.facts)
        text += "  " + fact + ": " + value + "\n";
    for (const auto& [key, value] : shape.keys)
        text += "  key " + key + ": " + value + "\n";
    if (shape.range)
        text += RangeText(*shape.range);
    if (shape.readerQuery)
        text += "  other readers of " + ReaderShapeText(*shape.readerQuery) + ", as r3aztex writes it: " +
                ReadersText(*shape.readerQuery) + "\n";
    return text;
}

// For DDS: the other readers that decode a file of this format and shape as
// r3aztex writes it.
std::string ReadByJson(const Shape& shape)
{
    const std::optional<BYTE> readers = shape.readerQuery ? ReadersOf(*shape.readerQuery) : std::nullopt;
    if (!readers)
        return "";
    std::string list;
    for (const OtherReaderEntry& entry : OtherReaders())
        if (*readers & entry.reader)
            list += std::string(list.empty() ? "" : ", ") + JsonString(entry.name);
    return ", \"read_by\": [" + list + "]";
}

// A container's own facts (KTX2: "vk_format", "data_format",
// "supercompression") and its keys ("keys": {...}).
std::string FactsJson(const Shape& shape)
{
    std::string json;
    for (const auto& [fact, value] : shape.facts)
        json += ", " + JsonString(fact) + ": " + JsonString(value);
    if (shape.keys.empty())
        return json;
    std::string keys;
    for (const auto& [key, value] : shape.keys)
        keys += std::string(keys.empty() ? "" : ", ") + JsonString(key) + ": " + JsonString(value);
    return json + ", \"keys\": {" + keys + "}";
}

std::string AsJson(const std::string& path, const Shape& shape)
{
    const std::vector<LevelFacts> levels = Levels(shape);
    const uint64_t total = TextureBytes(levels) * shape.layers;
    std::string levelList;
    for (size_t i = 0; i < levels.size(); ++i) {
        levelList += std::string(i ? ", " : "") + "{\"level\": " + std::to_string(i) +
                     ", \"width\": " + std::to_string(levels[i].width) +
                     ", \"height\": " + std::to_string(levels[i].height) +
                     ", \"depth\": " + std::to_string(levels[i].depth) +
                     ", \"bytes\": " + JsonNumber(levels[i].bytes) + "}";
    }
    return "{\"file\": " + JsonString(path) + ", \"container\": " + JsonString(shape.container) +
           ", \"format\": " + JsonString(FormatName(shape.format)) + ", \"kind\": " +
           JsonString(KindName(shape.kind)) + ", \"width\": " + std::to_string(shape.width) +
           ", \"height\": " + std::to_string(shape.height) + ", \"depth\": " + std::to_string(shape.depth) +
           ", \"faces\": " + std::to_string(shape.kind == TextureKind::Cube ? 6 : 1) +
           ", \"array_size\": " + std::to_string(shape.layers) +
           ", \"srgb\": " + (shape.colourSpace == ColourSpace::Srgb ? "true" : "false") +
           ", \"level_count\": " + std::to_string(shape.levels) + ", \"bytes\": " + JsonNumber(total) +
           ", \"levels\": [" + levelList + "]" + ReadByJson(shape) + RangeJson(shape.range) + FactsJson(shape) + "}";
}

ExitCode RunInfo(const InfoOptions& options)
{
    if (std::count(options.files.begin(), options.files.end(), kStandardStream) > 1)
        throw ToolError(ExitCode::CommandLine, "standard input ('-') can be read only once");
    WorkPool pool(ThreadCount(options.common));
    WarningDestination warnings(options.common.quiet ? WarningSink() : WarningSink(ReportError));
    std::vector<std::optional<Shape>> shapes(options.files.size());
    std::vector<std::string> errors(options.files.size());
    FailureRecord failures;
    pool.ForEach(options.files.size(), [&](size_t i) {
        errors[i] = failures.Attempt(i, DisplayName(options.files[i]), [&] { shapes[i] = Inspect(options.files[i]); });
    });

    // Results in the order the files were named; failures on standard
    // error (and, for --json, as entries with an "error" member).
    std::string out = options.json ? "[" : "";
    for (size_t i = 0; i < options.files.size(); ++i) {
        if (!shapes[i]) {
            ReportError(errors[i]);
            if (options.json)
                out += std::string(out.size() > 1 ? ",\n " : "") + "{\"file\": " + JsonString(DisplayName(options.files[i])) +
                       ", \"error\": " + JsonString(errors[i]) + "}";
            continue;
        }
        if (options.json)
            out += std::string(out.size() > 1 ? ",\n " : "") + AsJson(DisplayName(options.files[i]), *shapes[i]);
        else
            out += AsText(DisplayName(options.files[i]), *shapes[i]);
    }
    if (options.json)
        out += "]\n";
    if (!options.common.quiet || options.json)
        std::fputs(out.c_str(), stdout);
    return failures.Result();
}

} // namespace

CommandRunner AddInfoCommand(CLI::App& tool)
{
    auto options = std::make_shared<InfoOptions>();
    CLI::App* command = tool.add_subcommand(
        "info", "Show size, format, kind and levels of texture files, which other readers read a DDS file, and "
                "the range of values of float textures (least, largest, NaN and infinite counts)");
    command->add_option("files", options->files, ContainerNamesText() + " files ('-': standard input)")->required();
    command->add_flag("--json", options->json, "Print a JSON array, one object per file");
    AddCommonOptions(*command, options->common, Batch::Single);
    return [options] { return RunInfo(*options); };
}

} // namespace r3aztex
