#pragma once

#include "Encoding.h"

#include <chrono>
#include <functional>
#include <vector>

namespace verify {

// Searches the runs of an encoding (Encoding.h) with Z3: bounded model
// checking over macro steps for the shortest run that meets a goal, and
// Spacer (Z3's engine for constrained Horn clauses, an IC3/PDR model checker)
// for a proof that no run within the horizon meets it. Every search ends by a
// deadline; a search the deadline cut off is undecided.
class Engine
{
public:
    using Clock = std::chrono::steady_clock;

    // What a run looks for in its last macro step: a condition, and the time
    // at which it is met (for the earliest run).
    struct Goal
    {
        z3::expr condition;
        z3::expr timeMs;
    };
    using Target = std::function<Goal(const Encoding::Step& step, const Encoding::State& post)>;

    // A run the solver found: per macro step, the time of its scan, its wait and
    // its inputs (per Encoding::inputs()); when the last one meets the goal,
    // and the state it ends in.
    struct Run
    {
        struct Macro
        {
            long long atMs = 0, wait = 0;
            std::vector<double> inputs;
        };
        std::vector<Macro> steps;
        long long goalMs = 0;
        Encoding::Values end;
    };

    enum class Result
    {
        Found,
        None,   // no such run (search: with that many macro steps at most)
        Unknown // the deadline came first, or the solver gave up
    };

    Engine(Encoding& encoding, Clock::time_point deadline);

    // The shortest run (fewest macro steps, at most `most`; with `earliest`, of
    // those the one that meets the goal first) from the state before the first
    // scan, or from `from`, appended to `run`.
    Result search(const Target& target, int most, bool earliest, Run& run,
                  const Encoding::Values* from = nullptr);
    // Whether some run within the horizon meets the target: None is a proof
    // that none does.
    Result prove(const Target& target);

    void setDeadline(Clock::time_point deadline) { m_deadline = deadline; }
    Clock::time_point deadline() const { return m_deadline; }
    bool late() const { return Clock::now() >= m_deadline; }

private:
    Encoding& m_encoding;
    Clock::time_point m_deadline;
};

} // namespace verify
