#include "support/FakeHost.h"

#include <algorithm>
#include <stdexcept>
#include <tuple>

namespace testsupport {

namespace {

// "<first + i>:<text> <i>" for the `count` objects of one kind.
void addNumbered(std::vector<std::string>& choices, unsigned first, unsigned count,
                 const std::string& text)
{
    for (unsigned i = 0; i < count; ++i)
        choices.push_back(std::to_string(first + i) + ":" + text + " " + std::to_string(i));
}

FakeHost::Parameter arrayParameter(const std::string& name, unsigned long count,
                                   std::vector<std::string> choices, const std::string& value = "0",
                                   const std::string& minimum = {}, const std::string& maximum = {},
                                   const std::string& unit = {}, const std::string& decimals = {})
{
    const std::vector<std::string> values(count == 0 ? 1 : count, value);
    return {name, count, values, std::move(choices), minimum, maximum, unit, decimals};
}

} // namespace

// A smaller drive than data/fcd300_sample.json, with choice numbers and texts of
// its own (action 22 "Start", 24 "Stop"; 28 events, "3:On reference"; four
// comparator operands): the model, dialogs and flow tests rely on them.
FakeHost FakeHost::sampleDrive()
{
    FakeHost host;
    std::vector<std::string> events = {
        "0:False",        "1:True",    "2:Running",       "3:On reference",
        "4:Torque limit", "5:Warning", "16:Alarm (trip)", "19:Digital input 18"};
    addNumbered(events, 22, 6, "Comparator");
    addNumbered(events, 28, 6, "Logic rule");
    addNumbered(events, 34, 8, "Timeout");
    std::vector<std::string> actions = {"0:Disabled", "1:No action", "2:Select set-up 1",
                                        "22:Start", "24:Stop"};
    addNumbered(actions, 30, 8, "Start timer");
    const std::vector<std::string> operators = {"0:DISABLED", "1:AND",         "2:OR",
                                                "3:AND NOT",  "4:OR NOT",      "5:NOT AND",
                                                "6:NOT OR",   "7:NOT AND NOT", "8:NOT OR NOT"};

    auto& p = host.parameters;
    p[1300] = arrayParameter("Logic controller mode", 0, {"0:Off", "1:On"});
    p[1301] = arrayParameter("Controller event", 20, events);
    p[1302] = arrayParameter("Controller action", 20, actions);
    p[1303] = arrayParameter("Controller timer", 8, {}, "0.000000", "0", "3600", "s", "2");
    p[1305] = arrayParameter("Start event", 0, events);
    p[1306] = arrayParameter("Stop event", 0, events);
    p[1310] = arrayParameter("Comparator operand", 6,
                             {"0:Disabled", "1:Reference", "3:Motor speed", "4:Motor current"});
    p[1311] = arrayParameter("Comparator operator", 6,
                             {"0:Less than", "1:Approx. equal", "2:Greater than"});
    p[1312] = arrayParameter("Comparator value", 6, {}, "0.000000", "-100000", "100000", "", "3");
    for (unsigned long n : {1320UL, 1322UL, 1324UL})
        p[n] = arrayParameter("Logic rule operand", 6, events);
    for (unsigned long n : {1321UL, 1323UL})
        p[n] = arrayParameter("Logic rule operator", 6, operators);
    return host;
}

std::string FakeHost::value(unsigned long number, long index) const
{
    return parameters.at(number).values.at(index < 0 ? 0 : static_cast<size_t>(index));
}

void FakeHost::setValue(unsigned long number, long index, const std::string& text)
{
    parameters.at(number).values.at(index < 0 ? 0 : static_cast<size_t>(index)) = text;
}

size_t FakeHost::callCount(const std::string& operation) const
{
    return static_cast<size_t>(std::count_if(m_calls.begin(), m_calls.end(), [&](const Call& call) {
        return call.operation == operation;
    }));
}

void FakeHost::record(const std::string& operation, std::vector<std::string> arguments)
{
    m_calls.push_back({operation, std::move(arguments)});
    if (m_calls.size() == m_failAt || operation == m_failingOperation) {
        if (thrower)
            thrower();
        throw std::runtime_error("host failure in " + operation);
    }
}

FakeHost::Parameter& FakeHost::find(const std::string& number)
{
    const auto it = parameters.find(std::stoul(number));
    if (it == parameters.end())
        throw std::runtime_error("no parameter " + number);
    return it->second;
}

std::string& FakeHost::element(const std::string& number, int index)
{
    Parameter& p = find(number);
    const long element = index < 0 ? 0 : index - indexBase;
    if (element < 0 || static_cast<size_t>(element) >= p.values.size())
        throw std::runtime_error("no element " + std::to_string(index) + " of " + number);
    return p.values[static_cast<size_t>(element)];
}

std::string FakeHost::GetParameterName(const std::string& number)
{
    record("GetParameterName", {number});
    return find(number).name;
}

int FakeHost::ReadParameterValue(const std::string& number, int index, std::string& value,
                                 const std::string& setup)
{
    record("ReadParameterValue", {number, std::to_string(index), value, setup});
    value = element(number, index);
    return 1;
}

int FakeHost::WriteParameterValues(const std::vector<std::string>& identifiers,
                                   const std::vector<std::string>& values, const std::string& setup,
                                   int flag)
{
    std::vector<std::string> arguments;
    for (size_t i = 0; i < identifiers.size(); ++i)
        arguments.push_back(identifiers[i] + "=" + (i < values.size() ? values[i] : "?"));
    arguments.insert(arguments.end(), {setup, std::to_string(flag)});
    record("WriteParameterValues", arguments);
    if (identifiers.size() != values.size())
        throw std::runtime_error("identifier and value lists differ in length");
    for (size_t i = 0; i < identifiers.size(); ++i) {
        const auto dot = identifiers[i].find('.');
        const std::string number = identifiers[i].substr(0, dot);
        const int index = dot == std::string::npos ? -1 : std::stoi(identifiers[i].substr(dot + 1));
        element(number, index) = values[i];
    }
    return 1;
}

std::vector<std::string> FakeHost::GetChoiceList(const std::string& identifier)
{
    record("GetChoiceList", {identifier});
    return find(identifier.substr(0, identifier.find('.'))).choices;
}

unsigned long FakeHost::GetElementCount(const std::string& number)
{
    record("GetElementCount", {number});
    return find(number).elementCount;
}

int FakeHost::GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                                     std::string& maximum, std::string& unit, std::string& decimals)
{
    record("GetParameterAttributes", {number, std::to_string(index)});
    const Parameter& p = find(number);
    std::tie(minimum, maximum, unit, decimals) = std::tie(p.minimum, p.maximum, p.unit, p.decimals);
    return 1;
}

int FakeHost::GetDriveIdentity(std::string& name, std::string& aoc, std::string& db)
{
    record("GetDriveIdentity", {});
    std::tie(name, aoc, db) = std::tie(driveName, aocVersion, dbVersion);
    return 1;
}

int FakeHost::RegisterParameters(const std::vector<std::string>& numbers)
{
    record("RegisterParameters", numbers);
    return 1;
}

std::string FakeHost::GetLanguage()
{
    record("GetLanguage", {});
    return language;
}

int FakeHost::GetIndexBase()
{
    record("GetIndexBase", {});
    return indexBase;
}

} // namespace testsupport
