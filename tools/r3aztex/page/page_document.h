// A whole page: the template (page.html) with its style sheet (page.css),
// its script (page.js) and the sections' JSON put in, one file that shows
// itself offline. The three are files of the source tree, built into the
// tool by cmake/embed_file.cmake.
#pragma once

#include <string>
#include <vector>

namespace r3aztex {

// The HTML of a page titled `title` whose sections are the JSON objects of
// page_sections.h, in order.
std::string PageHtml(const std::string& title, const std::vector<std::string>& sections);

// The page written whole (WriteFileAtomically). Throws ToolError
// (CommandLine) for a name that does not end in .html or .htm, named as
// `option` (so that a texture is not overwritten by a slip), and
// FileAccess when it cannot be written.
void WritePage(const std::string& path, const std::string& option, const std::string& html);

// Throws ToolError (CommandLine) for a page name `option` cannot take.
void CheckPageName(const std::string& path, const std::string& option);

} // namespace r3aztex
