// Remarks that are not failures, such as a file read leniently: one line
// each, "r3aztex: FILE: warning: what", on standard error by default. A
// command routes them elsewhere (through its progress bar) or silences
// them (--quiet) for the time it runs.
#pragma once

#include <functional>
#include <string>

namespace r3aztex {

// Shows "r3aztex: <file>: warning: <what>". Safe from any thread.
void Warn(const std::string& file, const std::string& what);

using WarningSink = std::function<void(const std::string& line)>;

// The default destination: the line on standard error.
void WarnToStandardError(const std::string& line);

// Where warning lines go while the guard lives; an empty sink drops them.
// The previous destination comes back when it ends.
class WarningDestination {
public:
    explicit WarningDestination(WarningSink destination);
    ~WarningDestination();
    WarningDestination(const WarningDestination&) = delete;
    WarningDestination& operator=(const WarningDestination&) = delete;

private:
    WarningSink previous_;
};

} // namespace r3aztex
