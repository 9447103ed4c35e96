#include "tools/r3aztex/commands/command.h"

#include "tools/r3aztex/commands/command_line.h"

#include "r3az8/tex/convert/work_pool.h"

#include <cstdio>

namespace r3aztex {

void AddCommonOptions(CLI::App& command, CommonOptions& options, Batch batch)
{
    command.add_option("--threads", options.threads, "Worker threads (default: all processors)")
        ->check(WholeNumber(1, 256));
    command.add_flag("-q,--quiet", options.quiet, "Print nothing but errors");
    if (batch == Batch::Many)
        command.add_flag("--keep-going", options.keepGoing,
                         "After a failed file, go on with the others (the exit code still reports it)");
}

unsigned ThreadCount(const CommonOptions& options)
{
    return options.threads != 0 ? options.threads : ProcessorCount();
}

void ReportError(const std::string& message)
{
    std::fprintf(stderr, "r3aztex: %s\n", message.c_str());
    std::fflush(stderr);
}

void FailureRecord::Note(size_t position, ExitCode code)
{
    std::lock_guard lock(mutex_);
    if (position < position_) {
        position_ = position;
        code_ = code;
    }
}

ExitCode FailureRecord::Result() const { return code_; }

} // namespace r3aztex
