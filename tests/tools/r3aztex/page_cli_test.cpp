// The page options of the built r3aztex (view, diff --html, convert
// --report): what they refuse before any work, and that a refused or
// failed run leaves no page behind. What a page shows is checked in a
// browser (browser/test_pages.py).
#include "tool_test_support.h"

#include <filesystem>

namespace r3aztex {
namespace {

using namespace testing;
namespace fs = std::filesystem;

struct PageCase {
    std::vector<std::string> arguments;
    int exitCode;
    const char* expectedInMessage;
    bool pageWritten;
};

TEST(PageCli, RefusalsAndFailuresWriteNoPage)
{
    TempFolder folder;
    const std::string png = folder / "in.png";
    const std::string page = folder / "page.html";
    WritePng(png, TestPicture(8, 8));
    const std::string missing = folder / "missing.png";
    const PageCase cases[] = {
        {{"view", png}, 1, "view needs the page to write", false},
        {{"view", "-o", page}, 1, "view needs one or more files", false},
        {{"view", png, "-o", folder / "page.png"}, 1, "-o writes an HTML page: name it .html", false},
        {{"view", png, "-o", png}, 1, "name it .html", false},
        {{"view", missing, png, "-o", page}, 2, "missing.png: cannot open", false},
        {{"view", missing, png, "-o", page, "--keep-going"}, 2, "missing.png: cannot open", true},
        {{"diff", png, png, "--html", folder / "page.htm5"}, 1, "--html writes an HTML page", false},
        {{"diff", "-", png, "--html", page}, 1, "--html reads both files again", false},
        {{"convert", "-", "-o", folder / "o.dds", "--report", page}, 1, "--report reads each input again", false},
        {{"convert", png, "-o", "-", "--report", page}, 1, "--report reads each output back", false},
        {{"view", png, "-o", page}, 0, "", true},
        {{"diff", png, png, "--html", folder / "PAGE.HTML", "-q"}, 0, "", true},
        {{"convert", png, "--outdir", folder / "out", "--report", page, "-q"}, 0, "", true},
    };
    for (const PageCase& c : cases) {
        fs::remove(page);
        fs::remove(folder / "PAGE.HTML");
        const RunResult result = RunTool(c.arguments, folder);
        std::string command;
        for (const std::string& argument : c.arguments)
            command += argument + " ";
        EXPECT_EQ(result.exitCode, c.exitCode) << command << "\n" << result.err;
        EXPECT_NE(result.err.find(c.expectedInMessage), std::string::npos) << command << "\n" << result.err;
        EXPECT_TRUE(EveryLineIsTheTools(result.err)) << result.err;
        EXPECT_EQ(fs::exists(page) || fs::exists(folder / "PAGE.HTML"), c.pageWritten) << command;
    }
}

} // namespace
} // namespace r3aztex
