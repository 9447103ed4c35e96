// The frame timer: a fixed step chosen by the host, or real elapsed time.
#include "platform/pwKernel/pwKernel_control.h"

#include <chrono>
#include <map>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

enum class TimeSource { FixedStep, RealTime };

struct Timer {
    std::mutex mutex;
    TimeSource source = TimeSource::FixedStep;
    float step = kwoHost_DefaultTimeStep;
    std::map<int, Clock::time_point> lastCall; // per timer number, real time only
};

Timer& TheTimer()
{
    static Timer* timer = new Timer;
    return *timer;
}

} // namespace

PWKERNEL_API float kwoTimer_GetDeltaTime(int nTimer)
{
    Timer& timer = TheTimer();
    std::lock_guard lock(timer.mutex);
    if (timer.source == TimeSource::FixedStep)
        return timer.step;
    Clock::time_point now = Clock::now();
    auto [previous, first] = timer.lastCall.try_emplace(nTimer, now);
    float elapsed = first ? 0.0f : std::chrono::duration<float>(now - previous->second).count();
    previous->second = now;
    return elapsed;
}

PWKERNEL_CONTROL_API void kwoHost_SetFixedTimeStep(float step)
{
    Timer& timer = TheTimer();
    std::lock_guard lock(timer.mutex);
    timer.source = TimeSource::FixedStep;
    timer.step = step;
}

PWKERNEL_CONTROL_API void kwoHost_UseRealTime()
{
    Timer& timer = TheTimer();
    std::lock_guard lock(timer.mutex);
    timer.source = TimeSource::RealTime;
    timer.lastCall.clear();
}
