#include "HostCommands.h"

#include "ProgramFile.h"
#include "ProgramRuntime.h"
#include "Scenario.h"
#include "TimingChart.h"

#include "HostDrive.h"
#include "SimulatedDrive.h"
#include "framework/AtomicFile.h"
#include "framework/NumberText.h"
#include "framework/RegularFile.h"
#include "framework/SystemPaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace hostcommands {

std::string oneLine(const std::string& text)
{
    std::string line;
    for (const char c : text) {
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
            line += escape;
        } else {
            line += c;
        }
    }
    return line;
}

namespace {

// The first read of `drive` that failed (HostDrive::readFailure); empty when none did.
std::string readFailureOf(IExtParamInterface& drive)
{
    const auto* host = dynamic_cast<const HostDrive*>(&drive);
    return host ? host->readFailure() : std::string();
}

// Why the program of a drive over a link cannot be read through its profile:
// the drive's database keeps it in other parameters than the profile's
// database does. Empty when it does not, or when the drive configuration
// cannot tell (the command then fails telling that).
std::string profileMismatch(IExtParamInterface& drive)
{
    auto* host = dynamic_cast<HostDrive*>(&drive);
    const auto* link = dynamic_cast<const DriveOverLink*>(&drive);
    if (!host || !link || host->databaseVersion() == link->profileDatabaseVersion())
        return {};
    try {
        NEBPT::ProgramWorkflow workflow = programfile::workflow();
        SimulatedDrive profile(link->profilePath(), SimulatedDrive::Access::Read);
        std::vector<std::string> drives, profiles;
        std::string failure;
        if (!workflow.programParameters(*host, drives, failure) ||
            !workflow.programParameters(profile, profiles, failure) || drives == profiles)
            return {};
    } catch (const std::exception&) {
        return {};
    }
    return host->location() + ": the drive has database " + host->databaseVersion() +
           ", the profile " + link->profilePath() + " is for database " +
           link->profileDatabaseVersion() + ", which keeps the program in other parameters";
}

// Runs `work`; a failure goes to `errors` as one line and gives `failed`. A read
// of one of `drives` that failed is told rather than what followed from it.
template <typename Work>
ExitStatus guarded(std::ostream& errors, std::initializer_list<IExtParamInterface*> drives,
                   Work work)
{
    try {
        for (IExtParamInterface* drive : drives) {
            if (const std::string mismatch = profileMismatch(*drive); !mismatch.empty()) {
                errors << oneLine(mismatch) << "\n";
                return kFailed;
            }
        }
        return work();
    } catch (const std::exception& error) {
        std::string failure = error.what();
        for (IExtParamInterface* drive : drives) {
            if (const std::string unread = readFailureOf(*drive); !unread.empty()) {
                failure = unread;
                break;
            }
        }
        errors << oneLine(failure) << "\n";
    } catch (...) {
        errors << "the drive failed\n";
    }
    return kFailed;
}

// The file a drive is read from, when it is a drive image (nebpt-host checks a
// link's profile itself).
std::vector<std::pair<std::string, std::string>> inputsOf(IExtParamInterface& drive)
{
    if (const auto* image = dynamic_cast<const SimulatedDrive*>(&drive))
        return {{"drive image", image->imagePath()}};
    return {};
}

// Reads the drive's program under `label`; false with `failure` (naming `where`).
// Every value in `sections` was read.
bool sectionsFrom(HostDrive& drive, const std::string& label, const std::string& where,
                  const std::string& language, NEBPT::ProgramSections& sections,
                  std::string& failure)
{
    if (failure = profileMismatch(drive); !failure.empty())
        return false;
    if (!language.empty())
        drive.setLanguage(language);
    const std::string refusalBefore = drive.lastRefusal();
    const bool done = NEBPT::programSections(drive, label, sections, failure);
    // A value that could not be read: the plug-in may have taken a default for it,
    // or failed on what followed from it.
    if (!drive.readFailure().empty()) {
        failure = drive.readFailure(); // names the parameter and the address
        return false;
    }
    if (done)
        return true;
    if (const auto* link = dynamic_cast<const DriveOverLink*>(&drive); link && !link->linkUp()) {
        failure = link->linkFailure(); // names the address
        return false;
    }
    // The drive's own refusal says more than what the plug-in made of it.
    failure = where + ": " +
              (drive.lastRefusal() == refusalBefore ? failure
                                                    : "the drive refused " + drive.lastRefusal());
    return false;
}

// Whether two values are the same: as numbers when both are ("12.5" and
// "12.500", "07" and "7"), else as texts.
bool sameValue(const std::string& a, const std::string& b)
{
    double x = 0, y = 0;
    if (fw::readWholeDecimal(a, x) && fw::readWholeDecimal(b, y))
        return x == y;
    return a == b;
}

// An element as the import's messages name it: "Timer 1 (1303.1)".
std::string named(const NEBPT::ProgramEntry& entry)
{
    std::string label = entry.label;
    if (!label.empty() && label.back() == ':')
        label.pop_back();
    return label + " (" + entry.identifier + ")";
}

std::string listed(const std::vector<std::string>& items)
{
    std::string list;
    for (const std::string& item : items)
        list += (list.empty() ? "" : ", ") + item;
    return list;
}

// --- imports over a link left partly written ---
//
// Such an import is remembered per drive type in the user's state folder: for
// each element it was to change, what the drive held before and what it asked
// for. A later import to a drive of that type that fails and leaves the drive
// as it found it then tells by the drive's values whether it still holds that
// mix. An import that finishes forgets it.

// ${XDG_STATE_HOME:-~/.local/state}/nebpt/unfinished-imports.json; empty without a home.
std::string unfinishedPath()
{
    std::string folder;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
        folder = state;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        folder = std::string(home) + "/.local/state";
    else
        return {};
    return folder + "/nebpt/unfinished-imports.json";
}

// By drive type: {"address", "program", "elements": {"1301.0": [before, asked]}}.
QJsonObject unfinishedImports()
{
    std::string text, error;
    const std::string path = unfinishedPath();
    if (path.empty() || !fw::readRegularFile(path, 1024 * 1024, text, error))
        return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

// Kept whole or not at all; a record that cannot be kept only tells less later.
// Folders missing on the way are made for the user alone, as XDG asks.
void keepUnfinished(const QJsonObject& records)
{
    const std::string path = unfinishedPath();
    if (path.empty())
        return;
    if (records.isEmpty()) {
        ::unlink(path.c_str());
        return;
    }
    const std::string folder = path.substr(0, path.rfind('/'));
    for (size_t at = folder.find('/', 1); at != std::string::npos; at = folder.find('/', at + 1))
        ::mkdir(folder.substr(0, at).c_str(), 0700);
    std::string error;
    if (fw::makePrivateDirectory(folder))
        fw::writeFileAtomically(path, QJsonDocument(records).toJson().toStdString(), error);
}

// The records are read, changed and kept whole by one import at a time (a
// fleet imports into many drives at once).
std::mutex& unfinishedLock()
{
    static std::mutex lock;
    return lock;
}

void forgetUnfinished(const std::string& driveType)
{
    const std::lock_guard held(unfinishedLock());
    QJsonObject records = unfinishedImports();
    const QString type = QString::fromStdString(driveType);
    if (records.contains(type)) {
        records.remove(type);
        keepUnfinished(records);
    }
}

void rememberUnfinished(const HostDrive& link, IExtParamInterface& programFile,
                        const std::vector<NEBPT::ProgramChange>& plan)
{
    const std::lock_guard held(unfinishedLock());
    QJsonObject records = unfinishedImports();
    const QString type = QString::fromStdString(link.driveType());
    QJsonObject elements =
        records.value(type).toObject().value(QLatin1String("elements")).toObject();
    // Another program's mix is forgotten; the same program's keeps what the drive held first.
    for (const NEBPT::ProgramChange& change : plan) {
        const QJsonArray known =
            elements.value(QString::fromStdString(change.now.identifier)).toArray();
        if (known.size() == 2 &&
            !sameValue(known[1].toString().toStdString(), change.future.value)) {
            elements = {};
            break;
        }
    }
    for (const NEBPT::ProgramChange& change : plan) {
        const QString identifier = QString::fromStdString(change.now.identifier);
        if (!elements.contains(identifier)) {
            elements[identifier] = QJsonArray{QString::fromStdString(change.now.value),
                                              QString::fromStdString(change.future.value)};
        }
    }
    const auto* file = dynamic_cast<const HostDrive*>(&programFile);
    records[type] = QJsonObject{
        {QLatin1String("address"), QString::fromStdString(link.location())},
        {QLatin1String("program"), QString::fromStdString(file ? file->location() : "")},
        {QLatin1String("elements"), elements}};
    keepUnfinished(records);
}

// Whether the drive, holding `holds` (identifier -> value), still holds the mix
// an unfinished import to a drive of its type left: some of the elements it
// was to change as it asked, some as they were before. A record the drive no
// longer bears out is forgotten.
bool stillMixed(const std::string& driveType, const std::map<std::string, std::string>& holds)
{
    const std::lock_guard held(unfinishedLock());
    QJsonObject records = unfinishedImports();
    const QString type = QString::fromStdString(driveType);
    if (!records.contains(type))
        return false;
    const QJsonObject elements =
        records.value(type).toObject().value(QLatin1String("elements")).toObject();
    bool asked = false, before = false;
    for (auto element = elements.begin(); element != elements.end(); ++element) {
        const auto held = holds.find(element.key().toStdString());
        const QJsonArray values = element.value().toArray();
        if (held == holds.end() || values.size() != 2)
            continue;
        const std::string was = values[0].toString().toStdString(),
                          wanted = values[1].toString().toStdString();
        if (sameValue(was, wanted))
            continue;
        asked = asked || sameValue(held->second, wanted);
        before = before || sameValue(held->second, was);
    }
    if (asked && before)
        return true;
    records.remove(type);
    keepUnfinished(records);
    return false;
}

// After an import over a link failed (its reason told already): what the drive
// holds, compared with the program and with what it held before. Neither whole
// is a partly written program (status 3); the same import again finishes it,
// unless the drive refuses one of its values.
ExitStatus afterFailedImport(HostDrive& link, const DriveOverLink& linkState,
                             IExtParamInterface& programFile,
                             const std::vector<NEBPT::ProgramChange>& plan,
                             NEBPT::ProgramWorkflow& workflow, std::ostream& errors)
{
    const DriveOverLink::Refusal refusal = linkState.lastWriteRefusal();
    std::string refused; // the values the drive refuses, in the program's terms
    if (!refusal.elements.empty()) {
        std::vector<std::string> values;
        for (const std::string& element : refusal.elements) {
            const auto change =
                std::find_if(plan.begin(), plan.end(), [&](const NEBPT::ProgramChange& c) {
                    return c.future.identifier == element;
                });
            values.push_back(change == plan.end()
                                 ? element
                                 : change->future.text + " for " + named(change->future));
        }
        refused = "the drive refuses " + listed(values) + ": " + refusal.reason;
    }
    const std::string again = "the same --import again finishes the program on the drive";
    // What the drive holds now, read back (the link keeps what it read).
    std::map<std::string, std::string> holds;
    bool read = false;
    if (linkState.linkUp()) {
        try {
            for (const NEBPT::ProgramEntry& entry : workflow.readProgram(link))
                holds[entry.identifier] = entry.value;
            read = link.readFailure().empty();
        } catch (const std::exception&) {
        }
    }
    if (!read) {
        // As far as the link could read it back.
        if (!link.lastWrite().partlyWritten()) {
            if (!refused.empty())
                errors << oneLine(refused + "; it holds what it held before") << "\n";
            return kFailed;
        }
        rememberUnfinished(link, programFile, plan);
        errors << oneLine(refused.empty() ? again
                                          : refused + "; it may hold a mixed program (it could "
                                                      "not be read back)")
               << "\n";
        return kPartlyWritten;
    }
    std::vector<std::string> differing;
    bool before = true;
    for (const NEBPT::ProgramChange& change : plan) {
        const auto held = holds.find(change.now.identifier);
        const std::string value = held == holds.end() ? std::string() : held->second;
        if (!sameValue(value, change.future.value))
            differing.push_back(named(change.future));
        before = before && sameValue(value, change.now.value);
    }
    if (differing.empty()) {
        forgetUnfinished(link.driveType());
        errors << "note: the drive was read back holding the program\n";
        return kDone;
    }
    const bool earlier = before && stillMixed(link.driveType(), holds);
    if (before && !earlier) {
        if (!refused.empty())
            errors << oneLine(refused + "; it holds what it held before") << "\n";
        return kFailed;
    }
    if (!before)
        rememberUnfinished(link, programFile, plan);
    const std::string mixed =
        std::string(earlier ? "a mixed program, left so by an earlier --import that did not "
                              "finish: "
                            : "a mixed program: ") +
        listed(differing) + (differing.size() == 1 ? " differs" : " differ") + " from the program";
    if (refused.empty())
        errors << oneLine("the drive holds " + mixed) << "\n" << again << "\n";
    else
        errors << oneLine(refused + "; it holds " + mixed) << "\n";
    return kPartlyWritten;
}

} // namespace

ExitStatus readProgram(HostDrive& drive, const DriveName& name, NEBPT::ProgramSections& sections,
                       std::ostream& errors, const std::string& language)
{
    std::string failure;
    try {
        if (sectionsFrom(drive, name.text(), name.text(), language, sections, failure))
            return kDone;
    } catch (const DriveImageError& error) {
        failure = error.what(); // names the image or the profile
    } catch (const std::exception& error) {
        failure = name.linked() ? error.what() : name.image + ": " + error.what();
    }
    errors << oneLine(failure) << "\n";
    return kFailed;
}

ExitStatus readProgram(const DriveName& name, NEBPT::ProgramSections& sections,
                       std::ostream& errors, const std::string& language)
{
    std::string failure;
    try {
        const std::unique_ptr<HostDrive> drive = openDrive(name, DriveUse::Read);
        return readProgram(*drive, name, sections, errors, language);
    } catch (const DriveImageError& error) {
        failure = error.what(); // names the image or the profile
    } catch (const std::exception& error) {
        failure = name.linked() ? error.what() : name.image + ": " + error.what();
    }
    errors << oneLine(failure) << "\n";
    return kFailed;
}

ExitStatus printProgram(HostDrive& drive, const DriveName& name, std::ostream& out,
                        std::ostream& errors, const std::string& language)
{
    NEBPT::ProgramSections sections;
    const ExitStatus status = readProgram(drive, name, sections, errors, language);
    if (status != kDone)
        return status;
    // One line for each row, whatever texts the drive gives.
    sections.identity = oneLine(sections.identity);
    for (NEBPT::ProgramSection& section : sections.sections) {
        section.heading = oneLine(section.heading);
        for (NEBPT::ProgramRow& row : section.rows) {
            row.label = oneLine(row.label);
            row.text = oneLine(row.text);
        }
    }
    NEBPT::writeProgramText(sections, out);
    return status;
}

ExitStatus printProgram(const DriveName& name, std::ostream& out, std::ostream& errors,
                        const std::string& language)
{
    std::string failure;
    try {
        const std::unique_ptr<HostDrive> drive = openDrive(name, DriveUse::Read);
        return printProgram(*drive, name, out, errors, language);
    } catch (const DriveImageError& error) {
        failure = error.what(); // names the image or the profile
    } catch (const std::exception& error) {
        failure = name.linked() ? error.what() : name.image + ": " + error.what();
    }
    errors << oneLine(failure) << "\n";
    return kFailed;
}

ExitStatus exportProgram(IExtParamInterface& drive, const std::string& programPath,
                         std::ostream& errors, NEBPT::ProgramWorkflow* workflow)
{
    NEBPT::ProgramWorkflow own = workflow ? NEBPT::ProgramWorkflow() : programfile::workflow();
    NEBPT::ProgramWorkflow& chosen = workflow ? *workflow : own;
    return guarded(errors, {&drive}, [&] {
        const std::string conflict = fw::outputConflict(programPath, inputsOf(drive));
        if (!conflict.empty()) {
            errors << conflict << "; nothing written\n";
            return kFailed;
        }
        const QByteArray bytes = programfile::fileOf(chosen.exportProgram(drive));
        if (const std::string failure = readFailureOf(drive); !failure.empty()) {
            errors << failure << "; nothing written\n";
            return kFailed;
        }
        std::string error;
        if (!fw::writeFileAtomically(programPath, bytes.toStdString(), error)) {
            errors << error << "\n";
            return kFailed;
        }
        return kDone;
    });
}

ExitStatus importProgram(IExtParamInterface& programFile, IExtParamInterface& drive, bool dryRun,
                         bool round, std::ostream& out, std::ostream& errors,
                         NEBPT::ProgramWorkflow* workflow, ImportResult* result)
{
    NEBPT::ProgramWorkflow own = workflow ? NEBPT::ProgramWorkflow() : programfile::workflow();
    NEBPT::ProgramWorkflow& chosen = workflow ? *workflow : own;
    ImportResult found;
    bool planning = false; // past the profile's check
    const ExitStatus status = guarded(errors, {&drive}, [&] {
        planning = true;
        // The drive tells which values it takes.
        NEBPT::ImportPlan planned;
        try {
            planned = chosen.planImport(programFile, drive,
                                        round ? NEBPT::Rounding::Round : NEBPT::Rounding::Refuse,
                                        programfile::fitOf(drive));
        } catch (const NEBPT::ProgramError&) {
            found.refused = readFailureOf(drive).empty(); // not a read that failed
            throw;
        }
        const std::vector<NEBPT::ProgramChange>& plan = planned.changes;
        found.changes = plan.size();
        for (const std::string& note : planned.notes)
            errors << "note: " << oneLine(note) << "\n";
        if (dryRun) {
            for (const NEBPT::ProgramChange& change : plan) {
                out << oneLine(change.now.label + " " + change.now.text + " -> " +
                               change.future.text + " (" + change.now.identifier + ")")
                    << "\n";
            }
            out << plan.size() << (plan.size() == 1 ? " element" : " elements")
                << " would change; nothing written\n";
            return kDone;
        }
        auto* host = dynamic_cast<HostDrive*>(&drive);
        const auto* link = dynamic_cast<const DriveOverLink*>(&drive);
        try {
            NEBPT::ProgramWorkflow::importProgram(drive, plan);
        } catch (const std::exception& error) {
            errors << oneLine(error.what()) << "\n";
            if (host && link)
                return afterFailedImport(*host, *link, programFile, plan, chosen, errors);
            // A drive image is written whole or not at all.
            if (!host || !host->lastWrite().partlyWritten())
                return kFailed;
            errors << "the same --import again finishes the program on the drive\n";
            return kPartlyWritten;
        }
        if (host && link)
            forgetUnfinished(host->driveType());
        if (const int again = host ? host->lastWrite().reconnections : 0; again > 0) {
            errors << "note: the link to the drive was lost and made anew " << again
                   << (again == 1 ? " time" : " times") << "; every element was read back\n";
        }
        out << plan.size() << (plan.size() == 1 ? " element" : " elements") << " written\n";
        return kDone;
    });
    // Failed before planning: the profile's database keeps the program elsewhere.
    found.refused = found.refused || (!planning && status == kFailed);
    if (result)
        *result = found;
    return status;
}

ExitStatus diffPrograms(IExtParamInterface& a, IExtParamInterface& b, std::ostream& out,
                        std::ostream& errors, NEBPT::ProgramWorkflow* workflow)
{
    NEBPT::ProgramWorkflow own = workflow ? NEBPT::ProgramWorkflow() : programfile::workflow();
    NEBPT::ProgramWorkflow& chosen = workflow ? *workflow : own;
    return guarded(errors, {&a, &b}, [&] {
        const std::vector<std::string> lines = chosen.compare(a, b);
        for (IExtParamInterface* drive : {&a, &b}) {
            if (const std::string failure = readFailureOf(*drive); !failure.empty()) {
                errors << oneLine(failure) << "\n";
                return kFailed;
            }
        }
        // The two sides, as typed; "a -> b" in every line.
        std::string types[2];
        const auto side = [](IExtParamInterface& drive, std::string& type) {
            std::string aoc, database;
            drive.GetDriveIdentity(type, aoc, database);
            const auto* host = dynamic_cast<const HostDrive*>(&drive);
            return (host ? host->location() : std::string("the drive")) + ": drive " + type +
                   ", AOC " + aoc + ", database " + database;
        };
        const std::string from = side(a, types[0]), to = side(b, types[1]);
        if (types[0] != types[1])
            out << oneLine("Two drive types: " + types[0] + " and " + types[1]) << "\n";
        out << oneLine("From " + from) << "\n" << oneLine("To " + to) << "\n";
        for (const std::string& line : lines)
            out << oneLine(line) << "\n";
        if (lines.empty())
            out << "No differences\n";
        return lines.empty() ? kDone : kFound;
    });
}

ExitStatus checkProgram(IExtParamInterface& drive, std::ostream& out, std::ostream& errors)
{
    return guarded(errors, {&drive}, [&] {
        auto* host = dynamic_cast<HostDrive*>(&drive);
        const std::string refusalBefore = host ? host->lastRefusal() : std::string();
        std::vector<std::string> findings;
        std::string failure;
        const bool checked = NEBPT::checkProgram(drive, findings, failure);
        // A value that could not be read is no value to check (the plug-in may
        // have taken a default for it, or failed on what followed from it); the
        // drive's own refusal says more than what the plug-in made of it.
        if (const std::string unread = readFailureOf(drive); !unread.empty())
            failure = unread;
        else if (checked)
            failure.clear();
        else if (host && host->lastRefusal() != refusalBefore)
            failure = host->location() + ": the drive refused " + host->lastRefusal();
        if (!failure.empty()) {
            errors << oneLine(failure) << "\n";
            return kFailed;
        }
        for (const std::string& finding : findings)
            out << finding << "\n";
        return findings.empty() ? kDone : kFound;
    });
}

ExitStatus loadScenario(const std::string& scenarioPath, scenario::Scenario& planned,
                        std::ostream& errors)
{
    try {
        planned = scenario::load(scenarioPath);
    } catch (const scenario::ScenarioError& error) {
        errors << oneLine(error.what()) << "\n";
        return kUsage;
    }
    return kDone;
}

ExitStatus simulateProgram(HostDrive& drive, const DriveName& name, const Simulation& simulation,
                           std::ostream& out, std::ostream& errors,
                           NEBPT::ProgramWorkflow* workflow)
{
    std::string failure;
    try {
        if (const std::string mismatch = profileMismatch(drive); !mismatch.empty())
            throw std::runtime_error(mismatch);
        const NEBPT::ProgramData program = workflow ? workflow->exportProgram(drive)
                                                    : programfile::workflow().exportProgram(drive);
        if (!drive.readFailure().empty())
            throw std::runtime_error(drive.readFailure()); // names the parameter and the address
        // Every scenario is checked before any runs; the model they were checked
        // on, not yet scanned, runs the first of them.
        std::optional<NEBPT::ProgramRuntime> unscanned(std::in_place, program);
        for (const scenario::Scenario& planned : simulation.scenarios) {
            try {
                scenario::check(planned, *unscanned);
            } catch (const scenario::ScenarioError& error) {
                errors << oneLine(error.what()) << "\n";
                return kUsage;
            }
        }
        const bool several = simulation.scenarios.size() > 1;
        timeline::Coverage coverage;
        std::vector<timeline::Timeline> pictures;
        bool passed = true;
        for (const scenario::Scenario& planned : simulation.scenarios) {
            if (several)
                out << planned.name << ":\n";
            // Each scenario from the controller's first scan with every input false.
            NEBPT::ProgramRuntime runtime =
                unscanned ? std::move(*unscanned) : NEBPT::ProgramRuntime(program);
            unscanned.reset();
            std::optional<timeline::Recorder> recorder;
            if (!simulation.plot.empty())
                recorder.emplace(runtime, name.text() + " - " + planned.name);
            const std::vector<std::string> failed = scenario::run(
                planned, runtime, out, simulation.traceLimit,
                {recorder ? &*recorder : nullptr, simulation.coverage ? &coverage : nullptr});
            for (const std::string& line : failed)
                errors << oneLine(line) << "\n";
            const size_t count = planned.expectations.size();
            out << count - failed.size() << " of " << count
                << (count == 1 ? " expectation holds" : " expectations hold") << "\n";
            passed = passed && failed.empty();
            if (recorder)
                pictures.push_back(std::move(recorder->timeline()));
        }
        if (simulation.coverage)
            coverage.print(out);
        if (!simulation.plot.empty()) {
            if (simulation.coverage) {
                for (timeline::Timeline& picture : pictures)
                    coverage.shade(picture);
            }
            if (!timingchart::write(pictures, simulation.plot, failure)) {
                errors << oneLine(failure) << "\n";
                return kFailed;
            }
        }
        return passed ? kDone : kFailed;
    } catch (const DriveImageError& error) {
        failure = error.what(); // names the image or the profile
    } catch (const NEBPT::ProgramError& error) {
        failure = name.text() + ": " + error.what();
    } catch (const std::exception& error) {
        failure = name.linked() ? error.what() : name.image + ": " + error.what();
    }
    errors << oneLine(failure) << "\n";
    return kFailed;
}

} // namespace hostcommands
