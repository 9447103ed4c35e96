// How far a run has got, on standard error: on a terminal once the run has
// taken a couple of seconds (a quick run shows nothing), or always when
// asked (then as plain lines, at most one a second, for logs).
#pragma once

#include <chrono>

enum class ProgressMode { Auto, Always, Never };

class FrameProgress {
public:
    FrameProgress(unsigned total, ProgressMode mode);
    ~FrameProgress();
    FrameProgress(const FrameProgress&) = delete;
    FrameProgress& operator=(const FrameProgress&) = delete;

    // Frame `frame` (from 1) is done.
    void Update(unsigned frame);

private:
    using Clock = std::chrono::steady_clock;

    unsigned m_total;
    ProgressMode m_mode;
    bool m_terminal;
    bool m_shown = false;
    Clock::time_point m_start;
    Clock::time_point m_lastShown;
};
