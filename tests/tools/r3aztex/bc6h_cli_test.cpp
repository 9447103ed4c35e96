// BC6H output: every spelling of the two forms gives a DX10 file with the
// form's DXGI number, which our reader reads back with its HDR values; bc6h
// alone is the signed form for an input with negative values only.
#include "tool_test_support.h"

#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/file_bytes.h"

#include <cmath>
#include <cstring>

namespace r3aztex {
namespace {

using namespace testing;

constexpr DWORD kDxgiBc6hUf16 = 95;
constexpr DWORD kDxgiBc6hSf16 = 96;

TEST(ConvertBc6h, EverySpellingWritesADx10FileThatReadsBack)
{
    TempFolder folder;
    // Values over eight stops, from 1/4 up to 2^6.25 (76.1), and in in.dds
    // -2 in one corner block (plain.dds has none).
    for (const bool negative : {true, false}) {
        TextureImage sky = MakeTexture(FMT_A32B32G32R32F, TextureKind::Flat, 12, 8, 1, 1);
        float* p = reinterpret_cast<float*>(sky.Surface(0, 0).data());
        for (uint32_t i = 0; i < 12 * 8; ++i, p += 4) {
            const float v = std::exp2(float(i % 12) * 0.75f - 2.0f);
            const float pixel[4] = {v, i < 4 && negative ? -2.0f : v * 0.5f, 1.0f, 1.0f};
            std::memcpy(p, pixel, sizeof pixel);
        }
        WriteDds(folder / (negative ? "in.dds" : "plain.dds"), sky);
    }
    const struct {
        std::vector<std::string> options;
        DWORD dxgi;
        const char* input = "in.dds";
    } cases[] = {
        {{"--format", "bc6h_uf16"}, kDxgiBc6hUf16},
        {{"--format", "BC6H_UF16"}, kDxgiBc6hUf16},
        {{"--format", "bc6h"}, kDxgiBc6hSf16},
        {{"--format", "bc6h"}, kDxgiBc6hUf16, "plain.dds"},
        {{"--format", "bc6h_sf16", "--quality", "high"}, kDxgiBc6hSf16},
        {{"--format", "bc6h_sf16", "--quality", "fast"}, kDxgiBc6hSf16, "plain.dds"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"convert", folder / c.input, "-o", folder / "out.dds", "--mips", "0"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const RunResult result = RunTool(arguments, folder);
        const std::string label =
            c.options[1] + (c.options.size() > 2 ? " " + c.options[3] : "") + " from " + c.input;
        ASSERT_EQ(result.exitCode, 0) << label << ": " << result.err;
        const dds::Description description = dds::Describe(ReadFileBytes(folder / "out.dds"), "out.dds");
        EXPECT_TRUE(description.hasDx10Header) << label;
        EXPECT_EQ(description.dxgiFormat, c.dxgi) << label;
        EXPECT_EQ(description.levels, 4u) << label;
        // Read back as floats: the brightest pixel keeps its 76.1 within
        // 5%, and the signed form its -2 (the unsigned one 0).
        const TextureImage back =
            ConvertLevels(ReadTextureFile(folder / "out.dds"), FMT_A32B32G32R32F, 1, LoadOptions{});
        const float* q = reinterpret_cast<const float*>(back.Surface(0, 0).data());
        EXPECT_NEAR(q[4 * 11], std::exp2(6.25f), 3.8f) << label;
        const bool negative = std::string(c.input) == "in.dds";
        EXPECT_NEAR(q[1], !negative ? 0.125f : c.dxgi == kDxgiBc6hSf16 ? -2.0f : 0.0f, 0.1f) << label;
    }
}

} // namespace
} // namespace r3aztex
