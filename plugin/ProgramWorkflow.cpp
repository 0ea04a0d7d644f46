#include "ProgramWorkflow.h"

#include "ChoiceText.h"
#include "ProgramFailure.h"
#include "ProgramWorkflowImpl.h"
#include "Settings_Manager/TimerUnit.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "framework/Format.h"
#include "framework/NumberText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

namespace NEBPT {

namespace {

constexpr const char* kSetup = "Setup 1";

// (Numbers become text through fw::format: std::to_string would make the library
// one that the dynamic loader never unloads.)

// What each of the fourteen program parameters holds, by role (ProgramRole),
// in English; "%lu" stands for the element.
constexpr const char* kLabels[] = {
    "Controller: mode",           "Pair %lu: event",
    "Pair %lu: action",           "Timer %lu:",
    "Comparator %lu: operand",    "Comparator %lu: operator",
    "Comparator %lu: value",      "Logic rule %lu: operand 1",
    "Logic rule %lu: operator 1", "Logic rule %lu: operand 2",
    "Logic rule %lu: operator 2", "Logic rule %lu: operand 3",
    "Controller: start event",    "Controller: stop event",
};
static_assert(std::size(kLabels) == kProgramRoles);

std::string label(size_t role, bool indexed, unsigned long element)
{
    if (!indexed)
        return kLabels[role];
    char text[64];
    std::snprintf(text, sizeof text, kLabels[role], element);
    return text;
}

// A parameter's elements, read from the drive.
std::vector<ProgramEntry> read(IExtParamInterface& drive, const ParameterDescription& d, int base)
{
    std::vector<ProgramEntry> entries;
    for (unsigned long e = 0; e < std::max(1UL, d.count); ++e) {
        ProgramEntry entry;
        const int index = d.count ? static_cast<int>(e) + base : -1;
        entry.label = label(d.role, d.count > 0, e);
        entry.identifier = d.count ? d.number + fw::format(".%d", index) : d.number;
        drive.ReadParameterValue(d.number, index, entry.value, kSetup);
        entry.text = d.text(entry.value);
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace

DriveIdentity identityOf(IExtParamInterface& drive)
{
    DriveIdentity identity;
    drive.GetDriveIdentity(identity.type, identity.aoc, identity.database);
    return identity;
}

bool ParameterDescription::choiceText(const std::string& value, std::string& text) const
{
    for (const std::string& choice : choices) {
        std::vector<std::string> pieces = choicePieces(choice);
        if (!pieces.empty() && pieces[0] == value) {
            text = pieces.size() > 1 ? std::move(pieces[1]) : std::string();
            return true;
        }
    }
    return false;
}

std::string ParameterDescription::shownUnit() const
{
    // The maximum as the whole number the editor and the controller keep of it.
    return role == kTimerRole ? timerUnit(unit, static_cast<double>(fw::readLong(maximum))) : unit;
}

std::string ParameterDescription::text(const std::string& value) const
{
    if (choices.empty()) {
        const std::string shown = shownUnit();
        return value + (shown.empty() ? "" : " " + shown);
    }
    std::string choice;
    return choiceText(value, choice) ? "\"" + choice + "\"" : "value " + value;
}

bool ParameterDescription::sameValue(const std::string& a, const std::string& b) const
{
    double x = 0, y = 0;
    if (choices.empty() && fw::readWholeDecimal(a, x) && fw::readWholeDecimal(b, y))
        return x == y;
    return a == b;
}

const ProgramWorkflow::Impl::Known& ProgramWorkflow::Impl::lookUp(const DriveIdentity& identity)
{
    // The database version chooses the drive's entry, the AOC version does not.
    const auto key = std::make_pair(identity.type, identity.database);
    auto found = known.find(key);
    if (found == known.end()) {
        Known entry;
        entry.found = telling(entry.failure, [&] {
            CNEBConfiguration configuration;
            ++loads;
            configuration.init(identity.type, identity.aoc, identity.database);
            entry.numbers = configuration.getAllNEBRelatedParameters();
            return true;
        });
        found = known.emplace(key, std::move(entry)).first;
    }
    return found->second;
}

std::vector<std::string> ProgramWorkflow::Impl::numbersOf(IExtParamInterface& drive)
{
    const DriveIdentity identity = identityOf(drive);
    const Known& entry = lookUp(identity);
    if (entry.found && entry.numbers.size() == std::size(kLabels))
        return entry.numbers;
    throw ProgramError("drive type \"" + identity.type + "\" with database " + identity.database +
                       " is not in the drive configuration (" + CNEBConfiguration::kFileName + ")");
}

ParameterDescription ProgramWorkflow::Impl::describe(IExtParamInterface& drive, size_t role,
                                                     const std::string& number) const
{
    // A file that lacks a parameter the configuration names is told as such, not
    // as whatever the first read of it makes of that.
    try {
        drive.GetElementCount(number);
    } catch (const std::exception&) {
        throw ProgramError(whereIs(drive) + " has no parameter " + number +
                           ", which the drive configuration names for the program");
    }
    ParameterDescription d;
    d.role = role;
    d.number = number;
    d.name = drive.GetParameterName(number);
    d.count = drive.GetElementCount(number);
    d.choices = drive.GetChoiceList(number);
    drive.GetParameterAttributes(number, -1, d.minimum, d.maximum, d.unit, d.decimals);
    return d;
}

ProgramWorkflow::ProgramWorkflow(DriveNaming naming) : m_impl(std::make_unique<Impl>())
{
    m_impl->naming = std::move(naming);
}

ProgramWorkflow::ProgramWorkflow(ProgramWorkflow&&) noexcept = default;
ProgramWorkflow& ProgramWorkflow::operator=(ProgramWorkflow&&) noexcept = default;
ProgramWorkflow::~ProgramWorkflow() = default;

std::size_t ProgramWorkflow::configurationLoads() const
{
    return m_impl->loads;
}

bool ProgramWorkflow::programParameters(IExtParamInterface& drive,
                                        std::vector<std::string>& numbers, std::string& failure)
{
    numbers.clear();
    return telling(failure, [&] {
        const Impl::Known& entry = m_impl->lookUp(identityOf(drive));
        numbers = entry.numbers;
        if (!entry.found)
            failure = entry.failure;
        return entry.found;
    });
}

std::vector<ProgramEntry> ProgramWorkflow::readProgram(IExtParamInterface& drive)
{
    const std::vector<std::string> numbers = m_impl->numbersOf(drive);
    const int base = drive.GetIndexBase();
    std::vector<ProgramEntry> entries;
    for (size_t role = 0; role < numbers.size(); ++role) {
        const std::vector<ProgramEntry> elements =
            read(drive, m_impl->describe(drive, role, numbers[role]), base);
        entries.insert(entries.end(), elements.begin(), elements.end());
    }
    return entries;
}

ProgramData ProgramWorkflow::exportProgram(IExtParamInterface& drive)
{
    ProgramData data;
    drive.GetDriveIdentity(data.driveType, data.aocVersion, data.databaseVersion);
    const std::vector<std::string> numbers = m_impl->numbersOf(drive);
    data.indexBase = drive.GetIndexBase();
    for (size_t role = 0; role < numbers.size(); ++role) {
        const ParameterDescription d = m_impl->describe(drive, role, numbers[role]);
        ProgramParameter parameter{d.number,  d.name, d.count,    d.choices, d.minimum,
                                   d.maximum, d.unit, d.decimals, {}};
        for (const ProgramEntry& entry : read(drive, d, data.indexBase))
            parameter.values.push_back(entry.value);
        data.parameters.push_back(std::move(parameter));
    }
    data.language = drive.GetLanguage();
    return data;
}

ImportPlan ProgramWorkflow::planImport(IExtParamInterface& programFile, IExtParamInterface& drive,
                                       Rounding rounding, const ValueFit& fit)
{
    const DriveIdentity from = identityOf(programFile), to = identityOf(drive);
    if (from.type != to.type) {
        throw ProgramError("the program is for drive type \"" + from.type +
                           "\", the drive is a \"" + to.type + "\"");
    }
    std::vector<std::string> numbers;
    try {
        numbers = m_impl->numbersOf(programFile);
    } catch (const ProgramError&) {
        if (from.database == to.database)
            throw;
        throw ProgramError("the program comes from database " + from.database + ", the drive has " +
                           to.database + "; the drive configuration (" +
                           CNEBConfiguration::kFileName + ") does not list database " +
                           from.database + " for drive type \"" + from.type + "\"");
    }
    if (m_impl->numbersOf(drive) != numbers) {
        throw ProgramError("the program comes from database " + from.database + ", the drive has " +
                           to.database + ", which keeps the program in other parameters");
    }
    const int fromBase = programFile.GetIndexBase(), toBase = drive.GetIndexBase();
    ImportPlan plan;
    for (size_t role = 0; role < numbers.size(); ++role) {
        const ParameterDescription source = m_impl->describe(programFile, role, numbers[role]);
        const ParameterDescription target = m_impl->describe(drive, role, numbers[role]);
        const std::string where = "parameter " + target.number + " (" + target.name + ")";
        if (source.count != target.count) {
            throw ProgramError(where + fw::format(": the program has %lu elements, the drive %lu",
                                                  source.count, target.count));
        }
        std::vector<ProgramEntry> future = read(programFile, target, fromBase);
        const std::vector<ProgramEntry> now = read(drive, target, toBase);
        for (size_t e = 0; e < now.size(); ++e) {
            const std::string element = where + (target.count ? fw::format(" element %zu", e) : "");
            const std::string given = future[e].value;
            // The drive tells whether it takes the value, and in which form it keeps it.
            std::string stored = given, reason;
            if (fit &&
                !fit(std::strtoul(target.number.c_str(), nullptr, 10), given, stored, reason)) {
                throw ProgramError(element + ": the program's value " + given +
                                   " does not fit the drive: " + reason);
            }
            double kept = 0, asGiven = 0;
            if (target.choices.empty() && fw::readWholeDecimal(stored, kept) &&
                fw::readWholeDecimal(given, asGiven) && kept != asGiven) {
                if (rounding == Rounding::Refuse) {
                    throw ProgramError(element + ": the program's value " + given +
                                       " has more decimals than the drive's " + target.decimals +
                                       " (--round rounds it)");
                }
                plan.notes.push_back(element + ": the program's value " + given + " rounded to " +
                                     stored);
            }
            future[e].value = stored;
            future[e].text = target.text(stored);
            if (!target.sameValue(now[e].value, stored)) {
                ProgramChange change{now[e], future[e]};
                change.future.identifier = now[e].identifier;
                plan.changes.push_back(std::move(change));
            }
        }
    }
    return plan;
}

void ProgramWorkflow::importProgram(IExtParamInterface& drive,
                                    const std::vector<ProgramChange>& plan)
{
    if (plan.empty())
        return;
    std::vector<std::string> identifiers, values;
    for (const ProgramChange& change : plan) {
        identifiers.push_back(change.future.identifier);
        values.push_back(change.future.value);
    }
    drive.WriteParameterValues(identifiers, values, kSetup, 0);
}

namespace {

// Whether two elements hold the same: the same value, as numbers when both are
// ("12.5" and "12.500", "07" and "7"), whatever texts their drives give it. A
// value of a drive of another type may mean another thing: its text, beyond the
// number, must agree too.
bool sameEntry(const ProgramEntry& a, const ProgramEntry& b, bool sameType)
{
    double x = 0, y = 0;
    const bool same = fw::readWholeDecimal(a.value, x) && fw::readWholeDecimal(b.value, y)
                          ? x == y
                          : a.value == b.value;
    if (!same || sameType)
        return same;
    const auto meaning = [](const ProgramEntry& entry) {
        return entry.text.compare(0, entry.value.size(), entry.value) == 0
                   ? entry.text.substr(entry.value.size())
                   : entry.text;
    };
    return meaning(a) == meaning(b);
}

} // namespace

std::vector<std::string> ProgramWorkflow::compare(IExtParamInterface& a, IExtParamInterface& b)
{
    const bool sameType = identityOf(a).type == identityOf(b).type;
    const std::vector<ProgramEntry> first = readProgram(a), second = readProgram(b);
    std::map<std::string, const ProgramEntry*> others;
    for (const ProgramEntry& entry : second)
        others.emplace(entry.label, &entry);
    std::vector<std::string> lines;
    const auto line = [&](const std::string& label, const std::string& from,
                          const std::string& to) {
        lines.push_back(label + " " + from + " -> " + to);
    };
    for (const ProgramEntry& entry : first) {
        const auto other = others.find(entry.label);
        if (other == others.end()) {
            line(entry.label, entry.text, "(none)");
            continue;
        }
        if (!sameEntry(entry, *other->second, sameType))
            line(entry.label, entry.text, other->second->text);
        others.erase(other);
    }
    for (const ProgramEntry& entry : second) {
        if (others.count(entry.label))
            line(entry.label, "(none)", entry.text);
    }
    return lines;
}

std::size_t configurationParses()
{
    return CNEBConfiguration::parses();
}

bool programParameters(IExtParamInterface& drive, std::vector<std::string>& numbers,
                       std::string& failure)
{
    return ProgramWorkflow().programParameters(drive, numbers, failure);
}

std::string explainFailure(const CCustomException& failure)
{
    std::string what = failure.getText();
    if (what.empty()) {
        const std::string& file = failure.getFile();
        if (file.rfind("External_Data_Manager/", 0) == 0)
            what = "the drive did not answer a request for the program's parameters";
        else if (file.find("Choicelist") != std::string::npos)
            what = "the drive holds a value that its choice list does not name";
        else if (failure.getCategory() == 2)
            what = "the program has no room for another pair";
        else
            what = "the program on the drive does not fit together";
    }
    const std::string& log = failure.getLogPath();
    return log.empty() ? what : what + " (details in " + log + ")";
}

void logHostFailure(const std::string& text, const std::string& file, int line)
{
    // Making the exception writes the line.
    [[maybe_unused]] const CCustomException logged(line, file, text);
}

std::string logFilePath()
{
    return CCustomException::makeLogPath();
}

std::string logFolderPath()
{
    return CCustomException::logFolder();
}

} // namespace NEBPT
