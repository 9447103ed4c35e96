// r3aztex: the texture tool. Parses the command line, runs one command and
// turns its outcome into the exit code (see ExitCode).
#include "tools/r3aztex/commands/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace {

// Reports and JSON on standard output that could not all be written (a
// full disk, a closed pipe) would otherwise end in success with half a
// report: the exit code must say so.
int WithOutputChecked(int code)
{
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout))
        return code;
    const int reason = errno;
    r3aztex::ReportError(std::string("standard output: cannot write") +
                         (reason != 0 ? std::string(": ") + std::strerror(reason) : std::string()));
    return code == 0 ? static_cast<int>(r3aztex::ExitCode::FileAccess) : code;
}

// Every command: its name on the command line and what adds it to the
// parser, in the order `r3aztex --help` lists them.
struct CommandEntry {
    const char* name;
    r3aztex::CommandRunner (*add)(CLI::App& tool);
};

constexpr CommandEntry kCommands[] = {
    {"info", r3aztex::AddInfoCommand},
    {"convert", r3aztex::AddConvertCommand},
    {"diff", r3aztex::AddDiffCommand},
    {"view", r3aztex::AddViewCommand},
    {"help", r3aztex::AddHelpCommand},
};

} // namespace

int main(int argc, char** argv)
{
    using namespace r3aztex;
    CLI::App tool("r3aztex: convert, inspect, compare and view textures (DDS, PNG, TGA, JPEG)", "r3aztex");
    tool.set_version_flag("--version", std::string("r3aztex ") + R3AZTEX_VERSION, "Print the version and exit");
    tool.require_subcommand(1);
    // A runner is matched to the parser's own object for its command: the
    // same command under an alias is still found, and a table name the
    // command does not register stops every run at once (CLI11 throws).
    std::vector<std::pair<const CLI::App*, CommandRunner>> commands;
    for (const CommandEntry& entry : kCommands) {
        CommandRunner run = entry.add(tool);
        commands.emplace_back(tool.get_subcommand(entry.name), std::move(run));
    }

    if (const std::optional<std::string> mistake = FindMistypedName(tool, {argv + 1, argv + argc})) {
        ReportError(*mistake);
        return static_cast<int>(ExitCode::CommandLine);
    }
    try {
        tool.parse(argc, argv);
    } catch (const CLI::Success& done) {
        // --help and --version: printed on standard output.
        return WithOutputChecked(tool.exit(done));
    } catch (const CLI::ParseError& error) {
        ReportError(ExplainParseError(error));
        return static_cast<int>(ExitCode::CommandLine);
    }
    const std::vector<CLI::App*> chosen = tool.get_subcommands();
    try {
        for (const auto& [command, run] : commands)
            if (command == chosen.front())
                return WithOutputChecked(static_cast<int>(run()));
        ReportError("no command chosen");
        return static_cast<int>(ExitCode::CommandLine);
    } catch (const TextureError& error) {
        ReportError(error.what());
        return static_cast<int>(ExitCodeOf(error));
    } catch (const std::bad_alloc&) {
        ReportError("out of memory");
        return static_cast<int>(ExitCode::Internal);
    } catch (const std::exception& error) {
        ReportError(std::string("internal error: ") + error.what());
        return static_cast<int>(ExitCode::Internal);
    }
}
