// `r3aztex convert IN... [-o OUT | --outdir DIR]`: format conversion,
// resizing and mip generation for one file, a batch, a cube map or a
// volume.
#include "tools/r3aztex/commands/command.h"

#include "tools/r3aztex/image_io/image_file.h"
#include "tools/r3aztex/processing/convert_pipeline.h"
#include "tools/r3aztex/processing/input_assembly.h"
#include "tools/r3aztex/processing/output_files.h"
#include "tools/r3aztex/util/progress.h"
#include "tools/r3aztex/util/work_pool.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

namespace r3aztex {
namespace {

struct ConvertOptions {
    std::vector<std::string> inputs;
    std::string output;
    std::string outputDirectory;
    std::string fileType = "dds";
    std::string format;
    std::string resize;
    std::string filter = "triangle";
    std::vector<std::string> mirror;
    bool dither = false;
    std::string colorKey;
    std::optional<uint32_t> mips;
    std::string mipFilter = "default";
    bool cube = false;
    bool volume = false;
    bool premultiply = false;
    bool normalMap = false;
    bool linear = false;
    uint32_t level = 0;
    CommonOptions common;
};

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

ConvertSettings MakeSettings(const ConvertOptions& options)
{
    ConvertSettings settings;
    if (!options.format.empty()) {
        settings.format = FindFormatByName(options.format);
        if (settings.format == nullptr)
            Refuse("unknown format '" + options.format + "'; known: " + AllFormatNames());
    }
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
    settings.mips = options.mips;
    if (options.mipFilter != "default")
        settings.mipFilter = kFilterTypes.at(options.mipFilter);
    settings.mipSpace = options.linear ? MipSpace::Stored : MipSpace::LinearLight;
    settings.alpha = options.premultiply ? AlphaMode::Premultiplied : AlphaMode::Straight;
    settings.data = options.normalMap ? VectorData::NormalMap : VectorData::Colour;
    return settings;
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

FileType OutputType(const std::string& path)
{
    const FileType type = FileTypeOfName(path);
    if (type != FileType::Dds && type != FileType::Png)
        Refuse("cannot tell the output format from '" + path + "': name it .dds or .png");
    return type;
}

std::vector<Job> PlanJobs(const ConvertOptions& options)
{
    if (options.output.empty() == options.outputDirectory.empty())
        Refuse("say where to write: -o FILE or --outdir DIR (one of them)");
    const bool combined = options.cube || options.volume;
    std::vector<Job> jobs;
    if (!options.output.empty()) {
        if (!combined && options.inputs.size() != 1)
            Refuse("-o takes one input (or the inputs of --cube or --volume); use --outdir for several files");
        const FileType type = OutputType(options.output);
        if (combined)
            jobs.push_back({options.inputs, options.output, type});
        else
            jobs.push_back({{options.inputs[0]}, options.output, type});
        return jobs;
    }
    if (options.fileType != "dds" && options.fileType != "png")
        Refuse("--file-type takes dds or png");
    const FileType type = options.fileType == "png" ? FileType::Png : FileType::Dds;
    std::string directory = options.outputDirectory;
    if (directory.back() != '/')
        directory += '/';
    auto nameFor = [&](const std::string& input) { return directory + BaseName(input) + "." + options.fileType; };
    if (combined)
        jobs.push_back({options.inputs, nameFor(options.inputs[0]), type});
    else
        for (const std::string& input : options.inputs)
            jobs.push_back({{input}, nameFor(input), type});
    std::set<std::string> seen;
    for (const Job& job : jobs)
        if (!seen.insert(job.output).second)
            Refuse("two inputs would both be written to " + job.output);
    return jobs;
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
            const uintmax_t size = std::filesystem::file_size(input, error);
            total += error ? 0 : size;
        }
    return total;
}

// Reads, converts and writes one job; gives the line to report.
std::string RunJob(const Job& job, const ConvertOptions& options, const ConvertSettings& settings, WorkPool& pool,
                   Progress& progress)
{
    std::vector<TextureImage> images(job.inputs.size());
    pool.ForEach(images.size(), [&](size_t i) { images[i] = ReadTextureFile(job.inputs[i]); });
    TextureImage source = options.cube     ? AssembleCube(images, job.inputs)
                          : options.volume ? AssembleVolume(images, job.inputs)
                                           : std::move(images[0]);
    images.clear();
    progress.Advance("read " + job.inputs[0]);
    const TextureImage result = ConvertTexture(source, settings, pool);
    progress.Advance("converted " + job.inputs[0]);
    const std::vector<std::string> written = WriteTexture(result, job.output, job.type, options.level, pool);
    progress.Advance("wrote " + job.output);
    std::string line = (job.inputs.size() == 1 ? job.inputs[0] : std::to_string(job.inputs.size()) + " inputs") +
                       " -> " + written[0];
    if (written.size() > 1)
        line += " (+" + std::to_string(written.size() - 1) + " more)";
    return line + ": " + FormatName(result.format) + " " + KindName(result.kind) + " " + SizeText(result.width, result.height, result.kind == TextureKind::Volume ? result.depth : 1) + ", " +
           std::to_string(result.levels) + (result.levels == 1 ? " level" : " levels");
}

ExitCode RunConvert(const ConvertOptions& options)
{
    if (options.cube && options.volume)
        Refuse("--cube and --volume exclude each other");
    const ConvertSettings settings = MakeSettings(options);
    const std::vector<Job> jobs = PlanJobs(options);
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
    Progress progress(jobs.size() * kStepsPerJob,
                      worthABar && !options.common.quiet ? ProgressDisplay::OnTerminal : ProgressDisplay::Off);
    std::vector<std::string> reports(jobs.size());
    FailureRecord failures;
    std::atomic<bool> stop{false};
    pool.ForEach(jobs.size(), [&](size_t i) {
        if (stop.load())
            return;
        try {
            reports[i] = RunJob(jobs[i], options, settings, pool, progress);
        } catch (const ToolError& error) {
            failures.Note(i, error.Code());
            progress.Message("r3aztex: " + std::string(error.what()));
            if (!options.common.keepGoing)
                stop = true;
        } catch (const std::bad_alloc&) {
            failures.Note(i, ExitCode::Internal);
            progress.Message("r3aztex: " + jobs[i].output + ": out of memory");
            if (!options.common.keepGoing)
                stop = true;
        }
    });
    progress.Finish();
    if (!options.common.quiet)
        for (const std::string& report : reports)
            if (!report.empty())
                std::printf("%s\n", report.c_str());
    return failures.Result();
}

} // namespace

CommandRunner AddConvertCommand(CLI::App& tool)
{
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* c = tool.add_subcommand("convert", "Convert textures: format, size, mip chain, cube maps and volumes");
    c->add_option("inputs", options->inputs, "DDS, PNG, TGA or JPEG files")->required();
    c->add_option("-o,--output", options->output, "Output file (.dds or .png)");
    c->add_option("--outdir", options->outputDirectory, "Output folder: each input becomes NAME.dds (or .png)");
    c->add_option("--file-type", options->fileType, "With --outdir: dds (default) or png")
        ->check(CLI::IsMember({"dds", "png"}));
    c->add_option("--format", options->format,
                  "Output pixel format, any letter case (default: the input's): " + AllFormatNames());
    c->add_option("--resize", options->resize, "New size WIDTHxHEIGHT or WIDTHxHEIGHTxDEPTH");
    c->add_option("--filter", options->filter, "Resize filter: none, point, linear, triangle (default), box")
        ->check(CLI::IsMember({"none", "point", "linear", "triangle", "box"}, CLI::ignore_case));
    c->add_option("--mirror", options->mirror, "Edges that mirror instead of wrapping: u,v,w")
        ->delimiter(',')
        ->check(CLI::IsMember({"u", "v", "w"}, CLI::ignore_case));
    c->add_flag("--dither", options->dither, "Dither when storing into a format of lower precision");
    c->add_option("--colorkey", options->colorKey,
                  "Colour AARRGGBB of the source that becomes transparent black");
    c->add_option("--mips", options->mips, "Levels to generate from level 0 (0: the full chain)")
        ->check(CLI::Range(0u, 32u));
    c->add_option("--mip-filter", options->mipFilter,
                  "Mip filter: default (box for power-of-two sizes, else triangle with dither), none, point, "
                  "linear, triangle, box")
        ->check(CLI::IsMember({"default", "none", "point", "linear", "triangle", "box"}, CLI::ignore_case));
    c->add_flag("--cube", options->cube, "The six inputs are the faces +x, -x, +y, -y, +z, -z of one cube map");
    c->add_flag("--volume", options->volume, "The inputs are the slices of one volume texture");
    c->add_flag("--premultiply", options->premultiply, "Premultiplied alpha: dxt3 and dxt5 are stored as dxt2, dxt4");
    c->add_flag("--normal-map", options->normalMap, "The input is a normal map: renormalise every level");
    c->add_flag("--linear", options->linear, "Filter mips on the stored values, not in linear light");
    c->add_option("--level", options->level, "The level written to PNG output (default 0)");
    AddCommonOptions(*c, options->common, Batch::Many);
    return [options] { return RunConvert(*options); };
}

} // namespace r3aztex
