// Remarks that are not failures, such as a file read leniently: one line
// each, "FILE: warning: what", on standard error by default. A program
// routes them elsewhere (a tool adds its name, or passes them through its
// progress bar) or silences them for the time it works.
#pragma once

#include <functional>
#include <string>

namespace r3az8tex {

// Sends "<file>: warning: <what>" to the destination. Safe from any thread.
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

} // namespace r3az8tex
