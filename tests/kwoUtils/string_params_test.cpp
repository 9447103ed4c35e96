// The parameter list: line splitting, key and value syntax, typed getters
// and the memory it reports.
#include "kwoUtils/kwoStringParams.h"

#include "tests/support/engine_session.h"

#include <cmath>
#include <limits>
#include <memory>
#include <string>

namespace {

constexpr CallSite kTestSite{"tests/kwoUtils/string_params", 1};

class StringParams : public EngineSession {
protected:
    kwoStringParams* Make(const char* text)
    {
        m_params.reset(new (kTestSite) kwoStringParams(text));
        return m_params.get();
    }
    void TearDown() override
    {
        m_params.reset();
        EngineSession::TearDown();
    }

    struct Dispose {
        void operator()(kwoStringParams* params) const { delete params; }
    };
    std::unique_ptr<kwoStringParams, Dispose> m_params;
};

int IntHex(kwoStringParams& params, const char* key, int preset = -7)
{
    params.GetIntHex(key, preset);
    return preset;
}

int Int(kwoStringParams& params, const char* key, int preset = -7)
{
    params.GetInt(key, preset);
    return preset;
}

float Float(kwoStringParams& params, const char* key, float preset = -7.0f)
{
    params.GetFloat(key, preset);
    return preset;
}

std::string String(kwoStringParams& params, const char* key)
{
    char value[kParamValueBufferSize] = "untouched";
    params.GetString(key, value);
    return value;
}

TEST_F(StringParams, NullTextGivesAnEmptyListAndNoReports)
{
    kwoStringParams& params = *Make(nullptr);
    EXPECT_EQ(params.GetNumLines(), 0);
    int number = 5;
    float real = 2.5f;
    char text[kParamValueBufferSize] = "kept";
    EXPECT_EQ(params.GetInt("width", number), 0);
    EXPECT_EQ(params.GetIntHex("width", number), 0);
    EXPECT_EQ(params.GetFloat("width", real), 0);
    EXPECT_EQ(params.GetString("width", text), 0);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(real, 2.5f);
    EXPECT_STREQ(text, "kept");
    // Only the list object itself was allocated.
    EXPECT_EQ(kwoMemLeakHost_EventLines(),
              (std::vector<std::string>{"Alloc tests/kwoUtils/string_params:1 (" +
                                        std::to_string(sizeof(kwoStringParams)) + " bytes)"}));
}

TEST_F(StringParams, DecimalHexAndComment)
{
    kwoStringParams& params = *Make("width=64\nheight = 0x20 ; comment");
    EXPECT_EQ(params.GetNumLines(), 2);
    EXPECT_EQ(IntHex(params, "width"), 64);
    EXPECT_EQ(IntHex(params, "height"), 32);
    // Only GetIntHex reads hexadecimal.
    EXPECT_EQ(Int(params, "height"), 0);
}

TEST_F(StringParams, UpperCaseHexPrefixReadsAsDecimalZero)
{
    kwoStringParams& params = *Make("a=0X40\nb=0x7fffffff\nc=0xFFFFFFFF\nd=0x123456789\ne=0xg");
    EXPECT_EQ(IntHex(params, "a"), 0);
    EXPECT_EQ(IntHex(params, "b"), 0x7FFFFFFF);
    EXPECT_EQ(IntHex(params, "c"), -1);
    EXPECT_EQ(IntHex(params, "d"), -1); // too many digits: the largest 32-bit value
    EXPECT_EQ(IntHex(params, "e"), 0);
}

TEST_F(StringParams, KeyWithoutValueIsFoundAndReadsAsZero)
{
    kwoStringParams& params = *Make("width");
    EXPECT_EQ(Int(params, "width"), 0);
    EXPECT_EQ(String(params, "width"), "");
}

TEST_F(StringParams, SeparatorsAreFlexible)
{
    kwoStringParams& params = *Make("width 64\nheight==5\n  depth\t=\t 7\nspeed = 2.5 ; fast");
    EXPECT_EQ(Int(params, "width"), 64);
    EXPECT_EQ(Int(params, "height"), 5);
    EXPECT_EQ(Int(params, "depth"), 7);
    EXPECT_EQ(Float(params, "speed"), 2.5f);
}

TEST_F(StringParams, QuotedValues)
{
    kwoStringParams& params = *Make("name = \"hello world\"\nother=\"abc\"def\nspaced = \"abc  \"\nopen=\"x");
    EXPECT_EQ(String(params, "name"), "hello world");
    EXPECT_EQ(String(params, "other"), "abc");
    // Whitespace in front of the closing quote stays.
    EXPECT_EQ(String(params, "spaced"), "abc  ");
    EXPECT_EQ(String(params, "open"), "x");
}

TEST_F(StringParams, FirstMatchWinsAndCaseIsIgnored)
{
    kwoStringParams& params = *Make("WIDTH=64\nwidth=32");
    EXPECT_EQ(Int(params, "width"), 64);
    EXPECT_EQ(Int(params, "Width"), 64);
    char value[kParamValueBufferSize];
    EXPECT_EQ(params.FindKey("wIdTh", value), 0);
    EXPECT_STREQ(value, "64");
    EXPECT_EQ(params.FindKey("height", value), -1);
}

TEST_F(StringParams, TrailingLineFeedMakesAnEmptyLastLine)
{
    kwoStringParams& params = *Make("a=1\n");
    EXPECT_EQ(params.GetNumLines(), 2);
    EXPECT_STREQ(params.GetLine(1), "");
    EXPECT_EQ(Int(params, "a"), 1);
}

TEST_F(StringParams, CarriageReturnsChangeNothing)
{
    kwoStringParams& params = *Make("width=64\r\nname = \"x y\"\r\nspeed=1.5\r\n");
    EXPECT_EQ(Int(params, "width"), 64);
    EXPECT_EQ(String(params, "name"), "x y");
    EXPECT_EQ(Float(params, "speed"), 1.5f);
    EXPECT_STREQ(params.GetLine(0), "width=64\r"); // carriage returns are copied
}

TEST_F(StringParams, LastLineKeepsAtMost999Characters)
{
    std::string last = "v=" + std::string(1198, '9');
    kwoStringParams& params = *Make(("a=1\n" + last).c_str());
    EXPECT_EQ(std::string(params.GetLine(1)), last.substr(0, 999));
    // Its copy is a 1000-byte block; the other line's is length + 1.
    std::vector<MemLeakBlock> live = kwoMemLeakHost_LiveBlocks();
    ASSERT_EQ(live.size(), 4u); // object, pointer array, two lines
    EXPECT_EQ(live[2].size, 4u);
    EXPECT_EQ(live[3].size, 1000u);
}

TEST_F(StringParams, LongKeysAndValuesAreCutToFit)
{
    std::string key(300, 'k');
    std::string value(600, 'v');
    kwoStringParams& params = *Make((key + "=7\nlong=" + value).c_str());
    EXPECT_EQ(Int(params, std::string(255, 'k').c_str()), 7);
    EXPECT_EQ(Int(params, key.c_str()), -7);
    EXPECT_EQ(String(params, "long"), std::string(511, 'v'));

    char keyBuffer[kParamKeyBufferSize];
    char valueBuffer[kParamValueBufferSize];
    std::string line = key + " " + value;
    SplitKeyValue(line.c_str(), keyBuffer, valueBuffer);
    EXPECT_EQ(std::string(keyBuffer), std::string(255, 'k'));
    EXPECT_EQ(std::string(valueBuffer), std::string(511, 'v'));
}

TEST_F(StringParams, OnlyTheSixAsciiSpacesAreWhitespace)
{
    char key[kParamKeyBufferSize];
    char value[kParamValueBufferSize];
    SplitKeyValue(" \t\v\f\rkey\xA0=\xA0value\xA0 \t", key, value);
    EXPECT_STREQ(key, "key\xA0");
    EXPECT_STREQ(value, "\xA0value\xA0");
}

TEST_F(StringParams, NumbersAreReadAsDecimal)
{
    kwoStringParams& params =
        *Make("a=  -12abc\nb=+7\nc=99999999999\nd=-99999999999\ne=1.5e2\nf=-.25\ng=inf\nh=nan\ni=0x10\nj=--3\nk=1e99");
    EXPECT_EQ(Int(params, "a"), -12);
    EXPECT_EQ(Int(params, "b"), 7);
    EXPECT_EQ(Int(params, "c"), 2147483647);
    EXPECT_EQ(Int(params, "d"), -2147483647 - 1);
    EXPECT_EQ(Float(params, "e"), 150.0f);
    EXPECT_EQ(Float(params, "f"), -0.25f);
    EXPECT_EQ(Float(params, "g"), 0.0f);
    EXPECT_EQ(Float(params, "h"), 0.0f);
    EXPECT_EQ(Float(params, "i"), 0.0f);
    EXPECT_EQ(Float(params, "j"), 0.0f);
    EXPECT_TRUE(std::isinf(Float(params, "k")));
}

// Rounded once from decimal to float: the largest float as printed is that
// float, not infinity; only what rounds beyond it is infinite.
TEST_F(StringParams, TheLargestFloatAsPrintedReadsAsItself)
{
    kwoStringParams& params = *Make("max=3.4028235e38\nmin=-3.4028235e38\nover=3.4028236e38\ntiny=1e-45");
    EXPECT_EQ(Float(params, "max"), std::numeric_limits<float>::max());
    EXPECT_EQ(Float(params, "min"), -std::numeric_limits<float>::max());
    EXPECT_EQ(Float(params, "over"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(Float(params, "tiny"), std::numeric_limits<float>::denorm_min());
}

TEST_F(StringParams, ReportsItsBlocksAtTheirSites)
{
    const char* text = "width=64\nh=1";
    Make(text);
    m_params.reset();
    std::string object = std::to_string(sizeof(kwoStringParams));
    std::string array = std::to_string(2 * sizeof(char*));
    EXPECT_EQ(kwoMemLeakHost_EventLines(), (std::vector<std::string>{
                                               "Alloc tests/kwoUtils/string_params:1 (" + object + " bytes)",
                                               "Comment width=64\nh=1",
                                               "Alloc kwoUtils/kwoStringParams:93 (" + array + " bytes)",
                                               "Alloc kwoUtils/kwoStringParams:98 (9 bytes)",
                                               "Alloc kwoUtils/kwoStringParams:98 (1000 bytes)",
                                               "Free kwoUtils/kwoStringParams:98 (9 bytes)",
                                               "Free kwoUtils/kwoStringParams:98 (1000 bytes)",
                                               "Free kwoUtils/kwoStringParams:93 (" + array + " bytes)",
                                               "Free tests/kwoUtils/string_params:1 (" + object + " bytes)",
                                           }));
}

TEST_F(StringParams, LineWhoseCopyFailsIsSkipped)
{
    // Allocations: 1 the object, 2 the pointer array, 3.. the lines.
    win32::FailGlobalAllocAt(4);
    kwoStringParams& params = *Make("a=1\nb=2\nc=3");
    win32::FailGlobalAllocAt(0);
    EXPECT_EQ(params.GetLine(1), nullptr);
    EXPECT_EQ(Int(params, "a"), 1);
    EXPECT_EQ(Int(params, "b"), -7);
    EXPECT_EQ(Int(params, "c"), 3);
    std::vector<std::string> lines = kwoMemLeakHost_EventLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "AllocFailed kwoUtils/kwoStringParams:98 (4 bytes)"), 1);
}

TEST_F(StringParams, FailedPointerArrayLeavesTheListEmpty)
{
    win32::FailGlobalAllocAt(2);
    kwoStringParams& params = *Make("a=1\nb=2");
    win32::FailGlobalAllocAt(0);
    EXPECT_EQ(params.GetNumLines(), 0);
    EXPECT_EQ(Int(params, "a"), -7);
}

TEST_F(StringParams, FailedObjectAllocationYieldsNull)
{
    win32::FailGlobalAllocAt(1);
    EXPECT_EQ(Make("a=1"), nullptr);
    win32::FailGlobalAllocAt(0);
    EXPECT_EQ(kwoMemLeakHost_EventLines(),
              (std::vector<std::string>{"AllocFailed tests/kwoUtils/string_params:1 (" +
                                        std::to_string(sizeof(kwoStringParams)) + " bytes)"}));
}

} // namespace
