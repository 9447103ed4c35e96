#include "tools/common/progress.h"

#include <unistd.h>

namespace tools {
namespace {

// How often the bar may change: redrawn in place on a terminal, a new line
// in a log.
constexpr auto kTerminalInterval = std::chrono::milliseconds(100);
constexpr auto kLogInterval = std::chrono::seconds(1);

} // namespace

Progress::Progress(size_t total, ProgressDisplay display, std::chrono::milliseconds quietStart)
    : total_(total), terminal_(::isatty(STDERR_FILENO) == 1), showFrom_(Clock::now() + quietStart)
{
    visible_ = display == ProgressDisplay::Always || (display == ProgressDisplay::OnTerminal && terminal_);
}

Progress::~Progress()
{
    std::lock_guard lock(mutex_);
    Clear();
}

void Progress::Advance(const std::string& label)
{
    std::lock_guard lock(mutex_);
    ++done_;
    if (!visible_)
        return;
    const Clock::time_point now = Clock::now();
    if (now < showFrom_)
        return;
    // The last step always shows; others only when the bar may change.
    if (done_ != total_ && lastShown_ != Clock::time_point{} &&
        now - lastShown_ < (terminal_ ? kTerminalInterval : kLogInterval))
        return;
    lastShown_ = now;
    Draw(label);
}

void Progress::Message(const std::string& line) { Print(stderr, line); }

void Progress::Print(std::FILE* stream, const std::string& line)
{
    std::lock_guard lock(mutex_);
    Clear();
    std::fprintf(stream, "%s\n", line.c_str());
    std::fflush(stream);
}

void Progress::Finish()
{
    std::lock_guard lock(mutex_);
    Clear();
    visible_ = false;
}

void Progress::Draw(const std::string& label)
{
    constexpr size_t kWidth = 30;
    const size_t filled = total_ == 0 ? kWidth : done_ * kWidth / total_;
    std::string bar(filled, '#');
    bar.resize(kWidth, '.');
    std::string shown = label;
    if (shown.size() > 40)
        shown = "..." + shown.substr(shown.size() - 37);
    if (terminal_) {
        std::fprintf(stderr, "\r\x1b[K[%s] %zu/%zu %s", bar.c_str(), done_, total_, shown.c_str());
        drawn_ = true;
    } else {
        std::fprintf(stderr, "[%s] %zu/%zu %s\n", bar.c_str(), done_, total_, shown.c_str());
    }
    std::fflush(stderr);
}

void Progress::Clear()
{
    if (drawn_) {
        std::fprintf(stderr, "\r\x1b[K");
        std::fflush(stderr);
        drawn_ = false;
    }
}

} // namespace tools
