#include "ProgramRuntime.h"

#include "ChoiceText.h"
#include "ProgramFailure.h"
#include "Settings_Manager/TimerUnit.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "framework/Format.h"
#include "framework/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <utility>

// (Numbers become text through fw::format: std::to_string would make the library
// one that the dynamic loader never unloads.)

namespace NEBPT {

namespace {

// Choice values the drive configuration links to no object, the same on every
// drive type it lists: the controller's mode "Off", the event "True", the
// comparisons and the action "Stop all timers". (The event "False" and the action
// that ends the program are the configuration's special items.)
constexpr unsigned long kModeOff = 0;
constexpr unsigned long kEventTrue = 1;
constexpr unsigned long kLessThan = 0;
constexpr unsigned long kAboutEqual = 1;
constexpr unsigned long kGreaterThan = 2;
constexpr unsigned long kStopAllTimers = 47;

// "About equal": within this share of the value (and at least one unit of its
// last decimal).
constexpr double kAboutEqualShare = 0.01;

bool readWhole(const std::string& text, unsigned long& number)
{
    const char* end = text.data() + text.size();
    const auto read = std::from_chars(text.data(), end, number);
    return !text.empty() && read.ec == std::errc() && read.ptr == end;
}

// What an event, a rule operand or the controller's start or stop event reads.
enum class Source : std::uint8_t
{
    False,
    True,
    Input,
    Timeout,
    Comparator,
    Rule,
    Broken // refers to something the program lacks: problems[index] says what
};
struct Ref
{
    Source source = Source::False;
    std::uint32_t index = 0;
    bool operator==(const Ref&) const = default;
};

enum class Deed : std::uint8_t
{
    Output,
    StartTimer,
    StopTimers,
    Broken
};
struct Act
{
    Deed deed = Deed::Output;
    std::uint32_t index = 0;
    bool operator==(const Act&) const = default;
};

// A logic operator: a OP b with either side negated first.
struct Operator
{
    bool notA = false, notB = false, either = false;
    bool apply(bool a, bool b) const
    {
        a = a != notA;
        b = b != notB;
        return either ? (a || b) : (a && b);
    }
    bool operator==(const Operator&) const = default;
};

struct LinkedOperator
{
    const char* type;
    Operator op;
};
constexpr LinkedOperator kOperators[] = {
    {"AND", {false, false, false}},       {"OR", {false, false, true}},
    {"AND NOT", {false, true, false}},    {"OR NOT", {false, true, true}},
    {"NOT AND", {true, false, false}},    {"NOT OR", {true, false, true}},
    {"NOT AND NOT", {true, true, false}}, {"NOT OR NOT", {true, true, true}},
};

enum class Comparison : std::uint8_t
{
    Less,
    About,
    Greater
};

struct Timer
{
    long long valueMs = 0;
    long long remainingMs = 0;
    bool running = false;
    bool timedOut = false;
    std::string problem; // why it cannot run; empty when it can
};

struct Comparator
{
    bool enabled = false;
    std::uint32_t input = 0;
    Comparison comparison = Comparison::Less;
    double value = 0, tolerance = 0;
    std::string problem; // why it cannot run; empty when it can
    bool state = false;
};

struct Rule
{
    Ref operands[3];
    Operator operators[2];
    int used = 1; // operands used: operand 1, and each further one after an operator
    std::string problem;
    bool state = false;
};

// A choice's ID, as the editor keeps it: 32 bits, so that the value "-5"
// selects the choice "-5:..." (4294967291).
using ChoiceId = std::uint32_t;

// The choice a parameter's value selects, read as the editor's selection
// parameters read it (a whole number, 32 bits).
ChoiceId choiceIdOf(const std::string& value)
{
    return static_cast<ChoiceId>(static_cast<std::int32_t>(fw::readLong(value)));
}

// A parameter's choices in the drive's order, each read as the editor's reader
// of choice lists does: split at colons (leading and repeated ones skipped), the
// ID from the start, the text the second piece ("19:Digital input 18:NPN" is
// "Digital input 18"). A list with a choice it cannot read is refused whole, as
// the editor cannot open it.
std::vector<std::pair<ChoiceId, std::string>> listOf(const ProgramParameter& parameter)
{
    std::vector<std::pair<ChoiceId, std::string>> list;
    for (const std::string& choice : parameter.choices) {
        std::vector<std::string> pieces = choicePieces(choice);
        if (pieces.size() < 2) {
            throw ProgramError("parameter " + parameter.number + ": the choice \"" + choice +
                               "\" has no text");
        }
        list.emplace_back(static_cast<ChoiceId>(fw::readLong(choice)), std::move(pieces[1]));
    }
    return list;
}

// The ID as the drive writes it: "-5" for 4294967291.
std::string idText(ChoiceId id)
{
    return fw::format("%ld", static_cast<long>(static_cast<std::int32_t>(id)));
}

using Choices = std::unordered_map<ChoiceId, std::string>;

Choices choicesOf(const ProgramParameter& parameter)
{
    Choices choices;
    for (auto& [value, text] : listOf(parameter))
        choices.emplace(value, std::move(text)); // the first of an ID, as the editor finds it
    return choices;
}

// The controller with its program, its world and its state.
struct Machine
{
    using Output = ProgramRuntime::Output;

    // --- the program ---
    bool modeOn = false;
    std::vector<Ref> events;
    std::vector<Act> actions;
    std::vector<std::string> eventTexts, actionTexts;
    Ref start, stop;
    std::string startText, stopText;
    std::vector<Timer> timers;
    std::vector<Comparator> comparators;
    std::vector<Rule> rules;
    std::vector<std::uint32_t> ruleOrder; // a rule after the rules it reads
    std::vector<std::string> problems;    // of Broken references and actions

    // --- the world ---
    std::vector<std::string> inputNames, inputKeys;
    std::unordered_map<std::string, int> inputIndex;
    std::vector<double> inputs;
    std::vector<std::string> actionNames;
    std::vector<Output> outputs;

    // --- the state ---
    long long next = 0;
    bool running = false;
    int step = -1;

    void orderRules();
    void orderRule(std::uint32_t r, std::vector<int>& visit);
    void require(const Ref& ref, const std::string& who, std::vector<bool>& rulesSeen) const;
    // Marks the inputs `ref` reads, directly or through comparators and rules.
    void markRead(const Ref& ref, std::vector<bool>& read, std::vector<bool>& rulesSeen) const;
    // Marks the objects `ref` refers to, directly or through rules.
    struct Used
    {
        std::vector<bool> timers, comparators, rules;
    };
    void markUsed(const Ref& ref, Used& used) const;
    // Whether `other` runs as this machine does, whatever its texts.
    bool runsAs(const Machine& other) const;

    bool truth(const Ref& ref) const
    {
        switch (ref.source) {
        case Source::True:
            return true;
        case Source::Input:
            return inputs[ref.index] != 0;
        case Source::Timeout:
            return timers[ref.index].timedOut;
        case Source::Comparator:
            return comparators[ref.index].state;
        case Source::Rule:
            return rules[ref.index].state;
        default:
            return false;
        }
    }

    void evaluate()
    {
        for (Comparator& c : comparators) {
            if (!c.enabled) {
                c.state = false;
                continue;
            }
            const double x = inputs[c.input];
            switch (c.comparison) {
            case Comparison::Less:
                c.state = x < c.value;
                break;
            case Comparison::Greater:
                c.state = x > c.value;
                break;
            case Comparison::About:
                c.state = std::fabs(x - c.value) <= c.tolerance;
                break;
            }
        }
        for (std::uint32_t r : ruleOrder) {
            Rule& rule = rules[r];
            bool state = truth(rule.operands[0]);
            for (int i = 1; i < rule.used; ++i)
                state = rule.operators[i - 1].apply(state, truth(rule.operands[i]));
            rule.state = state;
        }
    }

    void stopTimers()
    {
        for (Timer& timer : timers) {
            timer.running = false;
            timer.remainingMs = 0;
        }
    }

    void perform(const Act& act, long long timeMs)
    {
        switch (act.deed) {
        case Deed::Output: {
            Output& output = outputs[act.index];
            ++output.count;
            output.lastMs = timeMs;
            break;
        }
        case Deed::StartTimer: {
            Timer& timer = timers[act.index];
            timer.running = true;
            timer.timedOut = false;
            timer.remainingMs = timer.valueMs;
            break;
        }
        case Deed::StopTimers:
            stopTimers();
            break;
        case Deed::Broken:
            break;
        }
    }
};

// Reads the program's parameters as the drive configuration names them and
// classifies every choice it refers to.
class Builder
{
public:
    Builder(const ProgramData& program, Machine& machine) : m_program(program), m_machine(machine)
    {
        std::string failure;
        const bool loaded = telling(failure, [&] {
            m_configuration.init(program.driveType, program.aocVersion, program.databaseVersion);
            return true;
        });
        if (!loaded) {
            throw ProgramError("drive type \"" + program.driveType + "\" with database " +
                               program.databaseVersion + " is not in the drive configuration (" +
                               CNEBConfiguration::kFileName + ")");
        }
        m_events = &parameter("EVENT");
        m_false = static_cast<ChoiceId>(special("EVENT_BOOLEAN_DEFAULT"));
    }

    const ProgramParameter& parameter(const char* id) const
    {
        const std::string number = m_configuration.getParameterNumberStr(id);
        for (const ProgramParameter& p : m_program.parameters) {
            if (p.number == number)
                return p;
        }
        throw ProgramError("the program has no parameter " + number +
                           ", which the drive configuration names for it");
    }

    // The object the configuration links to choice `value` of parameter
    // `number`: its type and index; false when it links none.
    bool linked(const std::string& number, unsigned long value, std::string& type,
                unsigned long& index) const
    {
        std::string text;
        type.clear();
        if (!m_configuration.getChoicelistEntity(std::strtoul(number.c_str(), nullptr, 10), value,
                                                 text, type))
            return false;
        return readWhole(text, index);
    }

    unsigned long special(const char* id) const
    {
        return m_configuration.getSpecialChoicelistItem(id);
    }

    // The input named by choice `value` of parameter `number`.
    int inputNamed(const std::string& name, const std::string& number, ChoiceId value)
    {
        const auto known = m_machine.inputIndex.find(name);
        if (known != m_machine.inputIndex.end())
            return known->second;
        const int index = static_cast<int>(m_machine.inputNames.size());
        m_machine.inputNames.push_back(name);
        m_machine.inputKeys.push_back(number + ":" + idText(value));
        m_machine.inputIndex.emplace(name, index);
        m_machine.inputs.push_back(0);
        return index;
    }

    Ref broken(std::string problem)
    {
        m_machine.problems.push_back(std::move(problem));
        return {Source::Broken, static_cast<std::uint32_t>(m_machine.problems.size() - 1)};
    }

    // An object reference, checked against the drive's count of such objects.
    Ref object(Source source, unsigned long index, std::size_t count, const char* kind,
               const std::string& text)
    {
        if (index >= count) {
            return broken(fw::format("\"%s\" refers to %s %lu; the drive has %zu", text.c_str(),
                                     kind, index, count));
        }
        return {source, static_cast<std::uint32_t>(index)};
    }

    // What choice `value` of an event-like parameter reads. The controller's
    // start and stop events take the pairs' event links when the configuration
    // links none of their own and their choice list is the pairs'.
    Ref event(const ProgramParameter& p, const Choices& choices, ChoiceId value)
    {
        const auto choice = choices.find(value);
        if (choice == choices.end())
            return broken("value " + idText(value) + " is not in the drive's choice list");
        const std::string& text = choice->second;
        std::string type;
        unsigned long index = 0;
        const bool own = linked(p.number, value, type, index);
        if (!own && &p != m_events && p.choices == m_events->choices)
            linked(m_events->number, value, type, index);
        if (type == "TIMER")
            return object(Source::Timeout, index, m_machine.timers.size(), "timer", text);
        if (type == "COMP")
            return object(Source::Comparator, index, m_machine.comparators.size(), "comparator",
                          text);
        if (type == "LR")
            return object(Source::Rule, index, m_machine.rules.size(), "logic rule", text);
        if (value == m_false)
            return {Source::False, 0};
        if (value == kEventTrue)
            return {Source::True, 0};
        return {Source::Input, static_cast<std::uint32_t>(inputNamed(text, p.number, value))};
    }

    // Every input a list offers, whether the program reads it or not.
    void offerInputs(const ProgramParameter& p)
    {
        const Choices choices = choicesOf(p);
        for (const auto& [value, text] : listOf(p))
            event(p, choices, value);
    }

    void build();

private:
    void buildTimers();
    void buildComparators();
    void buildRules();
    void buildActions(const ProgramParameter& p, std::vector<Act>& deeds, size_t pairs);
    void buildPairs();
    void buildController();
    void check();

    const ProgramData& m_program;
    Machine& m_machine;
    CNEBConfiguration m_configuration;
    const ProgramParameter* m_events = nullptr;
    ChoiceId m_false = 0; // the event that never happens
};

void Builder::build()
{
    // The objects first, so that references are checked against their counts.
    buildTimers();
    buildComparators();
    m_machine.rules.resize(parameter("LR_OPERAND_1").values.size());
    for (const char* id :
         {"EVENT", "LR_OPERAND_1", "LR_OPERAND_2", "LR_OPERAND_3", "NEB_START_EV", "NEB_STOP_EV"})
        offerInputs(parameter(id));
    buildRules();
    buildPairs();
    buildController();
    m_machine.orderRules();
    check();
}

void Builder::buildTimers()
{
    const ProgramParameter& p = parameter("TIMER");
    // The maximum as the editor keeps it: a whole number ("4000.5" is 4000).
    const std::string unit = timerUnit(p.unit, static_cast<double>(fw::readLong(p.maximum)));
    double factor = 0;
    if (unit == "ms")
        factor = 1;
    else if (unit == "s" || unit.empty())
        factor = 1000;
    else if (unit == "min")
        factor = 60000;
    else if (unit == "h")
        factor = 3600000;
    else
        throw ProgramError("Timers: the unit \"" + p.unit + "\" of parameter " + p.number +
                           " is no unit of time the runtime knows (ms, s, min, h)");
    for (size_t t = 0; t < p.values.size(); ++t) {
        double value = 0;
        Timer timer;
        if (!fw::readWholeDecimal(p.values[t], value) || value < 0)
            timer.problem = "\"" + p.values[t] + "\" is no time";
        else
            timer.valueMs = std::llround(value * factor);
        m_machine.timers.push_back(timer);
    }
}

void Builder::buildComparators()
{
    const ProgramParameter& operands = parameter("COMP_OPERAND");
    const ProgramParameter& comparisons = parameter("COMP_OPERATOR");
    const ProgramParameter& values = parameter("COMP_VALUE");
    const Choices operandChoices = choicesOf(operands);
    // The operand that is off: the one the configuration links as DISABLED, and
    // without such a link the one with ID 0, as the editor's comparator dialog
    // has it.
    ChoiceId off = 0;
    for (const auto& [value, text] : listOf(operands)) {
        std::string type;
        unsigned long index = 0;
        if (linked(operands.number, value, type, index) && type == "DISABLED")
            off = value;
    }
    // Every other operand is an input, offered whether a comparator reads it or not.
    for (const auto& [value, text] : listOf(operands)) {
        if (value != off)
            inputNamed(text, operands.number, value);
    }
    const double unit = std::pow(10.0, -std::atof(values.decimals.c_str()));
    const size_t count = operands.values.size();
    for (size_t k = 0; k < count; ++k) {
        Comparator c;
        const ChoiceId operand = choiceIdOf(operands.values[k]);
        const auto choice = operandChoices.find(operand);
        const ChoiceId comparison =
            k < comparisons.values.size() ? choiceIdOf(comparisons.values[k]) : kGreaterThan + 1;
        if (choice == operandChoices.end()) {
            c.problem = "operand value " + idText(operand) + " is not in the drive's choice list";
        } else if (operand == off) {
            c.enabled = false;
        } else if (k >= values.values.size() || comparison > kGreaterThan) {
            c.problem = "its comparison is none of less than, about equal, greater than";
        } else if (!fw::readWholeDecimal(values.values[k], c.value)) {
            c.problem = "its value \"" + values.values[k] + "\" is no number";
        } else {
            c.enabled = true;
            c.input =
                static_cast<std::uint32_t>(inputNamed(choice->second, operands.number, operand));
            c.comparison = comparison == kLessThan     ? Comparison::Less
                           : comparison == kAboutEqual ? Comparison::About
                                                       : Comparison::Greater;
            c.tolerance = std::max(kAboutEqualShare * std::fabs(c.value), unit);
        }
        m_machine.comparators.push_back(std::move(c));
    }
}

void Builder::buildRules()
{
    const ProgramParameter* operands[] = {&parameter("LR_OPERAND_1"), &parameter("LR_OPERAND_2"),
                                          &parameter("LR_OPERAND_3")};
    const ProgramParameter* operators[] = {&parameter("LR_OPERATOR_1"),
                                           &parameter("LR_OPERATOR_2")};
    const Choices operandChoices[] = {choicesOf(*operands[0]), choicesOf(*operands[1]),
                                      choicesOf(*operands[2])};
    for (size_t r = 0; r < m_machine.rules.size(); ++r) {
        Rule& rule = m_machine.rules[r];
        // Operand 1, then each further one while the operator before it is not disabled.
        for (int i = 0; i < 3 && rule.problem.empty(); ++i) {
            if (i > 0) {
                const ProgramParameter& p = *operators[i - 1];
                std::string type;
                unsigned long index = 0;
                if (r >= p.values.size() ||
                    !linked(p.number, choiceIdOf(p.values[r]), type, index)) {
                    rule.problem = fw::format("operator %d is no logic operator the drive "
                                              "configuration names",
                                              i);
                    break;
                }
                if (type == "DISABLED")
                    break;
                const LinkedOperator* found = nullptr;
                for (const LinkedOperator& known : kOperators) {
                    if (type == known.type)
                        found = &known;
                }
                if (!found) {
                    rule.problem = fw::format("operator %d (%s) is no logic operator the "
                                              "runtime knows",
                                              i, type.c_str());
                    break;
                }
                rule.operators[i - 1] = found->op;
            }
            const ProgramParameter& p = *operands[i];
            rule.operands[i] = r < p.values.size()
                                   ? event(p, operandChoices[i], choiceIdOf(p.values[r]))
                                   : broken("there is no operand");
            rule.used = i + 1;
        }
    }
}

void Builder::buildActions(const ProgramParameter& p, std::vector<Act>& deeds, size_t pairs)
{
    const auto disabled = static_cast<ChoiceId>(special("ACTION_COMMAND_DISABLED"));
    const Choices choices = choicesOf(p);
    // The outputs in the choice list's order.
    for (const auto& [value, text] : listOf(p)) {
        if (value == disabled)
            continue;
        m_machine.actionNames.push_back(text);
        std::string type;
        unsigned long index = 0;
        const bool timer = linked(p.number, value, type, index) && type == "TIMER";
        if (!timer && value != kStopAllTimers)
            m_machine.outputs.push_back({text, 0, -1});
    }
    for (size_t i = 0; i < pairs; ++i) {
        const ChoiceId value = i < p.values.size() ? choiceIdOf(p.values[i]) : disabled;
        if (i < p.values.size() && value == disabled)
            break;
        const auto choice = i < p.values.size() ? choices.find(value) : choices.end();
        Act act;
        std::string type;
        unsigned long index = 0;
        if (choice == choices.end()) {
            m_machine.problems.push_back(i < p.values.size()
                                             ? "value " + idText(value) +
                                                   " is not in the drive's choice list"
                                             : std::string("there is no action for the pair"));
            act = {Deed::Broken, static_cast<std::uint32_t>(m_machine.problems.size() - 1)};
        } else if (linked(p.number, value, type, index) && type == "TIMER") {
            if (index < m_machine.timers.size()) {
                act = {Deed::StartTimer, static_cast<std::uint32_t>(index)};
            } else {
                m_machine.problems.push_back(
                    fw::format("\"%s\" refers to timer %lu; the drive has %zu",
                               choice->second.c_str(), index, m_machine.timers.size()));
                act = {Deed::Broken, static_cast<std::uint32_t>(m_machine.problems.size() - 1)};
            }
        } else if (value == kStopAllTimers) {
            act = {Deed::StopTimers, 0};
        } else {
            for (size_t o = 0; o < m_machine.outputs.size(); ++o) {
                if (m_machine.outputs[o].name == choice->second)
                    act = {Deed::Output, static_cast<std::uint32_t>(o)};
            }
        }
        deeds.push_back(act);
        m_machine.actionTexts.push_back(choice != choices.end() ? choice->second
                                        : i < p.values.size()   ? p.values[i]
                                                                : std::string());
    }
}

void Builder::buildPairs()
{
    const ProgramParameter& p = parameter("EVENT");
    // As many pairs as the event parameter has elements, as the editor counts them.
    buildActions(parameter("ACTION"), m_machine.actions, p.elementCount & 0xFFFFU);
    const Choices choices = choicesOf(p);
    for (size_t i = 0; i < m_machine.actions.size(); ++i) {
        const bool number = i < p.values.size();
        const ChoiceId value = number ? choiceIdOf(p.values[i]) : 0;
        m_machine.events.push_back(number ? event(p, choices, value)
                                          : broken("there is no event for the pair"));
        const auto choice = number ? choices.find(value) : choices.end();
        m_machine.eventTexts.push_back(choice != choices.end() ? choice->second
                                       : i < p.values.size()   ? p.values[i]
                                                               : std::string());
    }
}

void Builder::buildController()
{
    const ProgramParameter& mode = parameter("NEB_MODE");
    m_machine.modeOn = !mode.values.empty() && choiceIdOf(mode.values[0]) != kModeOff;
    const auto controllerEvent = [this](const char* id, Ref& ref, std::string& text) {
        const ProgramParameter& p = parameter(id);
        const Choices choices = choicesOf(p);
        if (p.values.empty()) {
            ref = broken("there is no event");
            return;
        }
        const ChoiceId value = choiceIdOf(p.values[0]);
        ref = event(p, choices, value);
        const auto choice = choices.find(value);
        text = choice != choices.end() ? choice->second : p.values[0];
    };
    controllerEvent("NEB_START_EV", m_machine.start, m_machine.startText);
    controllerEvent("NEB_STOP_EV", m_machine.stop, m_machine.stopText);
}

// Refuses the program when what its pairs or the controller's events use,
// directly or through logic rules, cannot run.
void Builder::check()
{
    std::vector<bool> rulesSeen(m_machine.rules.size(), false);
    for (size_t i = 0; i < m_machine.events.size(); ++i) {
        m_machine.require(m_machine.events[i], fw::format("Pair %zu: event", i), rulesSeen);
        const Act& act = m_machine.actions[i];
        if (act.deed == Deed::Broken) {
            throw ProgramError(fw::format("Pair %zu: action ", i) + m_machine.problems[act.index]);
        }
        if (act.deed == Deed::StartTimer && !m_machine.timers[act.index].problem.empty()) {
            throw ProgramError(fw::format("Timer %u: ", act.index) +
                               m_machine.timers[act.index].problem +
                               fw::format(" (used by Pair %zu: action)", i));
        }
    }
    m_machine.require(m_machine.start, "Controller: start event", rulesSeen);
    m_machine.require(m_machine.stop, "Controller: stop event", rulesSeen);
}

void Machine::require(const Ref& ref, const std::string& who, std::vector<bool>& rulesSeen) const
{
    switch (ref.source) {
    case Source::Broken:
        throw ProgramError(who + " " + problems[ref.index]);
    case Source::Timeout:
        if (!timers[ref.index].problem.empty()) {
            throw ProgramError(fw::format("Timer %u: ", ref.index) + timers[ref.index].problem +
                               " (used by " + who + ")");
        }
        break;
    case Source::Comparator:
        if (!comparators[ref.index].problem.empty()) {
            throw ProgramError(fw::format("Comparator %u: ", ref.index) +
                               comparators[ref.index].problem + " (used by " + who + ")");
        }
        break;
    case Source::Rule: {
        if (rulesSeen[ref.index])
            break;
        rulesSeen[ref.index] = true;
        const Rule& rule = rules[ref.index];
        if (!rule.problem.empty()) {
            throw ProgramError(fw::format("Logic rule %u: ", ref.index) + rule.problem +
                               " (used by " + who + ")");
        }
        for (int i = 0; i < rule.used; ++i)
            require(rule.operands[i], fw::format("Logic rule %u: operand %d", ref.index, i + 1),
                    rulesSeen);
        break;
    }
    default:
        break;
    }
}

void Machine::markRead(const Ref& ref, std::vector<bool>& read, std::vector<bool>& rulesSeen) const
{
    switch (ref.source) {
    case Source::Input:
        read[ref.index] = true;
        break;
    case Source::Comparator:
        if (comparators[ref.index].enabled)
            read[comparators[ref.index].input] = true;
        break;
    case Source::Rule:
        if (rulesSeen[ref.index])
            break;
        rulesSeen[ref.index] = true;
        for (int i = 0; i < rules[ref.index].used; ++i)
            markRead(rules[ref.index].operands[i], read, rulesSeen);
        break;
    default:
        break;
    }
}

void Machine::markUsed(const Ref& ref, Used& used) const
{
    switch (ref.source) {
    case Source::Timeout:
        used.timers[ref.index] = true;
        break;
    case Source::Comparator:
        used.comparators[ref.index] = true;
        break;
    case Source::Rule:
        if (used.rules[ref.index])
            break;
        used.rules[ref.index] = true;
        for (int i = 0; i < rules[ref.index].used; ++i)
            markUsed(rules[ref.index].operands[i], used);
        break;
    default:
        break;
    }
}

bool Machine::runsAs(const Machine& other) const
{
    const auto sameTimers = [](const Timer& a, const Timer& b) {
        return a.valueMs == b.valueMs && a.problem.empty() == b.problem.empty();
    };
    const auto sameComparators = [](const Comparator& a, const Comparator& b) {
        return a.enabled == b.enabled && a.input == b.input && a.comparison == b.comparison &&
               a.value == b.value && a.tolerance == b.tolerance &&
               a.problem.empty() == b.problem.empty();
    };
    const auto sameRules = [](const Rule& a, const Rule& b) {
        return a.used == b.used && std::equal(a.operands, a.operands + a.used, b.operands) &&
               std::equal(a.operators, a.operators + a.used - 1, b.operators) &&
               a.problem.empty() == b.problem.empty();
    };
    return modeOn == other.modeOn && events == other.events && actions == other.actions &&
           start == other.start && stop == other.stop &&
           std::equal(timers.begin(), timers.end(), other.timers.begin(), other.timers.end(),
                      sameTimers) &&
           std::equal(comparators.begin(), comparators.end(), other.comparators.begin(),
                      other.comparators.end(), sameComparators) &&
           std::equal(rules.begin(), rules.end(), other.rules.begin(), other.rules.end(),
                      sameRules) &&
           inputNames.size() == other.inputNames.size() && inputKeys == other.inputKeys &&
           outputs.size() == other.outputs.size() && actionNames.size() == other.actionNames.size();
}

// Rules are evaluated each scan in an order in which a rule comes after the
// rules it reads; in a loop of rules, the rule that closes it reads the value
// the other had in the scan before.
void Machine::orderRules()
{
    std::vector<int> visit(rules.size(), 0); // 0 not yet, 1 under way, 2 done
    for (std::uint32_t r = 0; r < rules.size(); ++r)
        orderRule(r, visit);
}

void Machine::orderRule(std::uint32_t r, std::vector<int>& visit)
{
    if (visit[r] != 0)
        return;
    visit[r] = 1;
    const Rule& rule = rules[r];
    for (int i = 0; i < rule.used; ++i) {
        if (rule.operands[i].source == Source::Rule)
            orderRule(rule.operands[i].index, visit);
    }
    visit[r] = 2;
    ruleOrder.push_back(r);
}

} // namespace

struct ProgramRuntime::Impl : Machine
{};

ProgramRuntime::ProgramRuntime(const ProgramData& program) : m_impl(std::make_unique<Impl>())
{
    try {
        Builder(program, *m_impl).build();
    } catch (const CCustomException& error) {
        throw ProgramError("the program cannot be run: " + explainFailure(error));
    }
}

ProgramRuntime::ProgramRuntime(ProgramRuntime&&) noexcept = default;
ProgramRuntime& ProgramRuntime::operator=(ProgramRuntime&&) noexcept = default;
ProgramRuntime::~ProgramRuntime() = default;

bool ProgramRuntime::modeOn() const
{
    return m_impl->modeOn;
}

int ProgramRuntime::steps() const
{
    return static_cast<int>(m_impl->events.size());
}

const std::string& ProgramRuntime::eventText(int step) const
{
    return m_impl->eventTexts.at(static_cast<size_t>(step));
}

const std::string& ProgramRuntime::actionText(int step) const
{
    return m_impl->actionTexts.at(static_cast<size_t>(step));
}

const std::string& ProgramRuntime::startEventText() const
{
    return m_impl->startText;
}

const std::string& ProgramRuntime::stopEventText() const
{
    return m_impl->stopText;
}

const std::vector<std::string>& ProgramRuntime::actionNames() const
{
    return m_impl->actionNames;
}

const std::vector<std::string>& ProgramRuntime::inputNames() const
{
    return m_impl->inputNames;
}

int ProgramRuntime::inputIndex(const std::string& name) const
{
    const auto found = m_impl->inputIndex.find(name);
    return found == m_impl->inputIndex.end() ? -1 : found->second;
}

std::vector<int> ProgramRuntime::inputsRead() const
{
    const Machine& s = *m_impl;
    std::vector<bool> read(s.inputs.size(), false);
    std::vector<bool> rulesSeen(s.rules.size(), false);
    for (const Ref& event : s.events)
        s.markRead(event, read, rulesSeen);
    s.markRead(s.start, read, rulesSeen);
    s.markRead(s.stop, read, rulesSeen);
    std::vector<int> indexes;
    for (size_t i = 0; i < read.size(); ++i) {
        if (read[i])
            indexes.push_back(static_cast<int>(i));
    }
    return indexes;
}

const std::string& ProgramRuntime::inputKey(int index) const
{
    return m_impl->inputKeys.at(static_cast<size_t>(index));
}

bool ProgramRuntime::setInput(int index, double value)
{
    if (index < 0 || static_cast<size_t>(index) >= m_impl->inputs.size())
        return false;
    m_impl->inputs[static_cast<size_t>(index)] = value;
    return true;
}

bool ProgramRuntime::setInput(const std::string& name, double value)
{
    return setInput(inputIndex(name), value);
}

double ProgramRuntime::input(int index) const
{
    return m_impl->inputs.at(static_cast<size_t>(index));
}

const std::vector<ProgramRuntime::Output>& ProgramRuntime::outputs() const
{
    return m_impl->outputs;
}

ProgramRuntime::Scan ProgramRuntime::scan()
{
    Machine& s = *m_impl;
    Scan result;
    result.timeMs = s.next;
    s.next += kScanMs;
    for (Timer& timer : s.timers) {
        if (timer.running && (timer.remainingMs -= kScanMs) <= 0) {
            timer.remainingMs = 0;
            timer.running = false;
            timer.timedOut = true;
        }
    }
    s.evaluate();
    if (!s.modeOn)
        return result;
    if (!s.running) {
        // The stop event outweighs the start event: a controller stopped by it
        // does not start again while it lasts.
        if (!s.events.empty() && s.truth(s.start) && !s.truth(s.stop)) {
            s.running = true;
            s.step = 0;
            result.change = Change::Started;
            result.to = 0;
        }
        return result;
    }
    if (s.truth(s.stop)) {
        result.change = Change::Stopped;
        result.from = s.step;
        s.running = false;
        s.step = -1;
        s.stopTimers();
        return result;
    }
    const size_t step = static_cast<size_t>(s.step);
    if (s.truth(s.events[step])) {
        s.perform(s.actions[step], result.timeMs);
        result.change = Change::Stepped;
        result.from = s.step;
        s.step = step + 1 == s.events.size() ? 0 : s.step + 1;
        result.to = s.step;
    }
    return result;
}

long long ProgramRuntime::nextScanMs() const
{
    return m_impl->next;
}

void ProgramRuntime::restart()
{
    Machine& s = *m_impl;
    s.next = 0;
    s.running = false;
    s.step = -1;
    for (Timer& timer : s.timers) {
        timer.remainingMs = 0;
        timer.running = false;
        timer.timedOut = false;
    }
    for (Comparator& c : s.comparators)
        c.state = false;
    for (Rule& rule : s.rules)
        rule.state = false;
    for (Output& output : s.outputs) {
        output.count = 0;
        output.lastMs = -1;
    }
}

bool ProgramRuntime::relabel(const ProgramData& program)
{
    Impl other;
    try {
        Builder(program, other).build();
    } catch (const CCustomException&) {
        return false;
    } catch (const ProgramError&) {
        return false;
    }
    Machine& s = *m_impl;
    if (!s.runsAs(other))
        return false;
    s.eventTexts = std::move(other.eventTexts);
    s.actionTexts = std::move(other.actionTexts);
    s.startText = std::move(other.startText);
    s.stopText = std::move(other.stopText);
    s.problems = std::move(other.problems);
    s.inputNames = std::move(other.inputNames);
    s.inputIndex = std::move(other.inputIndex);
    s.actionNames = std::move(other.actionNames);
    for (size_t o = 0; o < s.outputs.size(); ++o)
        s.outputs[o].name = std::move(other.outputs[o].name);
    return true;
}

bool ProgramRuntime::running() const
{
    return m_impl->running;
}

int ProgramRuntime::activeStep() const
{
    return m_impl->step;
}

std::size_t ProgramRuntime::timers() const
{
    return m_impl->timers.size();
}

bool ProgramRuntime::timerRunning(std::size_t k) const
{
    return m_impl->timers.at(k).running;
}

long long ProgramRuntime::timerRemainingMs(std::size_t k) const
{
    return m_impl->timers.at(k).remainingMs;
}

bool ProgramRuntime::timedOut(std::size_t k) const
{
    return m_impl->timers.at(k).timedOut;
}

long long ProgramRuntime::timerValueMs(std::size_t k) const
{
    return m_impl->timers.at(k).valueMs;
}

std::size_t ProgramRuntime::comparators() const
{
    return m_impl->comparators.size();
}

bool ProgramRuntime::comparatorState(std::size_t k) const
{
    return m_impl->comparators.at(k).state;
}

std::size_t ProgramRuntime::logicRules() const
{
    return m_impl->rules.size();
}

bool ProgramRuntime::logicRuleState(std::size_t r) const
{
    return m_impl->rules.at(r).state;
}

ProgramRuntime::ObjectsUsed ProgramRuntime::objectsUsed() const
{
    const Machine& s = *m_impl;
    Machine::Used used{std::vector<bool>(s.timers.size(), false),
                       std::vector<bool>(s.comparators.size(), false),
                       std::vector<bool>(s.rules.size(), false)};
    for (const Ref& event : s.events)
        s.markUsed(event, used);
    for (const Act& action : s.actions) {
        if (action.deed == Deed::StartTimer)
            used.timers[action.index] = true;
    }
    s.markUsed(s.start, used);
    s.markUsed(s.stop, used);
    const auto indexes = [](const std::vector<bool>& marked) {
        std::vector<std::size_t> list;
        for (size_t k = 0; k < marked.size(); ++k) {
            if (marked[k])
                list.push_back(k);
        }
        return list;
    };
    return {indexes(used.timers), indexes(used.comparators), indexes(used.rules)};
}

ProgramRuntime::Logic ProgramRuntime::logic() const
{
    using L = Logic;
    const Machine& s = *m_impl;
    const auto ref = [](const Ref& r) {
        switch (r.source) {
        case Source::True:
            return L::Ref{L::Source::True, 0};
        case Source::Input:
            return L::Ref{L::Source::Input, static_cast<int>(r.index)};
        case Source::Timeout:
            return L::Ref{L::Source::Timeout, static_cast<int>(r.index)};
        case Source::Comparator:
            return L::Ref{L::Source::Comparator, static_cast<int>(r.index)};
        case Source::Rule:
            return L::Ref{L::Source::Rule, static_cast<int>(r.index)};
        default:
            return L::Ref{};
        }
    };
    L logic;
    for (const Ref& event : s.events)
        logic.events.push_back(ref(event));
    for (const Act& act : s.actions) {
        logic.actions.push_back({act.deed == Deed::StartTimer   ? L::Deed::StartTimer
                                 : act.deed == Deed::StopTimers ? L::Deed::StopTimers
                                                                : L::Deed::Output,
                                 static_cast<int>(act.index)});
    }
    logic.start = ref(s.start);
    logic.stop = ref(s.stop);
    for (const Timer& timer : s.timers)
        logic.timerMs.push_back(timer.valueMs);
    for (const Comparator& c : s.comparators) {
        logic.comparators.push_back({c.enabled, static_cast<int>(c.input),
                                     c.comparison == Comparison::Less    ? L::Comparison::Less
                                     : c.comparison == Comparison::About ? L::Comparison::About
                                                                         : L::Comparison::Greater,
                                     c.value, c.tolerance});
    }
    for (const Rule& rule : s.rules) {
        L::Rule r;
        r.used = rule.used;
        for (int i = 0; i < 3; ++i)
            r.operands[i] = ref(rule.operands[i]);
        for (int i = 0; i < 2; ++i)
            r.operators[i] = {rule.operators[i].notA, rule.operators[i].notB,
                              rule.operators[i].either};
        logic.rules.push_back(r);
    }
    for (std::uint32_t r : s.ruleOrder)
        logic.ruleOrder.push_back(static_cast<int>(r));
    return logic;
}

} // namespace NEBPT
