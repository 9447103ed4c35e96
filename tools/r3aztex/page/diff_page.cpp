#include "tools/r3aztex/page/diff_page.h"

#include "r3az8/tex/files/file_bytes.h"
#include "tools/r3aztex/commands/command.h"
#include "tools/r3aztex/files/same_file.h"
#include "tools/r3aztex/page/page_document.h"
#include "tools/r3aztex/page/page_sections.h"

namespace r3aztex {

void CheckDiffPage(const std::string& page, const std::string& first, const std::string& second)
{
    CheckPageName(page, "--html");
    if (first == kStandardStream || second == kStandardStream)
        throw ToolError(ExitCode::CommandLine, "--html reads both files again: it cannot take standard input");
    RefuseToOverwriteInputs({first, second}, {page});
}

void WriteDiffPage(const std::string& page, const std::string& first, const std::string& second,
                   const Comparison& comparison, const std::string& figures, bool quiet)
{
    const ShownFile a = ReadShownFile(first);
    const ShownFile b = ReadShownFile(second);
    WritePage(page, "--html",
              PageHtml("r3aztex diff: " + a.name + " and " + b.name,
                       {DiffSectionJson("diff-0", a, b, comparison, figures, LevelChoice::Every)}));
    if (!quiet)
        ReportNotice("wrote " + page + ": both textures, the heat map and the figures");
}

} // namespace r3aztex
