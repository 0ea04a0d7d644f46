#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace scenario {

// Writes what polls of a drive's controller saw as a scenario (Scenario.h) that
// replays on the model: nebpt-host --record and the Record button of the
// window's monitor both go through it. The inputs become "set" entries (all at
// the first poll, then each change, at the time of the poll that saw it), the
// active step at every poll an "expect" entry "within" the longest time between
// two polls so far, at least the poll period: an input seen at a poll was set
// somewhere since the poll before, so the model, which takes it at the poll,
// may run behind the drive by that gap for the rest of the recording (a loaded
// machine or a slow link polls later than the period asks).
// Times count from a period before the first poll, which the replay takes as the
// controller's first scan: an input seen there (set, perhaps, after the status
// was read) then acts within the tolerance of that poll's expectation, as at any
// later poll, and a recording that begins with the controller stopped replays as
// the drive ran. "until" is the last poll's time.
class RecordingWriter
{
public:
    // `inputs`: the names (choice texts) of the input block's inputs, in its
    // order; none when the drive's inputs are not read.
    RecordingWriter(std::vector<std::string> inputs, std::chrono::milliseconds period);

    // A poll `sinceFirstMs` after the first one saw the controller at `activeStep`
    // (-1: not running) and the inputs holding `values` (one per input).
    void polled(long long sinceFirstMs, int activeStep, const std::vector<int>& values);

    int polls() const { return static_cast<int>(m_steps.size()); }
    int inputsSet() const { return static_cast<int>(m_sets.size()); }
    // The last poll's time in the scenario (0 before the first).
    long long untilMs() const { return m_untilMs; }
    // The scenario as JSON text.
    std::string text() const;
    // Writes it to `path` atomically; false with `reason`.
    bool write(const std::string& path, std::string& reason) const;

private:
    struct Set
    {
        long long atMs;
        std::size_t input;
        int value;
    };
    struct Step
    {
        long long atMs;
        int step;
        long long withinMs;
    };
    std::vector<std::string> m_inputs;
    long long m_periodMs;
    std::vector<int> m_last; // the inputs' values at the last poll
    std::vector<Set> m_sets;
    std::vector<Step> m_steps;
    long long m_untilMs = 0;
    long long m_longestGapMs; // between two polls so far, at least the period
};

} // namespace scenario
