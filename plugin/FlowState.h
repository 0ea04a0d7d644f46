#pragma once

#include <vector>

// What the editor's flow shows of the drive's controller while it runs, beside
// the program itself: the pair whose step is active, and each timer's state
// beside the buttons that open it. The host fills it from the controller it
// watches (a simulation or a drive over a link) and hands it to the entry
// object (CNEBPTMain::ShowLiveState); a state that is not `shown` clears it.
namespace NEBPT {

struct TimerLiveState
{
    enum class State
    {
        Idle,    // never started since the controller started, or stopped
        Running, // counting down: `remainingMs` left
        RanOut   // started and run out
    };
    State state = State::Idle;
    long long remainingMs = 0;
};

struct FlowLiveState
{
    bool shown = false;
    bool running = false;               // whether the controller runs
    int activePair = -1;                // the pair (0-based) whose step is active; -1: none
    std::vector<TimerLiveState> timers; // by timer index; missing ones are not shown
};

} // namespace NEBPT
