#pragma once

#include "ProgramRuntime.h"

#include <cstddef>
#include <ostream>
#include <set>
#include <string>
#include <vector>

// What a run of a drive's program did over time, lane by lane, for pictures of
// it (TimingChart.h: nebpt-host --simulate --plot, the monitor's strip chart),
// and what a set of runs reached of the program (--simulate --coverage).
namespace timeline {

struct Point
{
    long long atMs = 0;
    double value = 0;
};

struct Lane
{
    enum class Kind
    {
        Level,    // a condition: 0 or 1 from atMs until the next point
        Value,    // a number, from atMs until the next point
        Countdown // a timer's time left in ms: a line through the points
    };
    Kind kind = Kind::Level;
    std::string name;
    std::vector<Point> points;
    bool shaded = false; // never reached (a timer that never ran out)
};

struct Mark
{
    long long atMs = 0;
    std::string text;
};

struct Timeline
{
    // The changes a lane keeps at most; the recording ends at the time the first
    // lane is full (cutAtMs), so that a picture never shows a part as if nothing
    // happened in it.
    static constexpr std::size_t kMostPoints = 200000;

    std::string title;
    long long fromMs = 0, untilMs = 0;
    long long cutAtMs = -1; // -1: not cut
    std::vector<Lane> inputs;
    // The active step from atMs on; -1: the controller does not run.
    std::vector<Point> steps;
    std::vector<Lane> timers;
    std::vector<Mark> actions;  // the actions performed, by their texts
    std::vector<Mark> failures; // the expectations that failed, with the reason
    // The used pairs ("2: Timeout 1 -> Set relay 1 high") and, with coverage,
    // those never reached (empty: no coverage shown).
    std::vector<std::string> pairs;
    std::vector<bool> pairReached;
    // Forgets what lies before `ms`, keeping the value each lane had then; the
    // picture then begins at `ms`.
    void forget(long long ms);
};

// Fills a Timeline from a program's model as it runs (a scan at a time) or from
// what polls of a drive saw. Lanes: the inputs the program reads (numbers for
// the comparators' operands, conditions otherwise), the active step, the timers
// the program uses.
class Recorder
{
public:
    Recorder(const NEBPT::ProgramRuntime& runtime, std::string title);

    // An input set (its index among the model's inputNames()); the inputs the
    // program does not read are not shown.
    void input(long long atMs, int index, double value);
    // After a scan of the model: the active step, the timers and, for a step
    // taken, its action.
    void scanned(long long atMs, const NEBPT::ProgramRuntime& runtime,
                 const NEBPT::ProgramRuntime::Scan& scan);
    // What a poll of a drive saw: the active step (-1 not running) and each timer's
    // time left (-1 idle, 0 ran out), one per model timer.
    void polled(long long atMs, int activeStep, const std::vector<long long>& timersMs);
    void action(long long atMs, const std::string& text);
    void failure(long long atMs, const std::string& text);
    // The run ended at `ms` (nothing changes after the last point).
    void endAt(long long ms);

    const Timeline& timeline() const { return m_timeline; }
    Timeline& timeline() { return m_timeline; }

private:
    // False (cutting the recording) when the lane is full.
    bool room(std::size_t points, long long atMs);
    void timerPoint(std::size_t lane, long long atMs, long long ms);

    Timeline m_timeline;
    std::vector<int> m_laneOfInput; // by input index; -1 when not shown
    std::vector<std::size_t> m_timerOfLane;
    std::vector<long long> m_lastTimerMs; // a running timer's time left at the last scan, else -1
    std::size_t m_timersRunning = 0;
};

// What runs of a program reached: the used pairs made active, the comparators
// and logic rules the program uses seen true and seen false, its timers that
// ran out. Runs of the same program add up.
struct Coverage
{
    struct Seen
    {
        std::size_t index = 0;
        bool seenTrue = false, seenFalse = false;
    };
    struct Timer
    {
        std::size_t index = 0;
        bool ranOut = false;
    };
    std::vector<std::string> pairs; // "2: Timeout 1 -> Set relay 1 high"
    std::vector<bool> reached;
    std::vector<Seen> comparators, rules;
    std::vector<Timer> timers;
    int runs = 0;

    // Sets up the parts of `runtime`'s program (once; the runs after it add up).
    void prepare(const NEBPT::ProgramRuntime& runtime);
    // After a scan of the model.
    void scanned(const NEBPT::ProgramRuntime& runtime);
    // A table: each part, reached or not, and a line of totals for each kind.
    void print(std::ostream& out) const;
    // Shades in `timeline` what was never reached.
    void shade(Timeline& timeline) const;
};

// The used pairs of the model as Coverage and Timeline name them.
std::vector<std::string> pairNames(const NEBPT::ProgramRuntime& runtime);

// The inputs (indexes into inputNames()) the model reads as numbers: the operand
// of a comparator that no event, start or stop event or logic rule reads as a
// condition. A picture draws them as values and the monitor sets them in a
// number field; every other input is a level, true or false.
std::set<int> numberInputs(const NEBPT::ProgramRuntime& runtime);

} // namespace timeline
