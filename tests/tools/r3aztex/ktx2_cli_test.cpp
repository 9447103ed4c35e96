// KTX2 output of the built r3aztex: every format KTX2 holds, in every kind
// and with one level or the whole chain, read by ktx-parse (npm), an
// outside reader, and held to the structural rules it does not check;
// block formats give the DDS path's blocks; the commands take KTX2 files
// and refuse what KTX2 cannot hold.
#include "tool_test_support.h"

#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/file_bytes.h"
#include "r3az8/tex/files/ktx2_files.h"
#include "tools/r3aztex/tool_error.h"

#include <iostream>
#include <map>
#include <sstream>
#include <thread>

namespace r3aztex {
namespace {

using namespace testing;

const std::string kNodeTools = R3AZ_SOURCE_DIR "/build/node-tools";

// Under the address sanitizer every run of the tool is several times
// slower: there the sweeps write the whole chains of 2D textures only (the
// in-process tests cover every kind there).
#ifdef __SANITIZE_ADDRESS__
constexpr bool kThinSweep = true;
#else
constexpr bool kThinSweep = false;
#endif

// The input of each kind: one picture, six faces, two array textures or
// three slices, 12x12 with alpha.
struct Kind {
    const char* name;
    std::vector<std::string> flags;
    std::vector<std::string> inputs;
};

std::vector<Kind> WriteInputs(const TempFolder& folder)
{
    const TextureImage picture = TestPicture(12, 12);
    std::vector<std::string> faces, layers, slices;
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"})
        faces.push_back(folder / (std::string("sky_") + face + ".png"));
    for (const char* name : {"a.png", "b.png"})
        layers.push_back(folder / name);
    for (const char* name : {"s0.png", "s1.png", "s2.png"})
        slices.push_back(folder / name);
    for (const auto* names : {&faces, &layers, &slices})
        for (const std::string& name : *names)
            WritePng(name, picture);
    WritePng(folder / "in.png", picture);
    return {{"2d", {}, {folder / "in.png"}},
            {"cube", {"--cube"}, faces},
            {"array", {"--array"}, layers},
            {"volume", {"--volume"}, slices}};
}

// ktx-parse installed by the project's script into the build folder, or
// the reason it is not there.
std::string InstallKtxParse(const TempFolder& folder)
{
    const RunResult install = RunProgram(R3AZ_SOURCE_DIR "/scripts/install-node-tools.sh", {kNodeTools}, folder);
    return install.exitCode == 0 ? "" : install.out + install.err;
}

TEST(Ktx2Output, EveryFormatKindAndChainPassesKtxParseAndOurStructuralChecks)
{
    if (FindProgram("node").empty())
        GTEST_SKIP() << "node is not installed: the KTX2 files are not checked with ktx-parse";
    TempFolder folder;
    const std::string refusal = InstallKtxParse(folder);
    ASSERT_EQ(refusal, "") << "ktx-parse could not be installed with npm (scripts/install-node-tools.sh)";
    const std::vector<Kind> kinds = WriteInputs(folder);

    struct Written {
        std::string path;
        const ktx2::FormatRow* row;
        ColourSpace space;
        std::string kind;
        uint32_t levels;
    };
    struct Run {
        Written file;
        std::vector<std::string> arguments;
    };
    std::vector<Run> runs;
    for (const ktx2::FormatRow& row : ktx2::FormatRows()) {
        if (!FindFormat(row.format)->IsWritable())
            continue; // read, never encoded
        const std::string format = FormatName(row.format);
        for (const Kind& kind : kinds)
            for (const bool chain : {false, true}) {
                if (kThinSweep && (!chain || kind.name != std::string("2d")))
                    continue;
                // The whole chain in sRGB where the format has an sRGB twin.
                const bool srgb = chain && row.vkSrgb.Exists();
                const std::string path = folder / (format + "_" + kind.name + (chain ? "_chain" : "_one") + ".ktx2");
                std::vector<std::string> arguments = {"convert"};
                arguments.insert(arguments.end(), kind.inputs.begin(), kind.inputs.end());
                arguments.insert(arguments.end(), kind.flags.begin(), kind.flags.end());
                for (const std::string& argument : {std::string("-o"), path, std::string("--format"), format,
                                                    std::string("--quality"), std::string("fast"),
                                                    std::string("--mips"), std::string(chain ? "0" : "1")})
                    arguments.push_back(argument);
                if (srgb)
                    arguments.push_back("--srgb");
                const uint32_t levels = chain ? FullChainLength(12, 12, kind.name == std::string("volume") ? 3 : 1) : 1;
                runs.push_back({{path, &row, srgb ? ColourSpace::Srgb : ColourSpace::Unspecified, kind.name, levels},
                                std::move(arguments)});
            }
    }
    // Two runs of the tool at a time, each worker capturing the output in
    // files of its own.
    std::vector<RunResult> results(runs.size());
    std::vector<std::thread> workers;
    for (size_t worker = 0; worker < 2; ++worker)
        workers.emplace_back([&, worker] {
            const std::string out = folder / ("worker" + std::to_string(worker) + ".out");
            const std::string err = folder / ("worker" + std::to_string(worker) + ".err");
            for (size_t i = worker; i < runs.size(); i += 2) {
                std::string command = Quote(R3AZTEX_PROGRAM);
                for (const std::string& argument : runs[i].arguments)
                    command += " " + Quote(argument);
                command += " >" + Quote(out) + " 2>" + Quote(err) + " </dev/null";
                const int status = std::system(command.c_str());
                results[i] = {WIFEXITED(status) ? WEXITSTATUS(status) : 128, Slurp(out), Slurp(err)};
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    std::vector<Written> written;
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(results[i].exitCode, 0) << runs[i].file.path << ": " << results[i].err;
        if (results[i].exitCode == 0)
            written.push_back(runs[i].file);
    }
    std::map<std::string, std::map<std::string, int>> passing; // format -> kind -> files that pass

    // One node process reads them all.
    std::vector<std::string> arguments = {R3AZ_SOURCE_DIR "/tests/files/ktx2/check_ktx2.mjs", kNodeTools + "/node_modules"};
    for (const Written& file : written)
        arguments.push_back(file.path);
    const RunResult check = RunProgram(FindProgram("node"), arguments, folder);
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    std::map<std::string, std::string> verdicts; // path -> "ok NAME" or the failure
    std::istringstream lines(check.out);
    for (std::string line; std::getline(lines, line);) {
        const bool ok = line.starts_with("ok ");
        const size_t start = ok ? 3 : 5;
        const size_t end = line.find(ok ? ' ' : ':', start);
        verdicts[line.substr(start, end - start)] = ok ? line.substr(end + 1) : "fail" + line.substr(end);
    }
    for (const Written& file : written) {
        SCOPED_TRACE(file.path);
        const std::string wanted = (file.space == ColourSpace::Srgb ? file.row->vkSrgb : file.row->vk).name;
        EXPECT_EQ(verdicts[file.path], wanted) << "ktx-parse's name of the vkFormat, or its failure";
        const std::vector<BYTE> bytes = ReadFileBytes(file.path);
        ktx2::Layout layout{};
        EXPECT_NO_THROW(layout = ktx2::CheckLayout(bytes));
        EXPECT_EQ(layout.levels, file.levels);
        std::vector<TextureImage> layers;
        EXPECT_NO_THROW(layers = DecodeTextureLayers(bytes.data(), bytes.size(), file.path));
        // The same texture as ktx-parse's writer lays it out.
        const std::vector<BYTE> rewritten = ReadFileBytes(file.path + ".ktx-parse");
        std::vector<TextureImage> again;
        EXPECT_NO_THROW(again = DecodeTextureLayers(rewritten.data(), rewritten.size(), file.path + ".ktx-parse"));
        bool same = again.size() == layers.size();
        for (size_t i = 0; same && i < layers.size(); ++i)
            same = again[i].format == layers[i].format && again[i].surfaces == layers[i].surfaces;
        EXPECT_TRUE(same) << "ktx-parse's rewrite reads as another texture";
        const bool passes = !HasFailure() && verdicts[file.path] == wanted && !layers.empty() &&
                            layers[0].format == file.row->format && layers[0].colourSpace == file.space && same;
        passing[FormatName(file.row->format)][file.kind] += passes ? 1 : 0;
    }
    // The table for people: files passing of the two (one level, whole
    // chain) for each format and kind.
    std::cout << "format            2d cube array volume\n";
    for (const auto& [format, byKind] : passing) {
        std::cout << format << std::string(format.size() < 18 ? 18 - format.size() : 1, ' ');
        for (const char* kind : {"2d", "cube", "array", "volume"})
            std::cout << (byKind.count(kind) ? std::to_string(byKind.at(kind)) : "-") << "/2 ";
        std::cout << "\n";
    }
}

TEST(Ktx2Output, BlockLevelsAreTheBlocksTheDdsFileHolds)
{
    TempFolder folder;
    const std::vector<Kind> kinds = WriteInputs(folder);
    for (const char* format : {"dxt1", "dxt2", "dxt3", "dxt4", "dxt5", "bc4", "bc5", "bc7"})
        for (const Kind& kind : kThinSweep ? std::vector<Kind>{kinds[0]} : std::vector<Kind>{kinds[0], kinds[1]}) {
            SCOPED_TRACE(std::string(format) + ", " + kind.name);
            std::map<std::string, std::vector<BYTE>> files;
            for (const char* ending : {".dds", ".ktx2"}) {
                std::vector<std::string> arguments = {"convert"};
                arguments.insert(arguments.end(), kind.inputs.begin(), kind.inputs.end());
                arguments.insert(arguments.end(), kind.flags.begin(), kind.flags.end());
                for (const std::string& argument :
                     {std::string("-o"), folder / (std::string("out") + ending), std::string("--format"),
                      std::string(format), std::string("--mips"), std::string("0"), std::string("--quiet")})
                    arguments.push_back(argument);
                const RunResult result = RunTool(arguments, folder);
                ASSERT_EQ(result.exitCode, 0) << result.err;
                files[ending] = ReadFileBytes(folder / (std::string("out") + ending));
            }
            const TextureImage dds = DecodeTextureFile(files[".dds"].data(), files[".dds"].size(), "out.dds");
            const ktx2::Layout layout = ktx2::CheckLayout(files[".ktx2"]);
            ASSERT_EQ(layout.levels, dds.levels);
            EXPECT_EQ(layout.format, dds.format);
            for (uint32_t level = 0; level < dds.levels; ++level) {
                std::vector<BYTE> blocks;
                for (uint32_t face = 0; face < dds.Faces(); ++face)
                    blocks.insert(blocks.end(), dds.Surface(face, level).begin(), dds.Surface(face, level).end());
                const ktx2::LevelEntry& entry = layout.levelIndex[level];
                EXPECT_TRUE(std::equal(blocks.begin(), blocks.end(), files[".ktx2"].begin() + entry.byteOffset,
                                       files[".ktx2"].begin() + entry.byteOffset + entry.byteLength) &&
                            blocks.size() == entry.byteLength)
                    << "level " << level;
            }
        }
}

TEST(Ktx2Output, CommandsTakeKtx2FilesAndRefuseWhatTheyCannotHold)
{
    TempFolder folder;
    WritePng(folder / "in.png", TestPicture(64, 48));
    auto run = [&](std::vector<std::string> arguments) { return RunTool(arguments, folder); };
    ASSERT_EQ(run({"convert", folder / "in.png", "-o", folder / "plain.ktx2", "--format", "bc7_unorm_srgb",
                   "--quality", "fast"}).exitCode,
              0);
    const struct {
        std::vector<std::string> arguments;
        ExitCode code;
        const char* says; // in standard output or error
    } cases[] = {
        {{"convert", folder / "in.png", "-o", folder / "z.ktx2", "--format", "bc7_unorm_srgb", "--quality", "fast",
          "--zstd"},
         ExitCode::Success, "z.ktx2: ktx2, bc7"},
        // Inflated, the blocks are copied: the file without supercompression.
        {{"convert", folder / "z.ktx2", "-o", folder / "unpacked.ktx2"}, ExitCode::Success, "unpacked.ktx2"},
        {{"info", "--json", folder / "z.ktx2"}, ExitCode::Success,
         "\"vk_format\": \"BC7_SRGB_BLOCK\", \"data_format\": \"bc7, sRGB transfer, BT.709 primaries, straight "
         "alpha\", \"supercompression\": \"zstd\", \"stored_bytes\": \""},
        {{"info", folder / "z.ktx2"}, ExitCode::Success, "  key KTXorientation: rd\n  key KTXwriter: r3az8tex "},
        {{"diff", folder / "in.png", folder / "z.ktx2", "--min-psnr", "30"}, ExitCode::Success, "all"},
        {{"convert", folder / "z.ktx2", "-o", folder / "back.png"}, ExitCode::Success, "back.png: png"},
        {{"convert", folder / "in.png", "--outdir", folder / "out", "--file-type", "ktx2", "--format", "a8r8g8b8"},
         ExitCode::Success, "out/in.ktx2: ktx2, a8r8g8b8"},
        {{"convert", folder / "in.png", "-o", folder / "x.ktx2", "--format", "r3g3b2"}, ExitCode::Unsupported,
         "r3g3b2 has no Vulkan format; KTX2 cannot hold it"},
        {{"convert", folder / "in.png", "-o", folder / "x.dds", "--zstd", "5"}, ExitCode::CommandLine,
         "--zstd compresses KTX2 output"},
        {{"convert", folder / "in.png", "-o", folder / "x.ktx2", "--zstd", "23"}, ExitCode::CommandLine, "--zstd"},
        {{"convert", folder / "broken.ktx2", "-o", folder / "x.png"}, ExitCode::Malformed,
         "broken.ktx2: 4 bytes after level 0"},
    };
    std::vector<BYTE> broken = ReadFileBytes(folder / "plain.ktx2");
    broken.insert(broken.end(), 4, 0);
    WriteBytes(folder / "broken.ktx2", broken);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments.back());
        const RunResult result = run(c.arguments);
        EXPECT_EQ(result.exitCode, int(c.code)) << result.err;
        EXPECT_NE((result.out + result.err).find(c.says), std::string::npos) << result.out << result.err;
    }
    EXPECT_EQ(Slurp(folder / "unpacked.ktx2"), Slurp(folder / "plain.ktx2"));
    EXPECT_LT(Slurp(folder / "z.ktx2").size(), Slurp(folder / "plain.ktx2").size());
}

} // namespace
} // namespace r3aztex
