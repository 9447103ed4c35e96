#include "tools/r3aztex/files/same_file.h"

#include "r3az8/tex/files/file_bytes.h"
#include "tools/r3aztex/tool_error.h"

#include <filesystem>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace r3aztex {
namespace {

struct Identity {
    dev_t device;
    ino_t inode;
    bool operator==(const Identity&) const = default;
};

// The file's identity; none for a file that does not exist (yet) and for
// a stream that is no file (a pipe or a terminal is never an input file).
std::optional<Identity> IdentityOf(const std::string& path, int standardStream)
{
    struct stat status {};
    const int result = path == kStandardStream ? ::fstat(standardStream, &status) : ::stat(path.c_str(), &status);
    if (result != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return Identity{status.st_dev, status.st_ino};
}

std::string OutputName(const std::string& path) { return path == kStandardStream ? "standard output" : path; }

} // namespace

void RefuseToOverwriteInputs(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs)
{
    std::vector<std::optional<Identity>> inputIdentities;
    for (const std::string& input : inputs)
        inputIdentities.push_back(IdentityOf(input, STDIN_FILENO));
    for (const std::string& output : outputs) {
        const std::optional<Identity> identity = IdentityOf(output, STDOUT_FILENO);
        if (!identity)
            continue;
        for (size_t i = 0; i < inputs.size(); ++i)
            if (inputIdentities[i] == identity)
                throw ToolError(ExitCode::CommandLine, "refusing to write " + OutputName(output) +
                                                           ": it is the input " + DisplayName(inputs[i]) +
                                                           " (choose another output name)");
    }
}

void RefuseCollidingOutputs(const std::vector<std::string>& outputs)
{
    // By the path resolved as far as it exists (symbolic links, "..",
    // doubled slashes), so two spellings of one place are one output.
    std::map<std::filesystem::path, const std::string*> seen;
    for (const std::string& output : outputs) {
        if (output == kStandardStream)
            continue;
        std::error_code error;
        std::filesystem::path where = std::filesystem::weakly_canonical(std::filesystem::absolute(output), error);
        if (error)
            where = std::filesystem::path(output).lexically_normal();
        const auto [at, added] = seen.emplace(where, &output);
        if (!added)
            throw ToolError(ExitCode::CommandLine,
                            "two outputs would both be written to " + *at->second +
                                (*at->second == output ? "" : " (also named " + output + ")") +
                                "; give the inputs other names or write them to other folders");
    }
}

} // namespace r3aztex
