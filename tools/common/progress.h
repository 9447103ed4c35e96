// A one-line progress bar on standard error, for both tools: drawn in place
// when standard error is a terminal and the work is worth showing, or as
// plain lines for a log when asked.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>

namespace tools {

enum class ProgressDisplay {
    Off,
    OnTerminal, // only when standard error is a terminal
    Always,     // also when it is not: a line at most every second, and the last
};

class Progress {
public:
    // `total` steps. Nothing shows before the work has taken `quietStart`:
    // a quick run finishes before anyone would look at a bar.
    Progress(size_t total, ProgressDisplay display, std::chrono::milliseconds quietStart = {});
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // One step done; `label` names what finished. Safe from any thread.
    void Advance(const std::string& label);
    // Prints a line on standard error, or on `stream`, without breaking
    // the bar. Safe from any thread.
    void Message(const std::string& line);
    void Print(std::FILE* stream, const std::string& line);
    // Removes the bar; later steps draw nothing.
    void Finish();

private:
    using Clock = std::chrono::steady_clock;

    void Draw(const std::string& label);
    void Clear();

    std::mutex mutex_;
    size_t total_;
    size_t done_ = 0;
    bool visible_;
    bool terminal_;
    bool drawn_ = false;
    Clock::time_point showFrom_;
    Clock::time_point lastShown_{};
};

} // namespace tools
