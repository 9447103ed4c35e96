#include "tools/mirolan-play/player.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The whole file, or false with `error` set.
bool ReadWholeFile(const std::string& path, std::string& contents, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open parameter file '" + path + "': " + std::strerror(errno);
        return false;
    }
    char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        contents.append(buffer, count);
    // A folder opens but does not read: ferror tells it from an empty file.
    bool failed = std::ferror(file) != 0;
    int readError = errno;
    std::fclose(file);
    if (failed) {
        error = "cannot read parameter file '" + path + "': " + std::strerror(readError);
        return false;
    }
    return true;
}

} // namespace

bool BuildParameterText(const PlayOptions& options, std::string& text, std::string& error)
{
    text.clear();
    // The first matching line wins in the effect's lookup, so these lines
    // override the file's.
    for (const std::string& param : options.params)
        text += param + "\n";
    if (options.paramsFile.empty()) {
        if (!text.empty())
            text.pop_back(); // no empty last line
        return true;
    }
    std::string fileText;
    if (!ReadWholeFile(options.paramsFile, fileText, error))
        return false;
    // The effect reads a C string: anything after a NUL byte would be lost
    // without a word.
    if (fileText.find('\0') != std::string::npos) {
        error = "parameter file '" + options.paramsFile + "' is not text (it holds a NUL byte)";
        return false;
    }
    text += fileText;
    return true;
}

std::vector<ParameterLine> ParameterLines(const PlayOptions& options, const std::string& text)
{
    std::vector<ParameterLine> lines;
    size_t start = 0;
    for (size_t index = 0; start <= text.size(); ++index) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string origin = index < options.params.size()
                                       ? "--param " + options.params[index]
                                       : options.paramsFile + ":" + std::to_string(index - options.params.size() + 1);
        lines.push_back({text.substr(start, end - start), origin});
        start = end + 1;
    }
    return lines;
}
