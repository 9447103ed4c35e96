// The commands and what they share: options every command takes and
// the way a batch reports per-file failures.
#pragma once

#include "tools/r3aztex/tool_error.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace r3aztex {

// Runs a parsed command and gives the process exit code.
using CommandRunner = std::function<ExitCode()>;

// Each adds its subcommand to the tool's parser and returns how to run it.
CommandRunner AddInfoCommand(CLI::App& tool);
CommandRunner AddConvertCommand(CLI::App& tool);
CommandRunner AddDiffCommand(CLI::App& tool);
CommandRunner AddViewCommand(CLI::App& tool);

struct CommonOptions {
    unsigned threads = 0; // 0: all processors
    bool quiet = false;
    bool keepGoing = false;
};

enum class Batch { Single, Many };

// --threads and --quiet for every command; --keep-going for those that
// work through several files.
void AddCommonOptions(CLI::App& command, CommonOptions& options, Batch batch);
unsigned ThreadCount(const CommonOptions& options);

// "r3aztex: message" on standard error: failures, and notices about
// choices the tool made for the user.
void ReportError(const std::string& message);
inline void ReportNotice(const std::string& message) { ReportError(message); }

// Remembers the first failure of a batch, by input position, so that the
// exit code does not depend on which thread finished first.
class FailureRecord {
public:
    void Note(size_t position, ExitCode code);
    ExitCode Result() const;

    // Runs the work for the input at `position`, named `name`. A failure to
    // read it, or want of memory, is noted and its message returned: empty
    // when the work was done.
    template <typename Work>
    std::string Attempt(size_t position, const std::string& name, Work&& work)
    {
        try {
            work();
            return {};
        } catch (const TextureError& error) {
            Note(position, ExitCodeOf(error));
            return error.what();
        } catch (const std::bad_alloc&) {
            Note(position, ExitCode::Internal);
            return name + ": out of memory";
        }
    }

private:
    std::mutex mutex_;
    size_t position_ = SIZE_MAX;
    ExitCode code_ = ExitCode::Success;
};

} // namespace r3aztex
