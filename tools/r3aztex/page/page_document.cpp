#include "tools/r3aztex/page/page_document.h"

#include "tools/r3aztex/files/file_writing.h"
#include "tools/r3aztex/page/page_text.h"
#include "tools/r3aztex/tool_error.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

namespace r3aztex {

// Made from page.html, page.css and page.js at build time.
extern const char kPageTemplate[];
extern const unsigned long kPageTemplateSize;
extern const char kPageStyle[];
extern const unsigned long kPageStyleSize;
extern const char kPageScript[];
extern const unsigned long kPageScriptSize;

namespace {

std::string HtmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : c == '"' ? "&quot;" : std::string(1, c);
    return out;
}

} // namespace

std::string PageHtml(const std::string& title, const std::vector<std::string>& sections)
{
    std::string data = "{\"sections\": [\n";
    for (size_t i = 0; i < sections.size(); ++i)
        data += (i ? ",\n" : "") + sections[i];
    data += "]}";
    const std::string_view layout(kPageTemplate, kPageTemplateSize);
    // Each mark is found in the template itself, never in what replaced
    // another (a title, a script), and put in from the last to the first.
    std::pair<std::string_view, std::string> fills[] = {
        {"@TITLE@", HtmlEscaped(title)},
        {"@STYLE@", std::string(kPageStyle, kPageStyleSize)},
        {"@SCRIPT@", std::string(kPageScript, kPageScriptSize)},
        {"@DATA@", ScriptSafe(std::move(data))},
    };
    std::vector<std::pair<size_t, size_t>> marks; // position in the template, fill
    for (size_t i = 0; i < std::size(fills); ++i)
        if (const size_t at = layout.find(fills[i].first); at != std::string_view::npos)
            marks.emplace_back(at, i);
    std::sort(marks.rbegin(), marks.rend());
    std::string page(layout);
    for (const auto& [at, fill] : marks)
        page.replace(at, fills[fill].first.size(), fills[fill].second);
    return page;
}

void CheckPageName(const std::string& path, const std::string& option)
{
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!lower.ends_with(".html") && !lower.ends_with(".htm"))
        throw ToolError(ExitCode::CommandLine, option + " writes an HTML page: name it .html, not " + path);
}

void WritePage(const std::string& path, const std::string& option, const std::string& html)
{
    CheckPageName(path, option);
    WriteFileAtomically(path, {reinterpret_cast<const BYTE*>(html.data()), html.size()});
}

} // namespace r3aztex
