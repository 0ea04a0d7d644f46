#include "HostCommands.h"

#include "ProgramFile.h"
#include "ProgramPrint.h"

#include <QSaveFile>

#include <exception>
#include <vector>

namespace hostcommands {

namespace {

// Runs `work`; a failure goes to `errors` as one line and gives `failed`.
template <typename Work> int guarded(std::ostream& errors, int failed, Work work)
{
    try {
        return work();
    } catch (const std::exception& error) {
        errors << error.what() << "\n";
    } catch (...) {
        errors << "the drive failed\n";
    }
    return failed;
}

} // namespace

int exportProgram(IExtParamInterface& drive, const std::string& programPath, std::ostream& errors)
{
    return guarded(errors, 1, [&] {
        const QByteArray bytes = programfile::exportProgram(drive);
        QSaveFile file(QString::fromStdString(programPath));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            errors << programPath << ": " << file.errorString().toStdString() << "\n";
            return 1;
        }
        return 0;
    });
}

int importProgram(IExtParamInterface& programFile, IExtParamInterface& drive, bool dryRun,
                  std::ostream& out, std::ostream& errors)
{
    return guarded(errors, 1, [&] {
        const std::vector<programfile::Change> plan = programfile::planImport(programFile, drive);
        if (dryRun) {
            for (const programfile::Change& change : plan) {
                out << change.now.label << " " << change.now.text << " -> " << change.future.text
                    << " (" << change.now.identifier << ")\n";
            }
            out << plan.size() << (plan.size() == 1 ? " element" : " elements")
                << " would change; nothing written\n";
            return 0;
        }
        programfile::importProgram(drive, plan);
        out << plan.size() << (plan.size() == 1 ? " element" : " elements") << " written\n";
        return 0;
    });
}

int diffPrograms(IExtParamInterface& a, IExtParamInterface& b, std::ostream& out,
                 std::ostream& errors)
{
    return guarded(errors, 2, [&] {
        const std::vector<std::string> lines = programfile::compare(a, b);
        for (const std::string& line : lines)
            out << line << "\n";
        return lines.empty() ? 0 : 1;
    });
}

int checkProgram(IExtParamInterface& drive, std::ostream& out, std::ostream& errors)
{
    return guarded(errors, 2, [&] {
        std::vector<std::string> findings;
        std::string failure;
        if (!NEBPT::checkProgram(drive, findings, failure)) {
            errors << failure << "\n";
            return 2;
        }
        for (const std::string& finding : findings)
            out << finding << "\n";
        return findings.empty() ? 0 : 1;
    });
}

} // namespace hostcommands
