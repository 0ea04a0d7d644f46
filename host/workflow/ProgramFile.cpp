#include "ProgramFile.h"

#include "DriveImage.h"
#include "External_Data_Manager/ExternalDataManager.h"
#include "HostDrive.h"
#include "ProgramPrint.h"
#include "RegisterMap.h"
#include "Settings_Manager/TimerUnit.h"
#include "Settings_Stock/NEBConfiguration.h"

#include <cstdio>
#include <map>

namespace programfile {

namespace {

constexpr const char* kSetup = "Setup 1";

// What each of the fourteen program parameters holds, in the configuration's
// order; "%lu" stands for the element.
constexpr const char* kLabels[] = {
    "Controller: mode",           "Pair %lu: event",
    "Pair %lu: action",           "Timer %lu:",
    "Comparator %lu: operand",    "Comparator %lu: operator",
    "Comparator %lu: value",      "Logic rule %lu: operand 1",
    "Logic rule %lu: operator 1", "Logic rule %lu: operand 2",
    "Logic rule %lu: operator 2", "Logic rule %lu: operand 3",
    "Controller: start event",    "Controller: stop event",
};
constexpr size_t kTimers = 3;

struct Identity
{
    std::string type, aoc, database;
};

Identity identityOf(IExtParamInterface& drive)
{
    Identity identity;
    drive.GetDriveIdentity(identity.type, identity.aoc, identity.database);
    return identity;
}

// The program parameters the drive configuration names for the drive.
std::vector<std::string> programParameters(IExtParamInterface& drive)
{
    std::vector<std::string> numbers;
    std::string failure;
    if (NEBPT::programParameters(drive, numbers, failure) && numbers.size() == std::size(kLabels))
        return numbers;
    const Identity identity = identityOf(drive);
    throw Error("drive type \"" + identity.type + "\" with database " + identity.database +
                " is not in the drive configuration (" + CNEBConfiguration::kFileName + ")");
}

std::string label(size_t role, bool indexed, unsigned long element)
{
    if (!indexed)
        return kLabels[role];
    char text[64];
    std::snprintf(text, sizeof text, kLabels[role], element);
    return text;
}

// What a parameter is, as the drive tells it.
struct Description
{
    std::string number, name;
    unsigned long count = 0;          // 0: a single value
    std::vector<std::string> choices; // "<value>:<text>"; empty for a number
    std::string minimum, maximum, unit, decimals;

    // The text of the choice with this value; null when there is none.
    const char* choiceText(const std::string& value) const
    {
        for (const std::string& choice : choices) {
            const size_t colon = choice.find(':');
            if (choice.compare(0, colon, value) == 0)
                return choice.c_str() + colon + 1;
        }
        return nullptr;
    }
};

// Where the drive is, for messages: the file or address, else "the drive".
std::string whereIs(IExtParamInterface& drive)
{
    const auto* host = dynamic_cast<const HostDrive*>(&drive);
    return host ? host->location() : "the drive";
}

Description describe(IExtParamInterface& drive, const std::string& number)
{
    // A file that lacks a parameter the configuration names is told as such, not
    // as whatever the first read of it makes of that.
    try {
        drive.GetElementCount(number);
    } catch (const std::exception&) {
        throw Error(whereIs(drive) + " has no parameter " + number +
                    ", which the drive configuration names for the program");
    }
    Description d;
    d.number = number;
    d.name = drive.GetParameterName(number);
    d.count = drive.GetElementCount(number);
    d.choices = drive.GetChoiceList(number);
    drive.GetParameterAttributes(number, -1, d.minimum, d.maximum, d.unit, d.decimals);
    return d;
}

// A parameter's elements, read from the drive.
std::vector<Entry> read(IExtParamInterface& drive, size_t role, const Description& d, int base)
{
    std::vector<Entry> entries;
    const std::string unit =
        role == kTimers ? NEBPT::timerUnit(d.unit, std::atof(d.maximum.c_str())) : d.unit;
    for (unsigned long e = 0; e < std::max(1UL, d.count); ++e) {
        Entry entry;
        const int index = d.count ? static_cast<int>(e) + base : -1;
        entry.label = label(role, d.count > 0, e);
        entry.identifier = d.count ? d.number + "." + std::to_string(index) : d.number;
        drive.ReadParameterValue(d.number, index, entry.value, kSetup);
        const char* choice = d.choiceText(entry.value);
        entry.text = d.choices.empty() ? entry.value + (unit.empty() ? "" : " " + unit)
                     : choice          ? "\"" + std::string(choice) + "\""
                                       : "value " + entry.value;
        entries.push_back(std::move(entry));
    }
    return entries;
}

// Why the drive would not take the value; empty when it would.
std::string misfit(const Description& d, const std::string& value)
{
    if (!d.choices.empty()) {
        return d.choiceText(value) ? "" : "not in the drive's choice list";
    }
    double number = 0, limit = 0;
    if (!modbusmap::readDecimal(value, number))
        return "not a number";
    if (modbusmap::readDecimal(d.minimum, limit) && number < limit)
        return "below the drive's minimum " + d.minimum;
    if (modbusmap::readDecimal(d.maximum, limit) && number > limit)
        return "above the drive's maximum " + d.maximum;
    return {};
}

// The value rounded to the drive's decimals when it has more of them; empty
// when the drive keeps it as it is.
std::string roundedToDrive(const Description& d, const std::string& value)
{
    double number = 0, kept = 0;
    if (!d.choices.empty() || !modbusmap::readDecimal(value, number))
        return {};
    const std::string rounded = modbusmap::formatFixed(number, std::atoi(d.decimals.c_str()));
    return modbusmap::readDecimal(rounded, kept) && kept == number ? std::string() : rounded;
}

bool sameValue(const Description& d, const std::string& a, const std::string& b)
{
    double x = 0, y = 0;
    if (d.choices.empty() && modbusmap::readDecimal(a, x) && modbusmap::readDecimal(b, y))
        return x == y;
    return a == b;
}

} // namespace

std::vector<Entry> readProgram(IExtParamInterface& drive)
{
    const std::vector<std::string> numbers = programParameters(drive);
    const int base = drive.GetIndexBase();
    std::vector<Entry> entries;
    for (size_t role = 0; role < numbers.size(); ++role) {
        const std::vector<Entry> elements = read(drive, role, describe(drive, numbers[role]), base);
        entries.insert(entries.end(), elements.begin(), elements.end());
    }
    return entries;
}

QByteArray exportProgram(IExtParamInterface& drive)
{
    const Identity identity = identityOf(drive);
    const std::vector<std::string> numbers = programParameters(drive);
    DriveImage image;
    image.driveType = identity.type;
    image.aocVersion = identity.aoc;
    image.databaseVersion = identity.database;
    image.indexBase = drive.GetIndexBase();
    for (size_t role = 0; role < numbers.size(); ++role) {
        const Description d = describe(drive, numbers[role]);
        DriveImage::Parameter parameter;
        parameter.number = std::stoul(d.number);
        parameter.name = d.name;
        parameter.elementCount = d.count;
        parameter.choices = d.choices;
        if (d.choices.empty()) {
            parameter.minimum = d.minimum;
            parameter.maximum = d.maximum;
            parameter.unit = d.unit;
            parameter.decimals = std::atoi(d.decimals.c_str());
        }
        for (const Entry& entry : read(drive, role, d, image.indexBase))
            parameter.values.push_back(entry.value);
        image.parameters.push_back(std::move(parameter));
    }
    image.language = drive.GetLanguage();
    return image.toJson();
}

std::vector<Change> planImport(IExtParamInterface& programFile, IExtParamInterface& drive,
                               Rounding rounding, std::vector<std::string>* notes)
{
    const Identity from = identityOf(programFile), to = identityOf(drive);
    if (from.type != to.type) {
        throw Error("the program is for drive type \"" + from.type + "\", the drive is a \"" +
                    to.type + "\"");
    }
    std::vector<std::string> numbers;
    try {
        numbers = programParameters(programFile);
    } catch (const Error&) {
        if (from.database == to.database)
            throw;
        throw Error("the program comes from database " + from.database + ", the drive has " +
                    to.database + "; the drive configuration (" + CNEBConfiguration::kFileName +
                    ") does not list database " + from.database + " for drive type \"" + from.type +
                    "\"");
    }
    if (programParameters(drive) != numbers) {
        throw Error("the program comes from database " + from.database + ", the drive has " +
                    to.database + ", which keeps the program in other parameters");
    }
    const int fromBase = programFile.GetIndexBase(), toBase = drive.GetIndexBase();
    std::vector<Change> plan;
    for (size_t role = 0; role < numbers.size(); ++role) {
        const Description source = describe(programFile, numbers[role]);
        const Description target = describe(drive, numbers[role]);
        const std::string where = "parameter " + target.number + " (" + target.name + ")";
        if (source.count != target.count) {
            throw Error(where + ": the program has " + std::to_string(source.count) +
                        " elements, the drive " + std::to_string(target.count));
        }
        std::vector<Entry> future = read(programFile, role, target, fromBase);
        const std::vector<Entry> now = read(drive, role, target, toBase);
        for (size_t e = 0; e < now.size(); ++e) {
            const std::string element =
                where + (target.count ? " element " + std::to_string(e) : "");
            const std::string why = misfit(target, future[e].value);
            if (!why.empty()) {
                throw Error(element + ": the program's value " + future[e].value + " is " + why);
            }
            const std::string rounded = roundedToDrive(target, future[e].value);
            if (!rounded.empty()) {
                if (rounding == Rounding::Refuse) {
                    throw Error(element + ": the program's value " + future[e].value +
                                " has more decimals than the drive's " + target.decimals +
                                " (--round rounds it)");
                }
                if (notes) {
                    notes->push_back(element + ": the program's value " + future[e].value +
                                     " rounded to " + rounded);
                }
                // A number's text is its value and unit.
                future[e].text = rounded + future[e].text.substr(future[e].value.size());
                future[e].value = rounded;
            }
            if (!sameValue(target, now[e].value, future[e].value)) {
                Change change{now[e], future[e]};
                change.future.identifier = now[e].identifier;
                plan.push_back(std::move(change));
            }
        }
    }
    return plan;
}

void importProgram(IExtParamInterface& drive, const std::vector<Change>& plan)
{
    if (plan.empty())
        return;
    std::vector<std::string> identifiers, values;
    for (const Change& change : plan) {
        identifiers.push_back(change.future.identifier);
        values.push_back(change.future.value);
    }
    drive.WriteParameterValues(identifiers, values, kSetup, 0);
}

std::vector<std::string> compare(IExtParamInterface& a, IExtParamInterface& b)
{
    const std::vector<Entry> first = readProgram(a), second = readProgram(b);
    std::map<std::string, const Entry*> others;
    for (const Entry& entry : second)
        others.emplace(entry.label, &entry);
    std::vector<std::string> lines;
    const auto line = [&](const std::string& label, const std::string& from,
                          const std::string& to) {
        lines.push_back(label + " " + from + " -> " + to);
    };
    for (const Entry& entry : first) {
        const auto other = others.find(entry.label);
        if (other == others.end()) {
            line(entry.label, entry.text, "(none)");
            continue;
        }
        if (other->second->text != entry.text)
            line(entry.label, entry.text, other->second->text);
        others.erase(other);
    }
    for (const Entry& entry : second) {
        if (others.count(entry.label))
            line(entry.label, "(none)", entry.text);
    }
    return lines;
}

} // namespace programfile
