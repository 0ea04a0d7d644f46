#pragma once

#include "ProgramRuntime.h"

#include <string>
#include <vector>

namespace verify {

// A drive's program as the verifier reads it: the controller's logic
// (NEBPT::ProgramRuntime::logic) with the texts that name its parts, and the
// runtime itself, on which every run the solver finds is replayed.
class Program
{
public:
    // Refuses (NEBPT::ProgramError) a program the runtime cannot run.
    explicit Program(const NEBPT::ProgramData& data);

    const NEBPT::ProgramRuntime::Logic& logic() const { return m_logic; }
    NEBPT::ProgramRuntime& runtime() { return m_runtime; }
    const NEBPT::ProgramRuntime& runtime() const { return m_runtime; }

    bool modeOn() const { return m_runtime.modeOn(); }
    int steps() const { return m_runtime.steps(); }
    // Whether the controller can ever run: mode on and at least one used pair.
    bool canRun() const { return modeOn() && steps() > 0; }
    const std::string& eventText(int step) const { return m_runtime.eventText(step); }
    const std::string& actionText(int step) const { return m_runtime.actionText(step); }
    const std::vector<std::string>& inputNames() const { return m_runtime.inputNames(); }
    int inputIndex(const std::string& name) const { return m_runtime.inputIndex(name); }
    // Whether an input is read as a number (a comparator's operand) rather than
    // only as a condition.
    bool numeric(int input) const;
    // Whether `text` is one of the actions the drive's choice list offers.
    bool offersAction(const std::string& text) const;

    // What the program reads: the inputs, timers (read and started), and the
    // logic rules whose value of the scan before a rule reads (loops of rules).
    const std::vector<int>& inputsRead() const { return m_inputsRead; }
    const std::vector<int>& timersTracked() const { return m_timers; }
    const std::vector<int>& rulesCarried() const { return m_carried; }
    // Whether the program's used parts read this comparator or rule.
    bool comparatorUsed(int k) const { return m_comparatorUsed[static_cast<size_t>(k)]; }
    bool ruleUsed(int r) const { return m_ruleUsed[static_cast<size_t>(r)]; }

private:
    NEBPT::ProgramRuntime m_runtime;
    NEBPT::ProgramRuntime::Logic m_logic;
    std::vector<int> m_inputsRead, m_timers, m_carried;
    std::vector<bool> m_numeric, m_comparatorUsed, m_ruleUsed;
};

} // namespace verify
