#pragma once

#include "framework/Library.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace NEBPT {

// What each of the fourteen program parameters holds, in the drive
// configuration's order.
enum ProgramRole : std::size_t
{
    kModeRole,
    kPairEventRole,
    kPairActionRole,
    kTimerRole,
    kComparatorOperandRole,
    kComparatorOperatorRole,
    kComparatorValueRole,
    kRuleOperand1Role,
    kRuleOperator1Role,
    kRuleOperand2Role,
    kRuleOperator2Role,
    kRuleOperand3Role,
    kStartEventRole,
    kStopEventRole,
    kProgramRoles
};

// The words the program's findings and written values are told in, in a
// drive's language: the numbered strings of the language library
// NEBPT_<language>.so beside the host (the library the editor takes its texts
// from) and the language's decimal point. English, a language without a
// library and a name that is not a plain word give the English strings the
// English library is built from. The choice texts a drive gives are not ours to
// translate: they are told as the drive gives them.
class ProgramWords
{
public:
    explicit ProgramWords(const std::string& language);
    ~ProgramWords();
    ProgramWords(const ProgramWords&) = delete;
    ProgramWords& operator=(const ProgramWords&) = delete;

    // String `id` with "%1", "%2", ... replaced by the arguments in one pass (an
    // argument's own "%1" stays as it is).
    std::string text(unsigned id, std::initializer_list<std::string_view> arguments = {}) const;

    // Element `element` of the parameter in `role`, as the printed program names
    // it: "Pair 3: event", "Timer 2", "Controller: mode" (no element).
    std::string label(std::size_t role, unsigned long element) const;

    // String `id` with "%1" replaced by `index`: an object as the printed program
    // names it (IDS_PROGRAM_TIMER: "Timer 2").
    std::string named(unsigned id, unsigned long index) const;

    // `value` with `decimals` digits after the language's decimal point, without
    // digit grouping, as the printed program shows numbers ("5.60", "5,60").
    std::string number(double value, unsigned decimals) const;

private:
    using StringFunction = const char* (*)(unsigned);

    fw::LibraryHandle m_library = nullptr;
    StringFunction m_string = nullptr; // the library's strings; null: English
    char m_decimalPoint = '.';
};

} // namespace NEBPT
