// `r3aztex convert --report page.html`: after a batch, one page with a row
// per conversion (thumbnails of source and result, format, bytes, ratio,
// PSNR, time), worst PSNR first, each row leading to a section that
// compares the two as `diff --html` does (level 0 only, to keep a page of
// many textures small).
//
// The conversion records what it did as each job ends (from any thread);
// the page is made afterwards from the files themselves, the source read
// again and the output read back as any reader would.
#pragma once

#include "r3az8/tex/convert/work_pool.h"
#include "tools/r3aztex/tool_error.h"

#include <mutex>
#include <string>
#include <vector>

namespace r3aztex {

class ConversionReport {
public:
    // Throws ToolError (CommandLine) when the page cannot be made: a name
    // that is not .html, standard input among the inputs or standard output
    // as the output (neither can be read again), or the page would
    // overwrite an input.
    ConversionReport(std::string path, const std::vector<std::string>& inputs, const std::string& output);

    // A job that wrote `output` from `inputs` in `seconds`; `position` is
    // its place in the batch.
    void Add(size_t position, const std::vector<std::string>& inputs, const std::string& output, double seconds);

    // Reads each source and output, compares them and writes the page.
    // Gives the number of rows. A file that cannot be read again is a row
    // that says why, not a failure of the page.
    size_t Write(r3az8tex::WorkPool& pool) const;

    const std::string& Path() const { return path_; }

private:
    struct Done {
        size_t position;
        std::vector<std::string> inputs;
        std::string output;
        double seconds;
    };

    std::string path_;
    mutable std::mutex mutex_;
    std::vector<Done> done_;
};

} // namespace r3aztex
