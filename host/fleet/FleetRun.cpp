#include "FleetRun.h"

#include "FleetFile.h"
#include "HostCommands.h"
#include "LinkDrive.h"
#include "ProgramFile.h"
#include "SimulatedDrive.h"

#include "framework/AtomicFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QThreadPool>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <future>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace fleet {

namespace {

using hostcommands::oneLine;

// What became of one drive.
struct DriveRecord
{
    FleetDrive drive;
    std::string type, firmware, database;
    std::string outcome;
    size_t written = 0;
    std::vector<std::string> differences; // before, as --diff tells them
    std::vector<std::string> notes;
    std::string failure;
    QDateTime start, end;
};

QString isoTime(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

// The login name of whoever runs the command.
std::string operatorName()
{
    if (const passwd* user = getpwuid(geteuid()); user && user->pw_name)
        return user->pw_name;
    const char* name = std::getenv("USER");
    return name ? name : "";
}

// The drives' states as the engineer sees them: a table drawn anew on a
// terminal, a line for each new state otherwise. Told from the workers.
class Board
{
public:
    Board(const std::vector<DriveRecord>& records, bool terminal, std::ostream& out,
          FleetObserver* observer)
        : m_terminal(terminal), m_out(out), m_observer(observer)
    {
        for (const DriveRecord& record : records) {
            m_names.push_back(oneLine(record.drive.name));
            m_width = std::max(m_width, m_names.back().size());
        }
        m_states.assign(records.size(), "waiting");
        m_percent.assign(records.size(), 0);
    }

    void set(size_t drive, const std::string& state, int percent)
    {
        if (m_observer)
            m_observer->driveState(drive, state, percent);
        const std::lock_guard held(m_lock);
        m_states[drive] = state;
        m_percent[drive] = percent;
        if (m_terminal)
            m_changed = true;
        else
            m_out << m_names[drive] << ": " << state << std::endl;
    }

    // On a terminal: the table drawn anew when anything changed.
    void draw()
    {
        const std::lock_guard held(m_lock);
        if (!m_terminal || !m_changed)
            return;
        m_changed = false;
        std::string text;
        if (m_drawn)
            text += "\x1b[" + std::to_string(m_names.size()) + "A";
        for (size_t i = 0; i < m_names.size(); ++i) {
            const int filled = m_percent[i] / 5;
            text += "\r\x1b[2K" + m_names[i] + std::string(m_width - m_names[i].size() + 2, ' ') +
                    m_states[i] +
                    std::string(m_states[i].size() < 16 ? 16 - m_states[i].size() : 1, ' ') + "[" +
                    std::string(static_cast<size_t>(filled), '#') +
                    std::string(static_cast<size_t>(20 - filled), ' ') + "] " +
                    std::to_string(m_percent[i]) + "%\n";
        }
        m_drawn = true;
        // Straight to the terminal: the escapes move the cursor.
        for (size_t at = 0; at < text.size();) {
            const ssize_t wrote = ::write(STDOUT_FILENO, text.data() + at, text.size() - at);
            if (wrote <= 0)
                break;
            at += static_cast<size_t>(wrote);
        }
    }

private:
    const bool m_terminal;
    std::ostream& m_out;
    FleetObserver* const m_observer;
    std::mutex m_lock;
    std::vector<std::string> m_names, m_states;
    std::vector<int> m_percent;
    size_t m_width = 0;
    bool m_changed = true, m_drawn = false;
};

// Runs `work` on the link's thread and waits for it; throws what it throws.
void onLinkThread(LinkDrive& link, const std::function<void()>& work)
{
    std::promise<void> done;
    link.post([&] {
        try {
            work();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    done.get_future().get();
}

// The differences --diff prints, without its head (the two drives) and its
// "No differences".
std::vector<std::string> differencesOf(const std::string& printed)
{
    std::vector<std::string> lines;
    std::istringstream text(printed);
    bool head = true;
    for (std::string line; std::getline(text, line);) {
        if (head && (line.rfind("Two drive types: ", 0) == 0 || line.rfind("From ", 0) == 0 ||
                     line.rfind("To ", 0) == 0))
            continue;
        head = false;
        if (line != "No differences")
            lines.push_back(line);
    }
    return lines;
}

bool cancelled(const FleetRequest& request)
{
    return request.cancel && request.cancel->load();
}

// One drive, on a worker thread: its outcome; what went wrong on `errors`.
std::string runDrive(DriveRecord& record, size_t index, const FleetRequest& request, Board& board,
                     std::ostream& errors)
{
    board.set(index, "connecting", 0);
    LinkDrive link(DriveName::ofLink(record.drive.connect, record.drive.profile, request.timeout),
                   std::string());
    try {
        onLinkThread(link, [&link] { link.connectDrive(); });
    } catch (const std::exception& error) {
        errors << error.what() << "\n";
        return "failed";
    }
    record.type = link.driveType();
    record.firmware = link.aocVersion();
    record.database = link.databaseVersion();
    if (cancelled(request))
        return "cancelled";

    board.set(index, "reading", 25);
    NEBPT::ProgramWorkflow workflow = programfile::workflow();
    SimulatedDrive program(request.program, SimulatedDrive::Access::Read);
    // From what the drive holds to the program.
    std::ostringstream printed, unread;
    const ExitStatus compared =
        hostcommands::diffPrograms(link, program, printed, unread, &workflow);
    if (compared != kFailed)
        record.differences = differencesOf(printed.str());
    if (request.diff) {
        errors << unread.str();
        return compared == kFailed ? "failed" : compared == kFound ? "differs" : "equal";
    }

    // The last moment a cancel leaves the drive as it was.
    if (cancelled(request))
        return "cancelled";
    board.set(index, compared == kDone ? "checking" : request.dryRun ? "planning" : "writing", 50);
    hostcommands::ImportResult result;
    std::ostringstream written;
    const ExitStatus status = hostcommands::importProgram(
        program, link, request.dryRun, request.round, written, errors, &workflow, &result);
    if (status == kDone) {
        if (result.changes == 0)
            return "identical";
        if (request.dryRun)
            return "would write";
        record.written = result.changes;
        return "written";
    }
    if (status == kPartlyWritten)
        return "partly written";
    return result.refused ? "refused" : "failed";
}

void runOne(DriveRecord& record, size_t index, const FleetRequest& request, Board& board)
{
    record.start = QDateTime::currentDateTimeUtc();
    std::ostringstream errors;
    try {
        record.outcome =
            cancelled(request) ? "cancelled" : runDrive(record, index, request, board, errors);
    } catch (const std::exception& error) {
        errors << error.what() << "\n";
        record.outcome = "failed";
    } catch (...) {
        errors << "the drive failed\n";
        record.outcome = "failed";
    }
    std::istringstream lines(errors.str());
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("note: ", 0) == 0)
            record.notes.push_back(oneLine(line.substr(6)));
        else if (!line.empty())
            record.failure += (record.failure.empty() ? "" : "; ") + oneLine(line);
    }
    if (record.outcome == "written" || record.outcome == "identical" || record.outcome == "equal" ||
        record.outcome == "would write" || record.outcome == "cancelled")
        record.failure.clear();
    record.end = QDateTime::currentDateTimeUtc();
    board.set(index, record.outcome, 100);
    if (request.observer)
        request.observer->driveEnded(index, record.outcome, record.failure);
}

QJsonArray texts(const std::vector<std::string>& lines)
{
    QJsonArray array;
    for (const std::string& line : lines)
        array.append(QString::fromStdString(line));
    return array;
}

// The run as a whole, as both reports file it.
struct RunFacts
{
    QString command, fleet, program;
    std::string sha256;
    QDateTime start, end;
};

RunFacts factsOf(const FleetRequest& request, const std::string& sha256, const QDateTime& start,
                 const QDateTime& end)
{
    return {request.diff     ? QStringLiteral("diff")
            : request.dryRun ? QStringLiteral("import --dry-run")
                             : QStringLiteral("import"),
            QFileInfo(QString::fromStdString(request.fleetFile)).absoluteFilePath(),
            QFileInfo(QString::fromStdString(request.program)).absoluteFilePath(),
            sha256,
            start,
            end};
}

QByteArray reportOf(const RunFacts& run, const std::vector<DriveRecord>& records)
{
    QJsonArray drives;
    for (const DriveRecord& record : records) {
        drives.append(QJsonObject{
            {QLatin1String("name"), QString::fromStdString(record.drive.name)},
            {QLatin1String("address"), QString::fromStdString(record.drive.connect)},
            {QLatin1String("profile"), QString::fromStdString(record.drive.profile)},
            {QLatin1String("identity"),
             QJsonObject{{QLatin1String("type"), QString::fromStdString(record.type)},
                         {QLatin1String("firmware"), QString::fromStdString(record.firmware)},
                         {QLatin1String("database"), QString::fromStdString(record.database)}}},
            {QLatin1String("outcome"), QString::fromStdString(record.outcome)},
            {QLatin1String("elementsWritten"), static_cast<qint64>(record.written)},
            {QLatin1String("differencesBefore"), texts(record.differences)},
            {QLatin1String("notes"), texts(record.notes)},
            {QLatin1String("start"), isoTime(record.start)},
            {QLatin1String("end"), isoTime(record.end)},
            {QLatin1String("failure"), QString::fromStdString(record.failure)}});
    }
    const QJsonObject root{{QLatin1String("operator"), QString::fromStdString(operatorName())},
                           {QLatin1String("host"), QSysInfo::machineHostName()},
                           {QLatin1String("command"), run.command},
                           {QLatin1String("fleet"), run.fleet},
                           {QLatin1String("program"), run.program},
                           {QLatin1String("programSha256"), QString::fromStdString(run.sha256)},
                           {QLatin1String("start"), isoTime(run.start)},
                           {QLatin1String("end"), isoTime(run.end)},
                           {QLatin1String("drives"), drives}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

// The printable report's own tables, in English as the command's output: the
// run before the program, the drives after it.
PrintoutTables printoutOf(const RunFacts& run, const std::vector<DriveRecord>& records)
{
    PrintoutTables tables;
    tables.first.push_back({"Fleet run",
                            {"Field", "Value"},
                            {{"Operator", operatorName()},
                             {"Host", QSysInfo::machineHostName().toStdString()},
                             {"Command", run.command.toStdString()},
                             {"Fleet file", run.fleet.toStdString()},
                             {"Program file", run.program.toStdString()},
                             {"Program SHA-256", run.sha256},
                             {"Started", isoTime(run.start).toStdString()},
                             {"Ended", isoTime(run.end).toStdString()}}});
    NEBPT::ProgramTable drives{
        "Drives",
        {"Drive", "Address", "Type, firmware, database", "Outcome", "Written", "Failure, notes"},
        {}};
    NEBPT::ProgramTable differences{
        run.command == "diff" ? "Differences" : "Differences before", {"Drive", "Difference"}, {}};
    for (const DriveRecord& record : records) {
        std::string identity = record.type;
        if (!record.type.empty())
            identity += ", AOC " + record.firmware + ", database " + record.database;
        std::string told = record.failure;
        for (const std::string& note : record.notes)
            told += (told.empty() ? "" : "; ") + note;
        drives.rows.push_back({record.drive.name, record.drive.connect, identity, record.outcome,
                               std::to_string(record.written), told});
        for (const std::string& difference : record.differences)
            differences.rows.push_back({record.drive.name, difference});
    }
    tables.last.push_back(std::move(drives));
    if (!differences.rows.empty())
        tables.last.push_back(std::move(differences));
    return tables;
}

ExitStatus statusOf(const FleetRequest& request, const std::vector<DriveRecord>& records)
{
    const auto any = [&records](const char* outcome) {
        return std::any_of(records.begin(), records.end(),
                           [outcome](const DriveRecord& r) { return r.outcome == outcome; });
    };
    if (request.diff)
        return any("failed") ? kFailed : any("differs") ? kFound : kDone;
    if (any("partly written"))
        return kPartlyWritten;
    return any("failed") || any("refused") || any("cancelled") ? kFailed : kDone;
}

} // namespace

ExitStatus runFleet(const FleetRequest& request, std::ostream& out, std::ostream& errors)
{
    std::vector<DriveRecord> records;
    try {
        for (FleetDrive& drive : readFleetFile(request.fleetFile)) {
            records.emplace_back();
            records.back().drive = std::move(drive);
        }
    } catch (const FleetFileError& error) {
        errors << "nebpt-host: " << oneLine(error.what()) << "\n";
        return kUsage;
    }
    std::vector<std::pair<std::string, std::string>> inputs{{"fleet file", request.fleetFile},
                                                            {"program file", request.program}};
    for (const DriveRecord& record : records)
        inputs.emplace_back("profile", record.drive.profile);
    for (const auto& [option, output] :
         {std::pair{"--report", &request.report}, std::pair{"--pdf", &request.pdf}}) {
        if (output->empty())
            continue;
        if (const std::string conflict = fw::outputConflict(*output, inputs); !conflict.empty()) {
            errors << "nebpt-host: " << option << ": " << oneLine(conflict)
                   << "; nothing written\n";
            return kUsage;
        }
        // The two reports are two files.
        inputs.emplace_back("report", *output);
    }

    // The program's fingerprint, over the program file as NEBPT writes it; its
    // tables, for the printable report, as --pdf prints them.
    std::string sha256;
    NEBPT::ProgramSections sections;
    try {
        SimulatedDrive program(request.program, SimulatedDrive::Access::Read);
        const QByteArray canonical =
            programfile::fileOf(programfile::workflow().exportProgram(program));
        if (!program.readFailure().empty())
            throw std::runtime_error(program.readFailure());
        sha256 =
            QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex().toStdString();
        std::ostringstream unread;
        if (!request.pdf.empty() &&
            hostcommands::readProgram(program, DriveName::ofImage(request.program), sections,
                                      unread) != kDone) {
            errors << unread.str(); // one line, naming the program file
            return kFailed;
        }
    } catch (const std::exception& error) {
        errors << oneLine(error.what()) << "\n";
        return kFailed;
    }

    const QDateTime start = QDateTime::currentDateTimeUtc();
    Board board(records, request.terminal, out, request.observer);
    board.draw();
    {
        QThreadPool pool;
        pool.setMaxThreadCount(std::max(1, request.jobs));
        for (size_t i = 0; i < records.size(); ++i)
            pool.start([&records, &request, &board, i] { runOne(records[i], i, request, board); });
        while (!pool.waitForDone(100))
            board.draw();
    }
    board.draw();
    const QDateTime end = QDateTime::currentDateTimeUtc();

    std::map<std::string, int> counts;
    for (const DriveRecord& record : records) {
        ++counts[record.outcome];
        if (!record.failure.empty())
            errors << oneLine(record.drive.name) << ": " << record.failure << "\n";
    }
    std::string summary;
    for (const auto& [outcome, count] : counts)
        summary += (summary.empty() ? "" : ", ") + std::to_string(count) + " " + outcome;
    out << records.size() << (records.size() == 1 ? " drive: " : " drives: ") << summary
        << std::endl;

    const ExitStatus status = statusOf(request, records);
    const RunFacts run = factsOf(request, sha256, start, end);
    bool filed = true;
    const std::string report = reportOf(run, records).toStdString();
    if (request.reportText)
        *request.reportText = report;
    if (!request.report.empty()) {
        std::string error;
        if (!fw::writeFileAtomically(request.report, report, error)) {
            errors << oneLine(error) << "\n";
            filed = false;
        }
    }
    if (!request.pdf.empty()) {
        QString error;
        if (!writeProgramPdf(QString::fromLocal8Bit(request.pdf.c_str()), sections, request.title,
                             end.toLocalTime(), error, printoutOf(run, records))) {
            errors << oneLine(error.toStdString()) << "\n";
            filed = false;
        }
    }
    if (!filed)
        return status == kDone || status == kFound ? kFailed : status;
    return status;
}

} // namespace fleet
