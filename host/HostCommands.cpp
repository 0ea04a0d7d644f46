#include "HostCommands.h"

#include "ProgramFile.h"
#include "ProgramPrint.h"

#include "HostDrive.h"
#include "SimulatedDrive.h"
#include "framework/AtomicFile.h"

#include <exception>
#include <vector>

namespace hostcommands {

std::string oneLine(std::string text)
{
    for (size_t at = text.find_first_of("\r\n"); at != std::string::npos;
         at = text.find_first_of("\r\n", at + 2))
        text.replace(at, 1, text[at] == '\n' ? "\\n" : "\\r");
    return text;
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
int guarded(std::ostream& errors, int failed, std::initializer_list<IExtParamInterface*> drives,
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
    return failed;
}

// The file a drive is read from, when it is a drive image (nebpt-host checks a
// link's profile itself).
std::vector<std::pair<std::string, std::string>> inputsOf(IExtParamInterface& drive)
{
    if (const auto* image = dynamic_cast<const SimulatedDrive*>(&drive))
        return {{"drive image", image->imagePath()}};
    return {};
}

} // namespace

int exportProgram(IExtParamInterface& drive, const std::string& programPath, std::ostream& errors)
{
    return guarded(errors, 1, {&drive}, [&] {
        const std::string conflict = fw::outputConflict(programPath, inputsOf(drive));
        if (!conflict.empty()) {
            errors << conflict << "; nothing written\n";
            return 1;
        }
        const QByteArray bytes = programfile::exportProgram(drive);
        if (const std::string failure = readFailureOf(drive); !failure.empty()) {
            errors << failure << "; nothing written\n";
            return 1;
        }
        std::string error;
        if (!fw::writeFileAtomically(programPath, bytes.toStdString(), error)) {
            errors << error << "\n";
            return 1;
        }
        return 0;
    });
}

int importProgram(IExtParamInterface& programFile, IExtParamInterface& drive, bool dryRun,
                  bool round, std::ostream& out, std::ostream& errors)
{
    return guarded(errors, 1, {&drive}, [&] {
        std::vector<std::string> notes;
        const std::vector<programfile::Change> plan = programfile::planImport(
            programFile, drive,
            round ? programfile::Rounding::Round : programfile::Rounding::Refuse, &notes);
        for (const std::string& note : notes)
            errors << "note: " << note << "\n";
        if (dryRun) {
            for (const programfile::Change& change : plan) {
                out << change.now.label << " " << change.now.text << " -> " << change.future.text
                    << " (" << change.now.identifier << ")\n";
            }
            out << plan.size() << (plan.size() == 1 ? " element" : " elements")
                << " would change; nothing written\n";
            return 0;
        }
        try {
            programfile::importProgram(drive, plan);
        } catch (const std::exception& error) {
            // Over a link the drive may hold part of the program (HostDrive::lastWrite).
            const auto* host = dynamic_cast<const HostDrive*>(&drive);
            const WriteOutcome outcome = host ? host->lastWrite() : WriteOutcome{};
            errors << oneLine(error.what()) << "\n";
            if (!outcome.partlyWritten())
                return 1;
            errors << "the same --import again finishes the program on the drive\n";
            return 3;
        }
        const auto* host = dynamic_cast<const HostDrive*>(&drive);
        if (const int again = host ? host->lastWrite().reconnections : 0; again > 0) {
            errors << "note: the link to the drive was lost and made anew " << again
                   << (again == 1 ? " time" : " times") << "; every element was read back\n";
        }
        out << plan.size() << (plan.size() == 1 ? " element" : " elements") << " written\n";
        return 0;
    });
}

int diffPrograms(IExtParamInterface& a, IExtParamInterface& b, std::ostream& out,
                 std::ostream& errors)
{
    return guarded(errors, 2, {&a, &b}, [&] {
        const std::vector<std::string> lines = programfile::compare(a, b);
        for (IExtParamInterface* drive : {&a, &b}) {
            if (const std::string failure = readFailureOf(*drive); !failure.empty()) {
                errors << failure << "\n";
                return 2;
            }
        }
        for (const std::string& line : lines)
            out << line << "\n";
        return lines.empty() ? 0 : 1;
    });
}

int checkProgram(IExtParamInterface& drive, std::ostream& out, std::ostream& errors)
{
    return guarded(errors, 2, {&drive}, [&] {
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
            return 2;
        }
        for (const std::string& finding : findings)
            out << finding << "\n";
        return findings.empty() ? 0 : 1;
    });
}

} // namespace hostcommands
