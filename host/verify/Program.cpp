#include "Program.h"

#include <algorithm>

namespace verify {

using Logic = NEBPT::ProgramRuntime::Logic;

Program::Program(const NEBPT::ProgramData& data)
    : m_runtime(data), m_logic(m_runtime.logic()), m_inputsRead(m_runtime.inputsRead())
{
    const NEBPT::ProgramRuntime::ObjectsUsed used = m_runtime.objectsUsed();
    m_comparatorUsed.assign(m_logic.comparators.size(), false);
    m_ruleUsed.assign(m_logic.rules.size(), false);
    for (const size_t k : used.comparators)
        m_comparatorUsed[k] = true;
    for (const size_t r : used.logicRules)
        m_ruleUsed[r] = true;
    m_numeric.assign(inputNames().size(), false);
    for (const size_t k : used.comparators) {
        const Logic::Comparator& c = m_logic.comparators[k];
        if (c.enabled)
            m_numeric[static_cast<size_t>(c.input)] = true;
    }
    // A timer matters when something reads its timeout and a used pair starts
    // it; one never started is idle, its timeout false, for good.
    std::vector<bool> read(m_logic.timerMs.size(), false), started(m_logic.timerMs.size(), false);
    const auto mark = [&read](const Logic::Ref& ref) {
        if (ref.source == Logic::Source::Timeout)
            read[static_cast<size_t>(ref.index)] = true;
    };
    for (const Logic::Ref& event : m_logic.events)
        mark(event);
    mark(m_logic.start);
    mark(m_logic.stop);
    for (const size_t r : used.logicRules) {
        for (int i = 0; i < m_logic.rules[r].used; ++i)
            mark(m_logic.rules[r].operands[i]);
    }
    for (const Logic::Act& act : m_logic.actions) {
        if (act.deed == Logic::Deed::StartTimer)
            started[static_cast<size_t>(act.index)] = true;
    }
    for (size_t k = 0; k < read.size(); ++k) {
        if (read[k] && started[k])
            m_timers.push_back(static_cast<int>(k));
    }
    // Rules read before their turn in the evaluation order carry their value
    // from one scan to the next.
    std::vector<int> turn(m_logic.rules.size(), 0);
    for (size_t i = 0; i < m_logic.ruleOrder.size(); ++i)
        turn[static_cast<size_t>(m_logic.ruleOrder[i])] = static_cast<int>(i);
    std::vector<bool> carried(m_logic.rules.size(), false);
    for (const size_t r : used.logicRules) {
        for (int i = 0; i < m_logic.rules[r].used; ++i) {
            const Logic::Ref& operand = m_logic.rules[r].operands[i];
            if (operand.source == Logic::Source::Rule &&
                turn[static_cast<size_t>(operand.index)] >= turn[r])
                carried[static_cast<size_t>(operand.index)] = true;
        }
    }
    for (size_t r = 0; r < carried.size(); ++r) {
        if (carried[r])
            m_carried.push_back(static_cast<int>(r));
    }
}

bool Program::numeric(int input) const
{
    return input >= 0 && static_cast<size_t>(input) < m_numeric.size() &&
           m_numeric[static_cast<size_t>(input)];
}

bool Program::offersAction(const std::string& text) const
{
    const std::vector<std::string>& names = m_runtime.actionNames();
    return std::find(names.begin(), names.end(), text) != names.end();
}

} // namespace verify
