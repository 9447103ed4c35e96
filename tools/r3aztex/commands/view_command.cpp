// `r3aztex view FILE... -o page.html`: a page that shows textures the way
// an artist looks at them (page/: every level, face and slice, channels,
// zoom, the value under the pointer), made of one self-contained file.
#include "tools/r3aztex/commands/command_line.h"

#include "r3az8/tex/convert/work_pool.h"
#include "r3az8/tex/files/file_bytes.h"
#include "r3az8/tex/files/warnings.h"
#include "tools/r3aztex/files/same_file.h"
#include "tools/r3aztex/page/page_document.h"
#include "tools/r3aztex/page/page_sections.h"

#include <algorithm>
#include <new>

namespace r3aztex {
namespace {

struct ViewOptions {
    std::vector<std::string> files;
    std::string page;
    CommonOptions common;
};

ExitCode RunView(const ViewOptions& options)
{
    if (std::count(options.files.begin(), options.files.end(), kStandardStream) > 1)
        throw ToolError(ExitCode::CommandLine, "standard input ('-') can be read only once");
    CheckPageName(options.page, "-o");
    RefuseToOverwriteInputs(options.files, {options.page});
    WorkPool pool(ThreadCount(options.common));
    WarningDestination warnings(options.common.quiet ? WarningSink() : WarningSink(ReportError));
    std::vector<std::string> sections(options.files.size());
    std::vector<std::string> errors(options.files.size());
    FailureRecord failures;
    pool.ForEach(options.files.size(), [&](size_t i) {
        errors[i] = failures.Attempt(i, DisplayName(options.files[i]), [&] {
            sections[i] = TextureSectionJson("file-" + std::to_string(i), ReadShownFile(options.files[i]),
                                             LevelChoice::Every);
        });
    });
    // A page of what could be read is written only when asked to go on;
    // otherwise the first failure (in the order of the files) is the
    // outcome and no page is written.
    std::vector<std::string> shown;
    for (size_t i = 0; i < sections.size(); ++i) {
        if (errors[i].empty()) {
            shown.push_back(std::move(sections[i]));
            continue;
        }
        ReportError(errors[i]);
        if (!options.common.keepGoing)
            return failures.Result();
    }
    if (shown.empty())
        return failures.Result();
    const std::string title = options.files.size() == 1 ? DisplayName(options.files[0])
                                                        : std::to_string(shown.size()) + " textures";
    WritePage(options.page, "-o", PageHtml("r3aztex view: " + title, shown));
    if (!options.common.quiet)
        std::printf("wrote %s: %zu of %zu files\n", options.page.c_str(), shown.size(), options.files.size());
    return failures.Result();
}

} // namespace

CommandRunner AddViewCommand(CLI::App& tool)
{
    auto options = std::make_shared<ViewOptions>();
    CLI::App* command = tool.add_subcommand(
        "view", "Write a web page that shows textures: every level, face and slice, by channel, zoomed");
    command->add_option("textures", options->files, "DDS, PNG, TGA or JPEG files ('-': standard input)")->required();
    command->add_option("-o,--output", options->page,
                        "The page to write (.html): one file, pictures inside, opened from disk in any browser")
        ->required();
    AddCommonOptions(*command, options->common, Batch::Many);
    return [options] { return RunView(*options); };
}

} // namespace r3aztex
