// `r3aztex convert IN... [-o OUT | --outdir DIR]`: format conversion,
// resizing and mip generation for one file, a batch, a cube map or a
// volume.
#include "tools/r3aztex/commands/command_line.h"

#include "r3az8/tex/convert/convert_pipeline.h"
#include "r3az8/tex/convert/convert_textures.h"
#include "r3az8/tex/convert/input_assembly.h"
#include "r3az8/tex/convert/panorama_cube.h"
#include "r3az8/tex/convert/work_pool.h"
#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/files/dds_format_table.h"
#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/file_bytes.h"
#include "r3az8/tex/files/file_shape.h"
#include "r3az8/tex/files/image_file.h"
#include "r3az8/tex/files/warnings.h"
#include "tools/common/nearest_names.h"
#include "tools/common/progress.h"
#include "tools/r3aztex/files/input_order.h"
#include "tools/r3aztex/files/output_files.h"
#include "tools/r3aztex/files/same_file.h"
#include "tools/r3aztex/page/conversion_report.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>

namespace r3aztex {
namespace {

struct ConvertOptions {
    std::vector<std::string> inputs;
    std::string output;
    std::string outputDirectory;
    std::string fileType; // empty: dds, unless -o names the type
    std::string format;
    std::string resize;
    std::string filter = "triangle";
    std::vector<std::string> mirror;
    bool dither = false;
    std::string colorKey;
    std::optional<uint32_t> mips;
    bool noMips = false;
    std::string mipFilter = "default";
    bool cube = false;
    bool volume = false;
    bool array = false;
    bool premultiply = false;
    bool normalMap = false;
    bool linear = false;
    std::string quality = "normal";
    std::string weights = "auto";
    uint32_t level = 0;
    std::optional<uint32_t> layer;
    bool dx10 = false;
    bool srgb = false;
    std::optional<uint32_t> alphaThreshold;
    std::optional<int> zstd; // KTX2 output: the Zstandard level
    bool exrFloat = false;
    std::string report;
    CommonOptions common;
};

// Inputs combined into one texture: a cube map, a volume or an array.
bool Combined(const ConvertOptions& options) { return options.cube || options.volume || options.array; }
const char* CombinedWord(const ConvertOptions& options)
{
    return options.cube ? "cube" : options.volume ? "volume" : "array";
}

// One output and the inputs it is made from.
struct Job {
    std::vector<std::string> inputs;
    std::string output;
    FileType type;
};

const std::map<std::string, DWORD> kFilterTypes = {
    {"none", IMAGE_FILTER_NONE},         {"point", IMAGE_FILTER_POINT}, {"linear", IMAGE_FILTER_LINEAR},
    {"triangle", IMAGE_FILTER_TRIANGLE}, {"box", IMAGE_FILTER_BOX},
};

[[noreturn]] void Refuse(const std::string& message) { throw ToolError(ExitCode::CommandLine, message); }

TargetSize ParseSize(const std::string& text)
{
    uint32_t parts[3] = {0, 0, 0};
    size_t count = 0, position = 0;
    while (count < 3) {
        size_t used = 0;
        unsigned long value = 0;
        try {
            value = std::stoul(text.substr(position), &used, 10);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || !std::isdigit(static_cast<unsigned char>(text[position])) || value > kMaxSide)
            Refuse("--resize takes WIDTHxHEIGHT or WIDTHxHEIGHTxDEPTH (sides 1.." + std::to_string(kMaxSide) +
                   "), not '" + text + "'");
        parts[count++] = static_cast<uint32_t>(value);
        position += used;
        if (position == text.size())
            break;
        if (text[position] != 'x' && text[position] != 'X')
            Refuse("--resize takes WIDTHxHEIGHT or WIDTHxHEIGHTxDEPTH, not '" + text + "'");
        ++position;
    }
    if (count < 2 || position != text.size())
        Refuse("--resize takes WIDTHxHEIGHT or WIDTHxHEIGHTxDEPTH, not '" + text + "'");
    if (parts[0] == 0 || parts[1] == 0 || (count == 3 && parts[2] == 0))
        Refuse("--resize sides must be at least 1");
    return {parts[0], parts[1], parts[2]};
}

D3DCOLOR ParseColorKey(std::string text)
{
    if (text.starts_with("0x") || text.starts_with("0X"))
        text = text.substr(2);
    if (text.size() != 8 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        Refuse("--colorkey takes eight hexadecimal digits AARRGGBB, e.g. FFFF00FF");
    return static_cast<D3DCOLOR>(std::stoul(text, nullptr, 16));
}

bool IsAuto(std::string format)
{
    for (char& c : format)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return format == "auto";
}

FormatRequest NamedFormat(const std::string& name)
{
    const std::optional<FormatRequest> request = ParseFormatName(name);
    if (!request) {
        const std::string refusal = FormatNameRefusal(name);
        if (!refusal.empty())
            Refuse("--format: " + refusal);
        std::vector<std::string> known = FormatNamesAndAliases();
        known.push_back("auto");
        const std::vector<std::string> nearest = tools::NearestNames(name, known);
        Refuse("--format: unknown format '" + name + "'" +
               (nearest.empty() ? "" : "; did you mean " + tools::OneOf(nearest) + "?") +
               " (r3aztex help convert lists them all)");
    }
    return *request;
}

ConvertSettings MakeSettings(const ConvertOptions& options, FileType outputType)
{
    ConvertSettings settings;
    const bool toDds = ContainerOf(outputType).wholeTexture;
    std::optional<FormatRequest> request;
    if (!options.format.empty() && !IsAuto(options.format))
        request = NamedFormat(options.format);
    if (request) {
        settings.format = request->format;
        settings.signFromSource = request->signFromInput;
    }
    // DXT1 holds one bit of alpha, and the encoders would punch holes
    // wherever alpha falls below one half: a normal map with height in
    // alpha would come out mostly transparent. Plain dxt1 is opaque; the
    // holes are asked for by name (bc1a, dxt1a) or by a threshold.
    const bool dxt1 = request && request->format->format == D3DFMT_DXT1;
    if (options.alphaThreshold && !dxt1)
        Refuse("--alpha-threshold sets the one-bit alpha of dxt1 (bc1) output: add --format dxt1");
    if (dxt1)
        settings.dxt1AlphaThreshold = options.alphaThreshold ? options.alphaThreshold
                                      : request->keepOneBitAlpha ? std::nullopt
                                                                 : std::optional<uint32_t>(0);
    // DDS output is block-compressed with a full chain unless told
    // otherwise, as every peer does; PNG output shows level 0 as it is.
    settings.defaultFormat = toDds || IsAuto(options.format) ? DefaultFormat::Auto : DefaultFormat::Source;
    settings.defaultMips = toDds ? DefaultMips::FullChain : DefaultMips::Source;
    if (!options.resize.empty())
        settings.size = ParseSize(options.resize);
    settings.resizeFilter = kFilterTypes.at(options.filter);
    for (const std::string& axis : options.mirror)
        settings.edgeFlags |= axis == "u" ? IMAGE_FILTER_MIRROR_U
                              : axis == "v" ? IMAGE_FILTER_MIRROR_V
                                            : IMAGE_FILTER_MIRROR_W;
    settings.ditherFlag = options.dither ? IMAGE_FILTER_DITHER : 0;
    if (!options.colorKey.empty())
        settings.colorKey = ParseColorKey(options.colorKey);
    settings.mips = options.noMips ? std::optional<uint32_t>(1) : options.mips;
    if (options.mipFilter != "default")
        settings.mipFilter = kFilterTypes.at(options.mipFilter);
    settings.mipSpace = options.linear ? MipSpace::Stored : MipSpace::LinearLight;
    settings.alpha = options.premultiply ? OutputAlpha::Premultiplied : OutputAlpha::Straight;
    settings.data = options.normalMap ? VectorData::NormalMap : VectorData::Colour;
    settings.colourSpace =
        options.srgb || (request && request->colourSpace == ColourSpace::Srgb) ? ColourSpace::Srgb
                                                                                : ColourSpace::Unspecified;
    // The option checks have already turned any letter case into these.
    settings.quality = options.quality == "fast"   ? BlockQuality::Fast
                       : options.quality == "high" ? BlockQuality::High
                                                   : BlockQuality::Normal;
    settings.weights = options.weights == "perceptual" ? ErrorWeights::Perceptual
                       : options.weights == "uniform"  ? ErrorWeights::Uniform
                                                       : ErrorWeights::Automatic;
    return settings;
}

// The container --file-type names; DDS when it names none.
FileType TypeNamed(const std::string& name)
{
    const Container* container = FindContainer(name);
    return container != nullptr && container->Writable() ? container->type : FileType::Dds;
}

// The type every output of the run has.
FileType OutputTypeOf(const ConvertOptions& options)
{
    if (options.output.empty() || options.output == kStandardStream)
        return TypeNamed(options.fileType);
    const FileType type = FileTypeOfName(options.output);
    if (type == FileType::Unknown || !ContainerOf(type).Writable())
        Refuse("cannot tell the output format from '" + options.output + "': name it " + EndingsText(IsWritten));
    if (!options.fileType.empty() && TypeNamed(options.fileType) != type)
        Refuse("--file-type " + options.fileType + " contradicts the name " + options.output);
    return type;
}

// Cube faces in face order (with a notice when they are taken by
// position), volume slices in natural order.
std::vector<std::string> OrderedInputs(const ConvertOptions& options)
{
    std::vector<std::string> inputs = options.inputs;
    if (options.volume)
        std::stable_sort(inputs.begin(), inputs.end(),
                         [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
    // One input of a cube map is a panorama, not a face.
    if (!options.cube || inputs.size() == 1)
        return inputs;
    const CubeOrder order = OrderCubeFaces(inputs);
    std::vector<std::string> faces;
    for (size_t input : order.inputOfFace)
        faces.push_back(inputs[input]);
    if (!order.byName && !options.common.quiet) {
        std::string mapping;
        for (size_t face = 0; face < 6; ++face)
            mapping += std::string(face ? ", " : "") + DisplayName(faces[face]) + " as " + kCubeFaceSigns[face];
        ReportNotice("no input is named after a cube face (posx, negx, ...); taking them by position: " + mapping);
    }
    return faces;
}

std::vector<Job> PlanJobs(const ConvertOptions& options, FileType type)
{
    if (options.output.empty() == options.outputDirectory.empty())
        Refuse("say where to write: -o FILE or --outdir DIR (one of them)");
    if (std::count(options.inputs.begin(), options.inputs.end(), kStandardStream) > 1)
        Refuse("standard input ('-') can be read only once");
    const bool combined = Combined(options);
    const std::vector<std::string> inputs = OrderedInputs(options);
    std::vector<Job> jobs;
    if (!options.output.empty()) {
        if (!combined && inputs.size() != 1)
            Refuse("-o takes one input (or the inputs of --cube, --volume or --array); use --outdir for several "
                   "files");
        if (options.output == kStandardStream && combined && !ContainerOf(type).wholeTexture)
            Refuse(std::string("a ") + (options.cube ? "cube map" : options.volume ? "volume" : "texture array") +
                   " as PNG is several files; write it as DDS or into a folder");
        jobs.push_back({combined ? inputs : std::vector<std::string>{inputs[0]}, options.output, type});
        return jobs;
    }
    if (std::find(inputs.begin(), inputs.end(), kStandardStream) != inputs.end())
        Refuse("name the output of standard input with -o FILE (or -o - for standard output)");
    std::string directory = options.outputDirectory;
    if (directory.back() != '/')
        directory += '/';
    const std::string ending = ContainerOf(type).Ending();
    if (combined)
        jobs.push_back({inputs, directory + CommonStem(inputs, CombinedWord(options)) + ending, type});
    else
        for (const std::string& input : inputs)
            jobs.push_back({{input}, directory + StemOf(input) + ending, type});
    return jobs;
}

// Standard input, read once before anything is planned: its shape decides
// the names of PNG outputs, and it cannot be read twice.
struct Inputs {
    std::optional<std::vector<BYTE>> standardInput;

    // The input's bytes: standard input's as read before, any other file's
    // read now into `storage`.
    const std::vector<BYTE>& Bytes(const std::string& path, std::vector<BYTE>& storage) const
    {
        if (path == kStandardStream && standardInput)
            return *standardInput;
        storage = ReadFileBytes(path);
        return storage;
    }
};

// What the textures of a job are, as far as the names of its outputs go.
struct JobShape {
    TextureKind kind;
    uint32_t slices; // of a volume, after --resize
    uint32_t layers; // textures of an array written
};

JobShape ShapeOf(const Job& job, const ConvertOptions& options, const ConvertSettings& settings,
                 const Inputs& inputs)
{
    const uint32_t resizedDepth = settings.size && settings.size->depth != 0 ? settings.size->depth : 0;
    if (options.cube)
        return {TextureKind::Cube, 1, 1};
    if (options.volume)
        return {TextureKind::Volume, resizedDepth ? resizedDepth : static_cast<uint32_t>(job.inputs.size()), 1};
    if (options.array)
        return {TextureKind::Flat, 1, static_cast<uint32_t>(job.inputs.size())};
    // From the header alone (the reader that reads the file later checks
    // the rest).
    std::vector<BYTE> storage;
    const FileShape file = DescribeTextureFile(inputs.Bytes(job.inputs[0], storage), DisplayName(job.inputs[0]));
    return {file.kind, resizedDepth ? resizedDepth : file.depth, options.layer ? 1 : file.layers};
}

// Every file the jobs will write, kept off every input and off each other
// before anything is written: generated names (array textures, cube faces,
// volume slices) as much as the plain ones.
void PlanOutputs(const std::vector<Job>& jobs, const ConvertOptions& options, const ConvertSettings& settings,
                 const Inputs& inputs)
{
    std::vector<std::string> inputNames, outputs;
    for (const Job& job : jobs) {
        inputNames.insert(inputNames.end(), job.inputs.begin(), job.inputs.end());
        if (ContainerOf(job.type).wholeTexture) {
            outputs.push_back(job.output);
            continue;
        }
        const JobShape shape = ShapeOf(job, options, settings, inputs);
        if (job.output == kStandardStream && (shape.kind != TextureKind::Flat || shape.layers > 1))
            throw FileError(ExitCode::CommandLine, DisplayName(job.inputs[0]),
                            std::string("is a ") +
                                (shape.layers > 1                        ? "texture array"
                                 : shape.kind == TextureKind::Cube ? "cube map"
                                                                   : "volume") +
                                ", several PNG files; write it as DDS (--file-type dds), into a folder, or pick "
                                "one texture with --layer");
        const std::vector<std::string> names =
            TextureOutputNames(job.output, job.type, shape.kind, shape.slices, shape.layers);
        outputs.insert(outputs.end(), names.begin(), names.end());
    }
    RefuseToOverwriteInputs(inputNames, outputs);
    RefuseCollidingOutputs(outputs);
}

// Each job advances the progress bar three times: read, converted, written.
constexpr size_t kStepsPerJob = 3;

// Work worth a progress bar even as a single job: inputs of this many bytes.
constexpr uintmax_t kLargeInputBytes = 16u << 20;

uintmax_t InputBytes(const std::vector<Job>& jobs)
{
    uintmax_t total = 0;
    for (const Job& job : jobs)
        for (const std::string& input : job.inputs) {
            std::error_code error;
            const uintmax_t size = input == kStandardStream ? 0 : std::filesystem::file_size(input, error);
            total += error ? 0 : size;
        }
    return total;
}

// The textures of one input that are converted: the one --layer picks,
// or all of them (an array gives several).
std::vector<TextureImage> PickLayers(std::vector<TextureImage> layers, const std::string& input,
                                     const ConvertOptions& options)
{
    if (!options.layer)
        return layers;
    if (*options.layer >= layers.size())
        Refuse("--layer " + std::to_string(*options.layer) + " asked of " + input + ", which holds " +
               std::to_string(layers.size()) + (layers.size() == 1 ? " texture" : " textures"));
    std::vector<TextureImage> picked;
    picked.push_back(std::move(layers[*options.layer]));
    return picked;
}

// The textures of a job's inputs, read on the pool's threads: one input's
// layers, or the cube, volume or array assembled from all of them.
std::vector<TextureImage> ReadSources(const Job& job, const ConvertOptions& options,
                                      const ConvertSettings& settings, const Inputs& inputs, WorkPool& pool)
{
    std::vector<std::vector<TextureImage>> read(job.inputs.size());
    std::vector<std::string> names(job.inputs.size());
    pool.ForEach(read.size(), [&](size_t i) {
        names[i] = DisplayName(job.inputs[i]);
        std::vector<BYTE> storage;
        read[i] = PickLayers(DecodeTextureLayers(inputs.Bytes(job.inputs[i], storage), names[i]), names[i], options);
    });
    if (!Combined(options))
        return std::move(read[0]);
    std::vector<TextureImage> images;
    for (size_t i = 0; i < read.size(); ++i) {
        if (read[i].size() != 1)
            throw FileError(ExitCode::CommandLine, names[i],
                            "is an array of " + std::to_string(read[i].size()) +
                                " textures; pick the one to use with --layer");
        images.push_back(std::move(read[i][0]));
    }
    if (options.array)
        return AssembleArray(images, names);
    std::vector<TextureImage> sources;
    // A cube of one panorama has faces of the size --resize asks for (a
    // quarter of its width without), not a size resampled twice.
    if (options.cube && images.size() == 1) {
        if (!IsPanorama(images[0]))
            throw FileError(ExitCode::CommandLine, names[0],
                            "is a " + std::string(KindName(images[0].kind)) + " " +
                                SizeText(images[0].width, images[0].height, images[0].depth) +
                                " texture, not a panorama twice as wide as high: --cube takes six inputs (+x, -x, "
                                "+y, -y, +z, -z) or one equirectangular panorama");
        sources.push_back(CubeFromPanorama(images[0], settings.size ? settings.size->width : 0, names[0]));
    }
    else
        sources.push_back(options.cube ? AssembleCube(images, names) : AssembleVolume(images, names));
    return sources;
}

// The converted textures of a job. A single input is converted by the
// library from its bytes (a large image while it is decoded); the inputs
// of a cube, volume or array, or a picked layer, are read whole first.
std::vector<TextureImage> ReadAndConvert(const Job& job, const ConvertOptions& options,
                                         const ConvertSettings& settings, const Inputs& inputs, WorkPool& pool,
                                         tools::Progress& progress)
{
    const std::string name = DisplayName(job.inputs[0]);
    if (!Combined(options) && !options.layer) {
        std::vector<BYTE> storage;
        // The file's bytes go once decoded: a large image's conversion does
        // not carry them too.
        return ConvertFileBytes(inputs.Bytes(job.inputs[0], storage), name, settings, pool, [&] {
            progress.Advance("read " + name);
            std::vector<BYTE>().swap(storage);
        });
    }
    std::vector<TextureImage> results = ReadSources(job, options, settings, inputs, pool);
    progress.Advance("read " + name);
    ConvertSettings named = settings;
    named.sourceName = job.inputs.size() == 1 ? name : job.output;
    ConvertLayers(results, named, pool);
    return results;
}

// Reads, converts and writes one job; gives the line to report.
std::string RunJob(const Job& job, const ConvertOptions& options, const ConvertSettings& settings,
                   const Inputs& inputs, WorkPool& pool, tools::Progress& progress)
{
    const std::vector<TextureImage> results = ReadAndConvert(job, options, settings, inputs, pool, progress);
    const std::string name = DisplayName(job.inputs[0]);
    progress.Advance("converted " + name);
    const TextureImage& result = results[0];
    // An ASTC input keeps its format unless told otherwise, which DDS
    // cannot hold: say which way out there is.
    if (job.type == FileType::Dds && IsAstcFormat(result.format))
        throw ToolError(ExitCode::Unsupported, AstcContainerRefusal(result.Format().name, "DDS") +
                                                   "; name a --format DDS holds (bc7, bc3 ...) or write KTX2");
    // --srgb brings the DX10 header, the only one that records it.
    const dds::HeaderStyle style = options.dx10 || settings.colourSpace == ColourSpace::Srgb
                                       ? dds::HeaderStyle::Dx10
                                       : dds::HeaderStyle::Classic;
    if (job.type == FileType::Dds && result.colourSpace == ColourSpace::Srgb && !dds::WritesDx10Header(results, style))
        Warn(job.output, "the classic header cannot record that the colours are sRGB-encoded; --dx10 keeps it");
    const PngDepth depth = settings.format != nullptr ? PngDepth::OfFormat : PngDepth::Eight;
    const WrittenFiles written = WriteTextures(results, job.output, job.type, options.level, depth, style, pool,
                                               options.exrFloat ? FloatSamples::Float : FloatSamples::Half,
                                               options.zstd.value_or(0));
    progress.Advance("wrote " + job.output);
    std::string line = (job.inputs.size() == 1 ? name : std::to_string(job.inputs.size()) + " inputs") + " -> " +
                       (written.names[0] == kStandardStream ? "standard output" : written.names[0]);
    if (written.names.size() > 1)
        line += " (+" + std::to_string(written.names.size() - 1) + " more)";
    return line + ": " + written.description;
}

// A failure of a batch names the file it is about: a request the texture
// cannot meet ("--mips 9 exceeds the 4 levels ...") is said of its input.
std::string NamingTheFile(const std::string& message, const Job& job)
{
    for (const std::string& named : job.inputs)
        if (message.starts_with(DisplayName(named) + ": "))
            return message;
    if (message.starts_with(job.output + ": ") || message.starts_with("standard output: "))
        return message;
    return DisplayName(job.inputs.size() == 1 ? job.inputs[0] : job.output) + ": " + message;
}

ExitCode RunConvert(const ConvertOptions& options)
{
    if (int(options.cube) + int(options.volume) + int(options.array) > 1)
        Refuse("--cube, --volume and --array exclude each other");
    const FileType type = OutputTypeOf(options);
    const ConvertSettings settings = MakeSettings(options, type);
    if (options.zstd && !(ContainerOf(type).writeOptions & kZstdOption))
        Refuse("--zstd compresses KTX2 output; name the output .ktx2 or add --file-type ktx2");
    // DDS has no ASTC format: refused before any input is read.
    if (type == FileType::Dds && settings.format != nullptr && IsAstcFormat(settings.format->format))
        throw ToolError(ExitCode::Unsupported, AstcContainerRefusal(settings.format->name, "DDS") + "; use " +
                                                   (options.output.empty() ? "--file-type ktx2" : "-o NAME.ktx2"));
    // A format only the DX10 header names (BC7) has it anyway: no news.
    const dds::FormatRow* ddsRow = settings.format != nullptr ? dds::FindRow(settings.format->format) : nullptr;
    const bool dx10Anyway = options.dx10 || (ddsRow != nullptr && ddsRow->NeedsDx10Header());
    if (settings.colourSpace == ColourSpace::Srgb && !dx10Anyway && type == FileType::Dds && !options.common.quiet)
        ReportNotice((options.srgb ? std::string("--srgb") : "--format " + options.format) +
                     ": writing the DX10 header, the only DDS header that records sRGB");
    const std::vector<Job> jobs = PlanJobs(options, type);
    std::optional<ConversionReport> report;
    if (!options.report.empty())
        report.emplace(options.report, options.inputs, options.output);
    Inputs inputs;
    if (std::find(options.inputs.begin(), options.inputs.end(), kStandardStream) != options.inputs.end())
        inputs.standardInput = ReadFileBytes(kStandardStream);
    PlanOutputs(jobs, options, settings, inputs);
    if (!options.outputDirectory.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options.outputDirectory, error);
        if (error)
            throw FileError(ExitCode::FileAccess, options.outputDirectory, "cannot create: " + error.message());
    }

    WorkPool pool(ThreadCount(options.common));
    // A bar for batches and large inputs; a small single job just shows its
    // line when it is done.
    const bool worthABar = jobs.size() > 1 || InputBytes(jobs) >= kLargeInputBytes;
    tools::Progress progress(jobs.size() * kStepsPerJob, worthABar && !options.common.quiet
                                                             ? tools::ProgressDisplay::OnTerminal
                                                             : tools::ProgressDisplay::Off);
    // Warnings about inputs go around the bar, or nowhere with --quiet.
    WarningDestination warnings(options.common.quiet ? WarningSink()
                                                     : WarningSink([&progress](const std::string& line) {
                                                           progress.Message("r3aztex: " + line);
                                                       }));
    // Reports go where the texture does not.
    std::FILE* const reports = options.output == kStandardStream ? stderr : stdout;
    FailureRecord failures;
    std::atomic<size_t> failed{0}, started{0};
    std::atomic<bool> stop{false};
    pool.ForEach(jobs.size(), [&](size_t i) {
        if (stop.load())
            return;
        ++started;
        std::string failure;
        try {
            const auto start = std::chrono::steady_clock::now();
            const std::string line = RunJob(jobs[i], options, settings, inputs, pool, progress);
            if (report)
                report->Add(i, jobs[i].inputs, jobs[i].output,
                            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            if (!options.common.quiet)
                progress.Print(reports, line);
            return;
        } catch (const TextureError& error) {
            failures.Note(i, ExitCodeOf(error));
            failure = NamingTheFile(error.what(), jobs[i]);
        } catch (const std::bad_alloc&) {
            failures.Note(i, ExitCode::Internal);
            failure = jobs[i].output + ": out of memory";
        }
        ++failed;
        progress.Message("r3aztex: " + failure);
        if (!options.common.keepGoing)
            stop = true;
    });
    progress.Finish();
    if (report) {
        const size_t rows = report->Write(pool);
        if (!options.common.quiet)
            ReportNotice("wrote " + report->Path() + ": " + std::to_string(rows) + " conversions, worst PSNR first");
    }
    if (failed > 0 && jobs.size() > 1) {
        const size_t skipped = jobs.size() - started;
        ReportError(std::to_string(failed.load()) + " of " + std::to_string(jobs.size()) + " failed" +
                    (skipped > 0 ? ", " + std::to_string(skipped) + " not started (--keep-going goes on after a "
                                                                    "failure)"
                                 : ""));
    }
    return failures.Result();
}

const std::vector<std::string> kFilterNames = {"none", "point", "linear", "triangle", "box"};

// What a bare --zstd asks for: the smallest files short of the levels
// that need a large window to decode (20 to 22).
constexpr int kDefaultZstdLevel = 19;

} // namespace

CommandRunner AddConvertCommand(CLI::App& tool)
{
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* c = tool.add_subcommand("convert",
                                      "Convert textures: format, size, mip chain, cube maps, volumes and arrays");
    // The containers' rows name what is read and written.
    c->add_option("inputs", options->inputs, ContainerNamesText() + " files ('-': standard input)")->required();
    c->add_option("-o,--output", options->output, "Output file (" + EndingsText(IsWritten) + "; '-': standard output)");
    c->add_option("--outdir", options->outputDirectory,
                  "Output folder: each input becomes NAME.dds (or the ending of --file-type)");
    std::string written;
    for (const std::string& name : WrittenContainerNames())
        written += (written.empty() ? "" : ", ") + name + (name == "dds" ? " (default)" : "");
    c->add_option("--file-type", options->fileType, "With --outdir or -o -: " + written)
        ->check(OneOfNames(WrittenContainerNames()));
    c->add_option("--format", options->format,
                  "Output pixel format, any letter case. Default for DDS output: auto (dxt1 when every alpha is "
                  "opaque, else dxt5; vectors, data and block compression keep theirs; bc7 only when named, always "
                  "with the DX10 header); for PNG: the input's. Formats: " +
                      AllFormatNames() + ". " + FormatNameFamilies());
    c->add_option("--resize", options->resize, "New size WIDTHxHEIGHT or WIDTHxHEIGHTxDEPTH");
    c->add_option("--filter", options->filter, "Resize filter: none, point, linear, triangle (default), box")
        ->check(OneOfNames(kFilterNames));
    c->add_option("--mirror", options->mirror, "Edges that mirror instead of wrapping: u,v,w")
        ->delimiter(',')
        ->check(OneOfNames({"u", "v", "w"}));
    c->add_flag("--dither", options->dither, "Dither when storing into a format of lower precision");
    c->add_option("--colorkey", options->colorKey,
                  "Colour AARRGGBB of the source that becomes transparent black");
    CLI::Option* mips = c->add_option("--mips", options->mips,
                                      "Levels to generate from level 0 (0, or --mips alone: the full chain, the "
                                      "default for DDS output of a one-level input)")
                            ->expected(0, 1)
                            ->default_str("0")
                            ->check(WholeNumber(0, 32));
    c->add_flag("--no-mips", options->noMips, "Only level 0 (the same as --mips 1)")->excludes(mips);
    std::vector<std::string> mipFilters = kFilterNames;
    mipFilters.insert(mipFilters.begin(), "default");
    c->add_option("--mip-filter", options->mipFilter,
                  "Mip filter: default (box for power-of-two sizes, else triangle with dither), none, point, "
                  "linear, triangle, box")
        ->check(OneOfNames(mipFilters));
    c->add_flag("--cube", options->cube,
                "The six inputs are the faces of one cube map, placed by their names (posx/negx, px/nx, +x/-x, "
                "right/left/top/bottom/front/back) or else in the order +x, -x, +y, -y, +z, -z; or one input, an "
                "equirectangular panorama twice as wide as high, is sampled into the six faces (a quarter of its "
                "width a side, or the size of --resize; its centre faces +z)");
    c->add_flag("--volume", options->volume, "The inputs are the slices of one volume texture, in natural order");
    c->add_flag("--premultiply", options->premultiply, "Premultiplied alpha: dxt3 and dxt5 are stored as dxt2, dxt4");
    c->add_flag("--normal-map", options->normalMap, "The input is a normal map: renormalise every level");
    c->add_flag("--linear", options->linear, "Filter mips on the stored values, not in linear light");
    c->add_option("--quality", options->quality,
                  "Block compression effort: fast (the library's own encoder), normal (default), high; for ASTC "
                  "libastcenc's -fast, -medium and -thorough")
        ->check(OneOfNames({"fast", "normal", "high"}));
    c->add_option("--weights", options->weights,
                  "How block compression weighs colour errors: auto (default: perceptual for colour, uniform for "
                  "--normal-map and data formats), perceptual, uniform (for data in colour formats); ASTC counts "
                  "channels alike unless perceptual")
        ->check(OneOfNames({"auto", "perceptual", "uniform"}));
    c->add_option("--level", options->level, "The level written to PNG or EXR output (default 0)")
        ->check(WholeNumber());
    c->add_flag("--exr-float", options->exrFloat,
                "EXR output: 32-bit float samples (default: 16-bit half floats). EXR output holds the level's "
                "float values as they are, beyond 0..1 too");
    c->add_option("--layer", options->layer,
                  "The texture of a DDS texture array to convert (default: all of them, kept as an array in DDS "
                  "output, one PNG file each, NAME_layerN)")
        ->check(WholeNumber());
    c->add_flag("--array", options->array,
                "The inputs (2D images of one size) are the textures of one texture array, in the order given");
    c->add_option("--alpha-threshold", options->alphaThreshold,
                  "dxt1 output: pixels with alpha (0..255) below this become transparent, the others opaque "
                  "(default: opaque; bc1a and dxt1a keep the encoders' one-half rule)")
        ->check(WholeNumber(0, 255));
    c->add_flag("--dx10", options->dx10,
                "Write DDS files with the DX10 header (needed to record sRGB); default: the classic header");
    c->add_flag("--srgb", options->srgb,
                "Record colour outputs as sRGB-encoded (in DDS output, with the DX10 header, chosen for it)");
    c->add_option("--report", options->report,
                  "Write a page (.html) with a row per conversion: thumbnails, format, bytes, ratio, PSNR and time, "
                  "worst PSNR first, each leading to a comparison of source and result");
    c->add_option("--zstd", options->zstd,
                  "KTX2 output: Zstandard supercompression of every level at LEVEL, 1 (fastest) to 22 (smallest); "
                  "without LEVEL, " + std::to_string(kDefaultZstdLevel) + ". Default: no supercompression")
        ->expected(0, 1)
        ->default_str(std::to_string(kDefaultZstdLevel))
        ->check(WholeNumber(1, 22));
    AddCommonOptions(*c, options->common, Batch::Many);
    return [options] { return RunConvert(*options); };
}

} // namespace r3aztex
