#include "support/FakeHost.h"

#include <algorithm>
#include <stdexcept>
#include <tuple>

namespace testsupport {

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
