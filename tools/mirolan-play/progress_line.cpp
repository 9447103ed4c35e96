#include "tools/mirolan-play/progress_line.h"

#include <cstdint>
#include <cstdio>
#include <unistd.h>

namespace {

// A run shorter than this finishes before anyone would look at a bar.
constexpr auto kQuietStart = std::chrono::seconds(2);
// Redraws on a terminal; lines in a log.
constexpr auto kTerminalInterval = std::chrono::milliseconds(100);
constexpr auto kLogInterval = std::chrono::seconds(1);

} // namespace

FrameProgress::FrameProgress(unsigned total, ProgressMode mode)
    : m_total(total), m_mode(mode), m_terminal(::isatty(STDERR_FILENO) == 1), m_start(Clock::now()),
      m_lastShown(m_start)
{
}

FrameProgress::~FrameProgress()
{
    if (m_shown && m_terminal) {
        std::fprintf(stderr, "\r\x1b[K");
        std::fflush(stderr);
    }
}

void FrameProgress::Update(unsigned frame)
{
    if (m_mode == ProgressMode::Never || (m_mode == ProgressMode::Auto && !m_terminal))
        return;
    const Clock::time_point now = Clock::now();
    if (m_mode == ProgressMode::Auto && now - m_start < kQuietStart)
        return;
    const auto interval = m_terminal ? kTerminalInterval : kLogInterval;
    if (frame != m_total && m_shown && now - m_lastShown < interval)
        return;
    m_shown = true;
    m_lastShown = now;
    const unsigned percent = unsigned(uint64_t(frame) * 100 / m_total);
    if (m_terminal)
        std::fprintf(stderr, "\r\x1b[Kframe %u of %u (%u%%)", frame, m_total, percent);
    else
        std::fprintf(stderr, "frame %u of %u (%u%%)\n", frame, m_total, percent);
    std::fflush(stderr);
}
