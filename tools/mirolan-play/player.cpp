#include "tools/mirolan-play/player.h"

#include "tools/common/atomic_file.h"
#include "tools/common/progress.h"
#include "tools/mirolan-play/animation.h"
#include "tools/mirolan-play/effect_module.h"
#include "tools/mirolan-play/png_file.h"

#include "platform/pwKernel/pwKernel_control.h"
#include "platform/pwMemLeak/pwMemLeak_control.h"

#include "d3d8_testing.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>
#include <set>
#include <vector>

namespace {

// On a terminal, runs shorter than this show no progress: they are done
// before anyone would look.
constexpr std::chrono::seconds kQuietStart{2};

// The contact sheet stays a picture people can open and send.
constexpr unsigned kSheetMaxWidth = 2048;
constexpr unsigned kSheetColumns = 4;

void Report(const std::string& message) { std::fprintf(stderr, "mirolan-play: %s\n", message.c_str()); }

std::string FrameFileName(unsigned frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%04u.png", frame);
    return name;
}

// Frames for the contact sheet: `count` of them, evenly spaced, the last
// frame last.
std::vector<unsigned> SheetFrames(unsigned frames, unsigned count)
{
    count = std::min(count, frames);
    std::vector<unsigned> chosen;
    for (unsigned i = 1; i <= count; ++i)
        chosen.push_back(unsigned(uint64_t(i) * frames / count));
    return chosen;
}

// Where the pictures go and what has been written there.
class PictureWriter {
public:
    // Lines go through the progress bar, so that they never break it.
    PictureWriter(const PlayOptions& options, tools::Progress& progress)
        : m_directory(options.outputDirectory), m_scale(options.scale), m_progress(progress)
    {
    }

    bool Write(const std::string& name, const Picture& picture, unsigned scale)
    {
        std::string path = (m_directory / name).string();
        std::string error;
        if (!WritePng(path, Enlarge(picture, scale), error)) {
            m_progress.Message("mirolan-play: " + error);
            return false;
        }
        m_progress.Print(stdout, "wrote " + path);
        return true;
    }

    unsigned Scale() const { return m_scale; }

private:
    std::filesystem::path m_directory;
    unsigned m_scale;
    tools::Progress& m_progress;
};

// Creates a folder and those above it; false, reported, when it cannot be
// made or something else has its name.
bool MakeFolder(const std::string& folder, const std::string& what)
{
    if (folder.empty())
        return true;
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (failure || !std::filesystem::is_directory(folder)) {
        Report("cannot create " + what + " '" + folder + "'" + (failure ? ": " + failure.message() : std::string()));
        return false;
    }
    return true;
}

// The texture the effect bound for drawing, as the engine would sample it.
IDirect3DTexture8* BoundTexture()
{
    return static_cast<IDirect3DTexture8*>(kwo3DAPI_GetTextureInterface(kwoHost_BoundTexture(0)));
}

ExitCode WriteMipLevels(IDirect3DTexture8* texture, PictureWriter& writer)
{
    for (unsigned level = 0; level < texture->GetLevelCount(); ++level) {
        Picture picture;
        std::string error;
        if (!ReadTextureLevel(texture, level, picture, error)) {
            Report(error);
            return ExitCode::EffectFailure;
        }
        // True size: a level shows what the filter made of it.
        if (!writer.Write("last_level_" + std::to_string(level) + ".png", picture, 1))
            return ExitCode::FileError;
    }
    return ExitCode::Success;
}

// When frame `frame` starts showing, in whole milliseconds of engine time.
int Milliseconds(unsigned frame, float step) { return int(std::lround(double(frame) * step * 1000.0)); }

// What a run holds in memory, for the message when memory runs out: what
// was being done, and which options would make it smaller.
std::string OutOfMemory(const std::string& doing, const PlayOptions& options, bool keepingSheet)
{
    std::string hints;
    if (keepingSheet)
        hints += "--sheet 0";
    if (options.scale > 1)
        hints += std::string(hints.empty() ? "" : " or ") + "a smaller --scale";
    return "out of memory " + doing + (hints.empty() ? "" : " (try " + hints + ")");
}

std::string Size(const Picture& picture, unsigned scale)
{
    return std::to_string(picture.width * scale) + "x" + std::to_string(picture.height * scale);
}

// Drives the frames of a created effect and writes the pictures. Each
// file replaces an earlier one of its name only once it is complete, and
// nothing else in the folder is touched.
ExitCode RunFrames(zelvBaseEffect& effect, const PlayOptions& options)
{
    std::string error;
    tools::Progress progress(options.frames, options.progress,
                             options.progress == tools::ProgressDisplay::OnTerminal ? kQuietStart
                                                                                    : std::chrono::seconds(0));
    PictureWriter writer(options, progress);
    std::vector<unsigned> sheetFrames = SheetFrames(options.frames, options.sheetFrames);
    std::set<unsigned> wanted(sheetFrames.begin(), sheetFrames.end());
    std::vector<SheetTile> sheet;
    std::unique_ptr<AnimationWriter> animation;
    if (!options.animationFile.empty())
        animation = std::make_unique<AnimationWriter>(options.animationFile);
    // What the run is doing, for a message should memory run out.
    std::string doing;

    try {
        for (unsigned frame = 1; frame <= options.frames; ++frame) {
            doing = "running frame " + std::to_string(frame);
            effect.SetGlobalTime(float(frame) * options.step);
            effect.PrepareForRender();
            effect.Draw(0, 6, 0, 0); // one quad of two triangles, as a full-screen pass would draw

            bool last = frame == options.frames;
            bool periodic = options.every != 0 && frame % options.every == 0;
            if (last || periodic || wanted.count(frame) != 0 || animation) {
                IDirect3DTexture8* texture = BoundTexture();
                Picture picture;
                if (texture == nullptr) {
                    Report("the effect bound no texture for drawing");
                    return ExitCode::EffectFailure;
                }
                doing = "reading frame " + std::to_string(frame) + " from the texture";
                if (!ReadTextureLevel(texture, 0, picture, error)) {
                    Report(error);
                    return ExitCode::EffectFailure;
                }
                doing = "writing frame " + std::to_string(frame) + " at " + Size(picture, writer.Scale());
                if ((last || periodic) && !writer.Write(FrameFileName(frame), picture, writer.Scale()))
                    return ExitCode::FileError;
                if (wanted.count(frame) != 0) {
                    doing = "keeping frame " + std::to_string(frame) + " for the contact sheet (" +
                            std::to_string(sheet.size() + 1) + " of " + std::to_string(sheetFrames.size()) +
                            " frames of " + Size(picture, 1) + ")";
                    sheet.push_back({picture, frame});
                }
                doing = "adding frame " + std::to_string(frame) + " at " + Size(picture, writer.Scale()) +
                        " to the animation";
                if (animation && !animation->Add(Enlarge(picture, writer.Scale()),
                                                 Milliseconds(frame - 1, options.step), error)) {
                    Report(error);
                    return animation->FileFailed() ? ExitCode::FileError : ExitCode::EffectFailure;
                }
                doing = "writing the mip levels of the last frame";
                if (last && texture->GetLevelCount() > 1) {
                    ExitCode levels = WriteMipLevels(texture, writer);
                    if (levels != ExitCode::Success)
                        return levels;
                }
            }
            effect.RestoreAfterRender();
            progress.Advance("frames");
        }
        progress.Finish();
        if (!sheet.empty()) {
            doing = "making the contact sheet of " + std::to_string(sheet.size()) + " frames of " +
                    Size(sheet.front().picture, writer.Scale());
            for (SheetTile& tile : sheet)
                tile.picture = Enlarge(tile.picture, writer.Scale());
            if (!writer.Write("contact_sheet.png", ContactSheet(sheet, kSheetColumns, kSheetMaxWidth), 1))
                return ExitCode::FileError;
        }
    } catch (const std::bad_alloc&) {
        progress.Finish();
        Report(OutOfMemory(doing, options, !sheet.empty()));
        return ExitCode::EffectFailure;
    }
    if (animation) {
        if (!animation->Finish(Milliseconds(options.frames, options.step), error)) {
            Report(error);
            return animation->FileFailed() ? ExitCode::FileError : ExitCode::EffectFailure;
        }
        std::printf("wrote %s\n", options.animationFile.c_str());
    }
    return ExitCode::Success;
}

ExitCode RunEffect(const EffectModule& module, const PlayOptions& options, const std::string& text,
                   const EffectValues& values)
{
    zelvBaseEffect* effect = module.CreateEffect();
    if (effect == nullptr) {
        Report("CreateEffect made no effect");
        return ExitCode::EffectFailure;
    }
    // Create takes a writable text; with no parameters at all the effect
    // gets none and keeps its defaults.
    bool anyParameters = !options.params.empty() || !options.paramsFile.empty();
    std::vector<char> writable(text.begin(), text.end());
    writable.push_back('\0');
    HRESULT created = effect->Create(anyParameters ? writable.data() : nullptr);
    ExitCode result = ExitCode::Success;
    if (FAILED(created)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", unsigned(created));
        Report(std::string("the effect's Create failed (") + code + "): " + ExplainCreateFailure(values));
        result = ExitCode::EffectFailure;
    } else {
        result = RunFrames(*effect, options);
    }
    delete effect; // through the virtual destructor: the memory is the module's
    return result;
}

} // namespace

ExitCode Play(const PlayOptions& options)
{
    std::string text;
    std::string error;
    if (!BuildParameterText(options, text, error)) {
        Report(error);
        return ExitCode::FileError;
    }
    const bool anyParameters = !options.params.empty() || !options.paramsFile.empty();
    if (anyParameters)
        for (const std::string& warning : CheckParameters(ParameterLines(options, text)))
            Report(warning);
    const EffectValues values = ReadEffectValues(anyParameters ? text.c_str() : nullptr);
    if (options.printParams) {
        std::fputs(DescribeValues(values).c_str(), stdout);
        return ExitCode::Success;
    }
    // Refused before the run, not at its first frame; a size the effect
    // refuses anyway is left to Create.
    if (!options.animationFile.empty() && values.width > 0 && values.height > 0 &&
        (uint64_t(values.width) * options.scale > AnimationWriter::kMaxSide ||
         uint64_t(values.height) * options.scale > AnimationWriter::kMaxSide)) {
        Report("--animation: frames of " + std::to_string(uint64_t(values.width) * options.scale) + "x" +
               std::to_string(uint64_t(values.height) * options.scale) + " (--scale " + std::to_string(options.scale) +
               ") are larger than the " + std::to_string(AnimationWriter::kMaxSide) +
               " pixels a side a WebP animation holds");
        return ExitCode::Usage;
    }
    // Every folder is there before the first frame runs: a long run must
    // not end in a file it cannot write.
    if (!MakeFolder(options.outputDirectory, "output folder"))
        return ExitCode::FileError;
    if (!options.animationFile.empty()) {
        if (!MakeFolder(tools::FolderOf(options.animationFile), "folder for --animation"))
            return ExitCode::FileError;
        if (std::filesystem::is_directory(options.animationFile)) {
            Report("--animation '" + options.animationFile + "' is a folder");
            return ExitCode::FileError;
        }
    }

    kwoHost_SetFixedTimeStep(options.step);
    kwoHost_SeedRandom(options.seed);
    // Nothing here reads the logs of calls and allocations, and they grow
    // with every frame: a million frames would hold gigabytes of them. The
    // tracker's table of live blocks, which the leak report needs, stays.
    kwoHost_RecordCalls(false);
    d3d8::RecordCalls(false);
    kwoMemLeakHost_RecordEvents(false);

    ExitCode result;
    {
        EffectModule module;
        std::string path = options.modulePath.empty() ? DefaultModulePath() : options.modulePath;
        if (!module.Load(path, error)) {
            Report(error);
            return ExitCode::EffectFailure;
        }
        result = RunEffect(module, options, text, values);
    }

    size_t textures = kwoHost_Shutdown();
    size_t blocks = kwoMemLeakHost_PrintLeakReport(stdout);
    if (textures != 0)
        std::printf("Textures: %zu not destroyed.\n", textures);
    if (result == ExitCode::Success && (blocks != 0 || textures != 0))
        result = ExitCode::Leak;
    return result;
}
