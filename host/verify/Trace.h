#pragma once

#include "Engine.h"

#include <functional>
#include <string>
#include <vector>

namespace verify {

// A run in the runtime's terms: named inputs set at times (ms from the first
// scan), each before the scan at its time, as a scenario sets them.
struct Trace
{
    struct Setting
    {
        long long atMs = 0;
        std::string input;
        double value = 0;
        bool condition = false; // read only as a condition: shown as true or false
    };
    std::vector<Setting> settings;

    // The settings of a run the solver found: at each macro step, the inputs
    // whose value changed (from 0 before the first).
    static Trace of(const Engine::Run& run, const Encoding& encoding);

    // Replays the trace on `runtime` from its first scan (restarted, every
    // input 0) to the scan at `untilMs`; `seen` is told each scan and ends the
    // replay by returning true. Returns the time of that scan, or -1.
    long long replay(NEBPT::ProgramRuntime& runtime, long long untilMs,
                     const std::function<bool(const NEBPT::ProgramRuntime::Scan&)>& seen) const;

    // The trace as lines ("   1.000 s  Digital input 18 = true").
    std::vector<std::string> lines() const;
    // The trace as a scenario (host/app/Scenario.h) to `untilMs`, with the
    // expectations given as JSON objects.
    std::string scenario(long long untilMs, const std::vector<std::string>& expectations) const;

    // Drops settings and rounds values as long as `still` holds for the trace
    // (a replay showing the same finding), so that a counterexample shows what
    // matters. At most `tries` replays.
    void simplify(const std::function<bool(const Trace&)>& still, int tries = 64);
};

// Texts for scenarios and messages.
std::string seconds(long long ms);             // "6.001 s"
std::string jsonText(const std::string& text); // a JSON string, quoted
std::string jsonSeconds(long long ms);         // "6.001"

} // namespace verify
