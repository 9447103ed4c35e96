// Random numbers from 0 to 32767: scripted values first, then a seeded
// linear congruential generator, so that every run is reproducible.
#include "platform/pwKernel/pwKernel_control.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace {

constexpr unsigned kLargestValue = 32767;

struct Random {
    std::mutex mutex;
    uint32_t state = kwoHost_DefaultRandomSeed;
    std::deque<unsigned> script;
};

Random& TheRandom()
{
    static Random* random = new Random;
    return *random;
}

// A full-period 32-bit LCG (multiplier and increment from Numerical
// Recipes); its low bits are weak, so the value is taken from bits 16..30.
unsigned NextGenerated(Random& random)
{
    random.state = random.state * 1664525u + 1013904223u;
    return (random.state >> 16) & kLargestValue;
}

} // namespace

PWKERNEL_API unsigned kwoRandom_Rand()
{
    Random& random = TheRandom();
    std::lock_guard lock(random.mutex);
    if (!random.script.empty()) {
        unsigned value = random.script.front();
        random.script.pop_front();
        return value;
    }
    return NextGenerated(random);
}

PWKERNEL_CONTROL_API void kwoHost_SeedRandom(unsigned seed)
{
    Random& random = TheRandom();
    std::lock_guard lock(random.mutex);
    random.state = seed;
}

PWKERNEL_CONTROL_API bool kwoHost_ScriptRandom(const std::vector<unsigned>& values)
{
    if (std::any_of(values.begin(), values.end(), [](unsigned value) { return value > kLargestValue; }))
        return false;
    Random& random = TheRandom();
    std::lock_guard lock(random.mutex);
    random.script.insert(random.script.end(), values.begin(), values.end());
    return true;
}

PWKERNEL_CONTROL_API void kwoHost_ClearRandomScript()
{
    Random& random = TheRandom();
    std::lock_guard lock(random.mutex);
    random.script.clear();
}

PWKERNEL_CONTROL_API size_t kwoHost_ScriptedRandomLeft()
{
    Random& random = TheRandom();
    std::lock_guard lock(random.mutex);
    return random.script.size();
}
