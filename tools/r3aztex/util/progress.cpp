#include "tools/r3aztex/util/progress.h"

#include <cstdio>
#include <unistd.h>

namespace r3aztex {

Progress::Progress(size_t total, ProgressDisplay display)
    : total_(total), visible_(display == ProgressDisplay::OnTerminal && ::isatty(STDERR_FILENO) == 1)
{
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
    if (visible_)
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
    std::fprintf(stderr, "\r\x1b[K[%s] %zu/%zu %s", bar.c_str(), done_, total_, shown.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void Progress::Clear()
{
    if (drawn_) {
        std::fprintf(stderr, "\r\x1b[K");
        std::fflush(stderr);
        drawn_ = false;
    }
}

} // namespace r3aztex
