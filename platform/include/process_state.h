// Process-wide state of the platform stand-ins: made at first use, never
// destroyed, and used only under its own mutex.
//
// Never destroyed, because other libraries' static destructors may still
// call in (releasing textures, freeing blocks, printing) after this
// library's own statics would have gone.
#pragma once

#include <mutex>

// The one `State` of the process.
template <class State>
State& ProcessWide()
{
    static State* state = new State;
    return *state;
}

// The process's `State` (a type with a `mutex` member), with that mutex held
// for as long as this lives: `Locked<Dialogs>()->shown` reads one field
// under the lock.
template <class State>
class Locked {
public:
    Locked() : state_(ProcessWide<State>()), lock_(state_.mutex) {}
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    State* operator->() const { return &state_; }
    State& operator*() const { return state_; }

private:
    State& state_;
    std::lock_guard<std::mutex> lock_;
};
