#include "HostCommands.h"

#include "ProgramFile.h"
#include "ProgramRuntime.h"
#include "Scenario.h"

#include "HostDrive.h"
#include "ModbusDrive.h"
#include "SimulatedDrive.h"
#include "framework/AtomicFile.h"

#include <cstdio>
#include <exception>
#include <sstream>
#include <vector>

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

// Runs `work`; a failure goes to `errors` as one line and gives `failed`. A read
// of one of `drives` that failed is told rather than what followed from it.
template <typename Work>
ExitStatus guarded(std::ostream& errors, std::initializer_list<IExtParamInterface*> drives,
                   Work work)
{
    try {
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
    if (const auto* link = dynamic_cast<const ModbusDrive*>(&drive); link && !link->linkUp()) {
        failure = link->linkFailure(); // names the address
        return false;
    }
    // The drive's own refusal says more than what the plug-in made of it.
    failure = where + ": " +
              (drive.lastRefusal() == refusalBefore ? failure
                                                    : "the drive refused " + drive.lastRefusal());
    return false;
}

} // namespace

ExitStatus readProgram(const DriveName& name, NEBPT::ProgramSections& sections,
                       std::ostream& errors, const std::string& language)
{
    std::string failure;
    try {
        const std::unique_ptr<HostDrive> drive = openDrive(name, DriveUse::Read);
        if (sectionsFrom(*drive, name.text(), name.text(), language, sections, failure))
            return kDone;
    } catch (const DriveImageError& error) {
        failure = error.what(); // names the image or the profile
    } catch (const std::exception& error) {
        failure = name.linked() ? error.what() : name.image + ": " + error.what();
    }
    errors << oneLine(failure) << "\n";
    return kFailed;
}

ExitStatus printProgram(const DriveName& name, std::ostream& out, std::ostream& errors,
                        const std::string& language)
{
    NEBPT::ProgramSections sections;
    const ExitStatus status = readProgram(name, sections, errors, language);
    if (status == kDone)
        NEBPT::writeProgramText(sections, out);
    return status;
}

ExitStatus exportProgram(IExtParamInterface& drive, const std::string& programPath,
                         std::ostream& errors)
{
    return guarded(errors, {&drive}, [&] {
        const std::string conflict = fw::outputConflict(programPath, inputsOf(drive));
        if (!conflict.empty()) {
            errors << conflict << "; nothing written\n";
            return kFailed;
        }
        const QByteArray bytes = programfile::fileOf(programfile::workflow().exportProgram(drive));
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
                         bool round, std::ostream& out, std::ostream& errors)
{
    return guarded(errors, {&drive}, [&] {
        // The drive tells which values it takes.
        const NEBPT::ImportPlan planned = programfile::workflow().planImport(
            programFile, drive, round ? NEBPT::Rounding::Round : NEBPT::Rounding::Refuse,
            programfile::fitOf(drive));
        const std::vector<NEBPT::ProgramChange>& plan = planned.changes;
        for (const std::string& note : planned.notes)
            errors << "note: " << note << "\n";
        if (dryRun) {
            for (const NEBPT::ProgramChange& change : plan) {
                out << change.now.label << " " << change.now.text << " -> " << change.future.text
                    << " (" << change.now.identifier << ")\n";
            }
            out << plan.size() << (plan.size() == 1 ? " element" : " elements")
                << " would change; nothing written\n";
            return kDone;
        }
        try {
            NEBPT::ProgramWorkflow::importProgram(drive, plan);
        } catch (const std::exception& error) {
            // Over a link the drive may hold part of the program (HostDrive::lastWrite).
            const auto* host = dynamic_cast<const HostDrive*>(&drive);
            const WriteOutcome outcome = host ? host->lastWrite() : WriteOutcome{};
            errors << oneLine(error.what()) << "\n";
            if (!outcome.partlyWritten())
                return kFailed;
            errors << "the same --import again finishes the program on the drive\n";
            return kPartlyWritten;
        }
        const auto* host = dynamic_cast<const HostDrive*>(&drive);
        if (const int again = host ? host->lastWrite().reconnections : 0; again > 0) {
            errors << "note: the link to the drive was lost and made anew " << again
                   << (again == 1 ? " time" : " times") << "; every element was read back\n";
        }
        out << plan.size() << (plan.size() == 1 ? " element" : " elements") << " written\n";
        return kDone;
    });
}

ExitStatus diffPrograms(IExtParamInterface& a, IExtParamInterface& b, std::ostream& out,
                        std::ostream& errors)
{
    return guarded(errors, {&a, &b}, [&] {
        const std::vector<std::string> lines = programfile::workflow().compare(a, b);
        for (IExtParamInterface* drive : {&a, &b}) {
            if (const std::string failure = readFailureOf(*drive); !failure.empty()) {
                errors << failure << "\n";
                return kFailed;
            }
        }
        for (const std::string& line : lines)
            out << line << "\n";
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

ExitStatus simulateProgram(const DriveName& name, const std::string& scenarioPath,
                           std::ostream& out, std::ostream& errors)
{
    scenario::Scenario planned;
    try {
        planned = scenario::load(scenarioPath);
    } catch (const scenario::ScenarioError& error) {
        errors << oneLine(error.what()) << "\n";
        return kUsage;
    }
    std::string failure;
    try {
        const std::unique_ptr<HostDrive> drive = openDrive(name, DriveUse::Read);
        const NEBPT::ProgramData program = programfile::workflow().exportProgram(*drive);
        if (!drive->readFailure().empty())
            throw std::runtime_error(drive->readFailure()); // names the parameter and the address
        NEBPT::ProgramRuntime runtime(program);
        try {
            scenario::check(planned, runtime);
        } catch (const scenario::ScenarioError& error) {
            errors << oneLine(error.what()) << "\n";
            return kUsage;
        }
        const std::vector<std::string> failed = scenario::run(planned, runtime, out);
        for (const std::string& line : failed)
            errors << oneLine(line) << "\n";
        const size_t count = planned.expectations.size();
        out << count - failed.size() << " of " << count
            << (count == 1 ? " expectation holds" : " expectations hold") << "\n";
        return failed.empty() ? kDone : kFailed;
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
