#include "DriveAddress.h"
#include "DriveDocument.h"
#include "ExitStatus.h"
#include "FieldCommands.h"
#include "FleetRun.h"
#include "HostCommands.h"
#include "HostWindow.h"
#include "OpenDrive.h"
#include "ProgramPrintout.h"
#include "ProgramWorkflow.h"
#include "SimulatedDrive.h"
#include "VerifyCommand.h"

#include "framework/MessageBox.h"
#include "framework/SystemPaths.h"
#include "framework/widgets/WidgetResources.h"

#include "framework/AtomicFile.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <QDateTime>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The languages the host has: a language library NEBPT_<language>.so beside it.
QStringList installedLanguages()
{
    QStringList languages;
    const QDir folder(QString::fromStdString(fw::executableDirectory()));
    for (const QString& file :
         folder.entryList({QStringLiteral("NEBPT_*.so")}, QDir::Files, QDir::Name)) {
        const QString name = file.mid(6, file.size() - 6 - 3);
        if (!name.isEmpty())
            languages << name;
    }
    return languages;
}

struct Options
{
    QString language = QStringLiteral("english");
    bool languageGiven = false;
    bool print = false; // print the program instead of running the window
    QString screenshot; // write a picture of the editor instead of running the window
    QString exportTo;   // --export: the program file to write
    QString importFrom; // --import: the program file to write into the drive
    bool dryRun = false;
    bool round = false;    // --import: round values to the drive's decimals
    bool diff = false;     // compare the programs of two images
    bool check = false;    // look through the program
    bool simulate = false; // run the program through a scenario
    QStringList scenarios; // --scenario: the scenario files, run one after the other
    QString plot;          // --plot: the timing diagram to write
    bool coverage = false; // --coverage: what the scenarios reached of the program
    QString pdf;           // --pdf: the program document to write
    TitleBlock title;      // --project, --author, --revision: the document's title block
    QString image;
    QString other;             // --diff: the second image
    QString address;           // --connect: a drive over Modbus instead of an image
    bool connectFirst = false; // --diff: --connect typed before the image
    QString profile;
    int timeoutMs = static_cast<int>(DriveName::kDefaultTimeout.count());
    verifycommand::Request verification;         // --verify, --diff --behaviour
    QString fleet;                               // --fleet: the fleet file (--import, --diff)
    int jobs = 8;                                // --jobs: drives of the fleet at once
    QString report;                              // --report: the fleet's report
    std::vector<fieldcommands::Assignment> sets; // --set: inputs of the connected drive
    QString record;                              // --record: the scenario to write
    double forSeconds = 0;                       // --for: how long to record

    // --trace-limit: the lines of the trace --simulate prints at most
    std::size_t traceLimit = scenario::kTraceLimit;

    // The drive the command works on: the (first) image, or the drive over the link.
    DriveName drive() const
    {
        return {image.toLocal8Bit().toStdString(), address.toStdString(),
                profile.toLocal8Bit().toStdString(), std::chrono::milliseconds(timeoutMs)};
    }
};

// What is wrong with how the options are given: one given twice, or with an
// empty value, or an empty drive image; empty when nothing.
QString misused(const QCommandLineParser& parser, const QList<QCommandLineOption>& options)
{
    const QStringList given = parser.optionNames();
    for (const QCommandLineOption& option : options) {
        const QString name = option.names().front();
        if (given.count(name) > 1 && name != QLatin1String("scenario"))
            return QStringLiteral("--%1 is given more than once").arg(name);
        if (!option.valueName().isEmpty() && parser.isSet(option) && parser.value(option).isEmpty())
            return QStringLiteral("--%1 needs a value, not an empty text").arg(name);
    }
    if (parser.positionalArguments().contains(QString()))
        return QStringLiteral("an empty drive image name");
    return {};
}

// Whether --connect comes before the drive image on the command line (--diff
// compares the two in the order typed). `options` tells which take a value.
bool connectTypedFirst(const QStringList& arguments, const QList<QCommandLineOption>& options)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QLatin1String("--")) || argument == QLatin1String("--"))
            return false; // the image, or what follows "--"
        const QString name = argument.mid(2).section(QLatin1Char('='), 0, 0);
        if (name == QLatin1String("connect"))
            return true;
        for (const QCommandLineOption& option : options) {
            if (!option.valueName().isEmpty() && option.names().contains(name) &&
                !argument.contains(QLatin1Char('=')))
                ++i; // its value
        }
    }
    return false;
}

// Reads the command line into `options`. --help, --help-all and --version are
// answered here (the process ends); a wrong command line gets what is wrong and the
// usage on stderr and false.
bool parse(int argc, char** argv, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The drive commissioning host: shows the controller program editor on a "
                       "drive image, prints the program, or takes a picture of the editor.\n\n") +
        QString::fromLatin1(kExitStatusHelp));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption language(
        QStringLiteral("language"),
        QStringLiteral("The language the host runs in (default: english)."), QStringLiteral("name"),
        options.language);
    const QCommandLineOption print(
        QStringLiteral("print"),
        QStringLiteral("Print the drive's controller program instead of showing the window."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Write a picture of the editor instead of showing the window."),
        QStringLiteral("file.png"));
    const QCommandLineOption exportTo(
        QStringLiteral("export"), QStringLiteral("Write the drive's program into a program file."),
        QStringLiteral("program.json"));
    const QCommandLineOption importFrom(
        QStringLiteral("import"),
        QStringLiteral("Write the program of a program file into the drive, when it fits."),
        QStringLiteral("program.json"));
    const QCommandLineOption dryRun(
        QStringLiteral("dry-run"),
        QStringLiteral("With --import: print what would change, element by element; write "
                       "nothing."));
    const QCommandLineOption round(
        QStringLiteral("round"),
        QStringLiteral("With --import: round values with more decimals than the drive keeps "
                       "(a note for each) instead of refusing the program."));
    const QCommandLineOption diff(
        QStringLiteral("diff"),
        QStringLiteral("Print how the programs of two drive images or program files differ "
                       "(exit status 0: equal, 4: different)."));
    const QCommandLineOption check(
        QStringLiteral("check"),
        QStringLiteral("List what is probably wrong in the program (exit status 0: nothing, "
                       "4: findings)."));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Run the drive's program on NEBPT's model of the controller through the "
                       "scenario of --scenario, in virtual time, and print a trace (exit status "
                       "0: every expectation holds, 1: one fails, 2: the scenario cannot be "
                       "used)."));
    const QCommandLineOption scenario(
        QStringLiteral("scenario"),
        QStringLiteral("With --simulate: the scenario (JSON): until when to run, what to set "
                       "when, what to expect. Given more than once, the scenarios run one after "
                       "the other, each from the controller's first scan."),
        QStringLiteral("scenario.json"));
    const QCommandLineOption plot(
        QStringLiteral("plot"),
        QStringLiteral("With --simulate: write the run as a timing diagram (.svg, .png, or .pdf "
                       "for A4 landscape): a lane per input, the active step, the timers, the "
                       "actions, failed expectations in red; one after the other for several "
                       "scenarios."),
        QStringLiteral("run.svg"));
    const QCommandLineOption coverage(
        QStringLiteral("coverage"),
        QStringLiteral("With --simulate: after the trace, a table of what the scenarios reached "
                       "together: the pairs, the comparators and logic rules seen both true and "
                       "false, the timers that ran out (shaded in --plot when not). The exit "
                       "status stays that of the expectations."));
    const QCommandLineOption traceLimit(
        QStringLiteral("trace-limit"),
        QStringLiteral("With --simulate: print at most this many lines of the trace, then how "
                       "many were left out (default: 100000)."),
        QStringLiteral("lines"));
    const QCommandLineOption pdf(
        QStringLiteral("pdf"),
        QStringLiteral("Write the program as a document (PDF, A4): a title block, the flow drawn "
                       "as a diagram and the tables, in the language of --language. With "
                       "--fleet: the fleet's report as such a document, with its drives."),
        QStringLiteral("out.pdf"));
    const QCommandLineOption project(
        QStringLiteral("project"),
        QStringLiteral("With --pdf: the project in the document's title block."),
        QStringLiteral("text"));
    const QCommandLineOption author(
        QStringLiteral("author"),
        QStringLiteral("With --pdf: the author in the document's title block."),
        QStringLiteral("name"));
    const QCommandLineOption revision(
        QStringLiteral("revision"),
        QStringLiteral("With --pdf: the revision in the document's title block."),
        QStringLiteral("text"));
    const QCommandLineOption connect(
        QStringLiteral("connect"),
        QStringLiteral("Work with a drive over Modbus instead of a drive image (the window, "
                       "--print, --screenshot): tcp://HOST:PORT[/UNIT] or "
                       "rtu:DEVICE[?baud=19200&parity=E&unit=1]. Needs --profile."),
        QStringLiteral("address"));
    const QCommandLineOption profile(
        QStringLiteral("profile"),
        QStringLiteral("The drive image (JSON, with a register map) that describes the "
                       "connected drive's type."),
        QStringLiteral("profile.json"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("How long to wait for each answer of the connected drive (default: 1000)."),
        QStringLiteral("ms"));
    QList<QCommandLineOption> all{language,   print,  screenshot, exportTo, importFrom, dryRun,
                                  round,      diff,   check,      simulate, scenario,   pdf,
                                  project,    author, revision,   connect,  profile,    timeout,
                                  traceLimit, plot,   coverage};
    const QCommandLineOption fleet(
        QStringLiteral("fleet"),
        QStringLiteral("With --import or --diff (a program file each): every drive the fleet "
                       "file (JSON) names, over Modbus, several at once (exit status with "
                       "--import: 0 all written or identical, 3 any partly written, 1 any failed "
                       "or refused; with --diff: 0 all equal, 4 any differs, 1 any unread)."),
        QStringLiteral("fleet.json"));
    const QCommandLineOption jobs(
        QStringLiteral("jobs"),
        QStringLiteral("With --fleet: how many drives at once (default: 8)."), QStringLiteral("n"));
    const QCommandLineOption report(
        QStringLiteral("report"),
        QStringLiteral("With --fleet: write what became of each drive into a report (JSON)."),
        QStringLiteral("report.json"));
    all << fleet << jobs << report;
    all << verifycommand::options();
    parser.addOptions(all);
    // Given once for each input: not one of `all`, which are given at most once.
    const QCommandLineOption set(
        QStringLiteral("set"),
        QStringLiteral("With --connect: set an input of a drive with an input block (a drive "
                       "that runs its program, nebpt-drive-sim --run) by its name, after "
                       "checking the block's layout: \"Digital input 18=true\", \"Motor "
                       "speed=1500\" (true, false or a whole number). Once for each input."),
        QStringLiteral("INPUT=VALUE"));
    parser.addOption(set);
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("With --connect and --for: poll the drive's status and input blocks as "
                       "the monitor does and write what it saw as a scenario for --simulate "
                       "(the inputs set, the steps seen within a poll's time)."),
        QStringLiteral("out.json"));
    const QCommandLineOption forTime(QStringLiteral("for"),
                                     QStringLiteral("With --record: how long to record."),
                                     QStringLiteral("seconds"));
    parser.addOptions({record, forTime});
    parser.addPositionalArgument(
        QStringLiteral("image"),
        QStringLiteral("The drive image (JSON) to open; --diff takes two (images or program "
                       "files)."),
        QStringLiteral("[<drive image.json>]"));

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    if (!parser.parse(arguments)) {
        error = parser.errorText();
    } else if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
               parser.isSet(QStringLiteral("version"))) {
        QCoreApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("nebpt-host"));
        QCoreApplication::setApplicationVersion(QStringLiteral(NEBPT_HOST_VERSION));
        parser.process(application); // prints what was asked for and ends the process
    } else if (const QString wrong = misused(parser, all); !wrong.isEmpty()) {
        error = wrong;
    } else {
        const QList<QCommandLineOption> operations{print, screenshot, exportTo, importFrom,
                                                   diff,  check,      simulate, pdf};
        QStringList chosen;
        for (const QCommandLineOption& operation : operations) {
            // With --fleet, --pdf files the fleet's report beside its import or drift check.
            if (parser.isSet(operation) &&
                !(parser.isSet(fleet) && operation.names() == pdf.names()))
                chosen << QStringLiteral("--") + operation.names().front();
        }
        const qsizetype images = parser.positionalArguments().size();
        const bool linked = parser.isSet(connect);
        if (chosen.size() > 1)
            error = chosen.join(QStringLiteral(" and ")) + QStringLiteral(" do not go together");
        else if ((parser.isSet(jobs) || parser.isSet(report)) && !parser.isSet(fleet))
            error = QStringLiteral("--jobs and --report go with --fleet");
        else if (parser.isSet(fleet) && !parser.isSet(importFrom) && !parser.isSet(diff))
            error = QStringLiteral("--fleet needs --import or --diff");
        else if (parser.isSet(fleet) &&
                 (images != (parser.isSet(diff) ? 1 : 0) || linked || parser.isSet(profile)))
            error = parser.isSet(diff)
                        ? QStringLiteral("--fleet --diff takes one program file")
                        : QStringLiteral("--fleet takes its drives from the fleet file alone");
        else if (parser.isSet(dryRun) && !parser.isSet(importFrom))
            error = QStringLiteral("--dry-run goes with --import");
        else if (parser.isSet(round) && !parser.isSet(importFrom))
            error = QStringLiteral("--round goes with --import");
        else if ((parser.isSet(project) || parser.isSet(author) || parser.isSet(revision)) &&
                 !parser.isSet(pdf))
            error = QStringLiteral("--project, --author and --revision go with --pdf");
        else if (parser.isSet(set) &&
                 (!chosen.isEmpty() || !linked || parser.isSet(fleet) || parser.isSet(record)))
            error = QStringLiteral("--set goes with --connect and --profile alone");
        else if (parser.isSet(record) &&
                 (!chosen.isEmpty() || !linked || parser.isSet(fleet) || !parser.isSet(forTime)))
            error = QStringLiteral("--record goes with --connect, --profile and --for alone");
        else if (parser.isSet(forTime) && !parser.isSet(record))
            error = QStringLiteral("--for goes with --record");
        else if (parser.optionNames().count(QStringLiteral("record")) > 1 ||
                 parser.optionNames().count(QStringLiteral("for")) > 1)
            error = QStringLiteral("--record and --for are given once");
        else if (parser.isSet(record) && parser.value(record).isEmpty())
            error = QStringLiteral("--record needs a value, not an empty text");
        else if ((parser.isSet(plot) || parser.isSet(coverage)) && !parser.isSet(simulate))
            error = QStringLiteral("--plot and --coverage go with --simulate");
        else if (parser.isSet(plot) &&
                 !QStringList{QStringLiteral("svg"), QStringLiteral("png"), QStringLiteral("pdf")}
                      .contains(QFileInfo(parser.value(plot)).suffix().toLower()))
            error = QStringLiteral("--plot needs a file name ending in .svg, .png or .pdf");
        else if (parser.isSet(scenario) != parser.isSet(simulate))
            error = parser.isSet(simulate) ? QStringLiteral("--simulate needs --scenario")
                                           : QStringLiteral("--scenario goes with --simulate");
        else if (parser.isSet(diff) && !parser.isSet(fleet) && images + (linked ? 1 : 0) != 2)
            error = linked ? QStringLiteral("--diff compares the connected drive with one image")
                           : QStringLiteral("--diff compares two drive images");
        else if (!parser.isSet(diff) && images > 1)
            error = QStringLiteral("more than one drive image");
        else if (linked && images > 0 && !parser.isSet(diff))
            error = QStringLiteral("--connect and a drive image do not go together");
        else if (linked != parser.isSet(profile))
            error = linked ? QStringLiteral("--connect needs --profile")
                           : QStringLiteral("--profile goes with --connect");
        else if (parser.isSet(timeout) && !linked && !parser.isSet(fleet))
            error = QStringLiteral("--timeout goes with --connect");
        else if (!chosen.isEmpty() && images == 0 && !linked && !parser.isSet(fleet))
            error = QStringLiteral("no drive image");
    }
    if (error.isEmpty())
        error = verifycommand::read(parser, options.verification);
    if (error.isEmpty() && parser.isSet(timeout)) {
        bool number = false;
        options.timeoutMs = parser.value(timeout).toInt(&number);
        if (!number || options.timeoutMs < 1 || options.timeoutMs > 600000)
            error = QStringLiteral("--timeout needs a number of milliseconds from 1 to 600000");
    }
    if (error.isEmpty() && parser.isSet(traceLimit)) {
        bool number = false;
        const qlonglong lines = parser.value(traceLimit).toLongLong(&number);
        if (!parser.isSet(simulate))
            error = QStringLiteral("--trace-limit goes with --simulate");
        else if (!number || lines < 0 || lines > 1000000000)
            error = QStringLiteral("--trace-limit needs a number of lines from 0 to 1000000000");
        else
            options.traceLimit = static_cast<std::size_t>(lines);
    }
    if (error.isEmpty() && parser.isSet(jobs)) {
        bool number = false;
        options.jobs = parser.value(jobs).toInt(&number);
        if (!number || options.jobs < 1 || options.jobs > 256)
            error = QStringLiteral("--jobs needs a number from 1 to 256");
    }
    if (error.isEmpty() && parser.isSet(language)) {
        // The languages are the language libraries beside the host.
        const QStringList languages = installedLanguages();
        if (!languages.contains(parser.value(language)))
            error = QStringLiteral("--language \"%1\" is not one of the languages the host has: %2")
                        .arg(parser.value(language), languages.join(QStringLiteral(", ")));
    }
    if (error.isEmpty() && parser.isSet(forTime)) {
        bool number = false;
        options.forSeconds = parser.value(forTime).toDouble(&number);
        if (!number || !(options.forSeconds >= 0.25 && options.forSeconds <= 86400))
            error = QStringLiteral("--for needs a number of seconds from 0.25 to 86400");
    }
    for (const QString& text : parser.values(set)) {
        fieldcommands::Assignment assignment;
        std::string reason;
        if (!error.isEmpty())
            break;
        if (fieldcommands::readAssignment(text.toStdString(), assignment, reason))
            options.sets.push_back(assignment);
        else
            error = QString::fromStdString(reason);
    }
    if (error.isEmpty() && parser.isSet(connect)) {
        try {
            DriveAddress::parse(parser.value(connect).toStdString());
        } catch (const DriveAddressError& wrong) {
            error = QString::fromStdString(wrong.what());
        }
    }
    if (!error.isEmpty()) {
        const QCoreApplication application(argc, argv); // the usage names the executable
        std::cerr << "nebpt-host: " << error.toStdString() << "\n"
                  << parser.helpText().toStdString();
        return false;
    }
    options.language = parser.value(language);
    options.languageGiven = parser.isSet(language);
    options.print = parser.isSet(print);
    options.screenshot = parser.value(screenshot);
    options.exportTo = parser.value(exportTo);
    options.importFrom = parser.value(importFrom);
    options.dryRun = parser.isSet(dryRun);
    options.round = parser.isSet(round);
    options.diff = parser.isSet(diff);
    options.check = parser.isSet(check);
    options.simulate = parser.isSet(simulate);
    options.scenarios = parser.values(scenario);
    options.plot = parser.value(plot);
    options.coverage = parser.isSet(coverage);
    options.pdf = parser.value(pdf);
    options.title = {parser.value(project), parser.value(author), parser.value(revision)};
    if (!parser.positionalArguments().isEmpty())
        options.image = parser.positionalArguments().front();
    if (parser.positionalArguments().size() > 1)
        options.other = parser.positionalArguments().at(1);
    options.address = parser.value(connect);
    options.connectFirst = connectTypedFirst(arguments, all);
    options.profile = parser.value(profile);
    options.fleet = parser.value(fleet);
    options.report = parser.value(report);
    options.record = parser.value(record);
    return true;
}

std::string local(const QString& path)
{
    return path.toLocal8Bit().toStdString();
}

// Why the command would write over one of its inputs or into something that is
// no regular file; empty when it would not.
std::string outputConflict(const Options& options)
{
    const std::vector<std::pair<std::string, std::string>> inputs{
        {"drive image", local(options.image)},
        {"drive image", local(options.other)},
        {"program file", local(options.importFrom)},
        {"profile", local(options.profile)}};
    std::vector<std::pair<std::string, std::string>> read = inputs;
    for (const QString& scenario : options.scenarios)
        read.emplace_back("scenario", local(scenario));
    for (const auto& [option, output] :
         {std::pair{"--export", &options.exportTo}, std::pair{"--pdf", &options.pdf},
          std::pair{"--record", &options.record}, std::pair{"--screenshot", &options.screenshot},
          std::pair{"--plot", &options.plot}}) {
        if (output->isEmpty())
            continue;
        const std::string conflict = fw::outputConflict(local(*output), read);
        if (!conflict.empty())
            return std::string(option) + ": " + conflict + "; nothing written";
    }
    return {};
}

// Writes what goes to a terminal with every control character but a line end and
// a tab as an escape ("\x1b"), so that texts from a drive or a file (names,
// choice texts, messages naming them) can neither move the cursor nor retitle
// the window. It escapes always, not only on a terminal: output saved to a file
// is shown on one later. Unbuffered: everything goes straight to `target`.
class EscapingBuffer : public std::streambuf
{
public:
    EscapingBuffer(std::ostream& stream) : m_stream(stream), m_target(stream.rdbuf())
    {
        m_stream.rdbuf(this);
    }
    ~EscapingBuffer() override { m_stream.rdbuf(m_target); }
    EscapingBuffer(const EscapingBuffer&) = delete;
    EscapingBuffer& operator=(const EscapingBuffer&) = delete;

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const auto byte = static_cast<unsigned char>(traits_type::to_char_type(c));
        if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            return m_target->sputn(escape, 4) == 4 ? c : traits_type::eof();
        }
        return traits_type::eq_int_type(m_target->sputc(static_cast<char>(byte)),
                                        traits_type::eof())
                   ? traits_type::eof()
                   : c;
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        for (std::streamsize i = 0; i < count; ++i) {
            if (traits_type::eq_int_type(overflow(traits_type::to_int_type(text[i])),
                                         traits_type::eof()))
                return i;
        }
        return count;
    }
    int sync() override { return m_target->pubsync(); }

private:
    std::ostream& m_stream;
    std::streambuf* m_target;
};

// Without a display, Qt's offscreen platform reports what it lacks; that is no news here.
void quietOffscreenPlatform()
{
    static const QtMessageHandler standard = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message.contains(QLatin1String("propagateSizeHints")) ||
                message.contains(QLatin1String("XDG_RUNTIME_DIR")))
                return;
            standard(type, context, message);
        });
}

// The application of a command without a window; one that paints (a PDF, a
// picture) needs fonts: a GUI application, on no screen.
std::unique_ptr<QCoreApplication> commandApplication(int& argc, char** argv, bool paints)
{
    if (!paints)
        return std::make_unique<QCoreApplication>(argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    quietOffscreenPlatform();
    return std::make_unique<QGuiApplication>(argc, argv);
}

// Where the window keeps its settings, as QSettings() names the file:
// ${XDG_CONFIG_HOME:-~/.config}/nebpt/nebpt-host.conf.
QString settingsFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .absoluteFilePath(QCoreApplication::organizationName() + QLatin1Char('/') +
                          QCoreApplication::applicationName() + QStringLiteral(".conf"));
}

// The settings in `file`; null, with a line in the log, when the file cannot be
// read without harm: QSettings reads it whole as it is made, so a FIFO would hold
// the window before it opens, and a file of hundreds of megabytes take minutes
// and gigabytes. The window then starts without settings and keeps none. (The
// lock file QSettings takes at each write is checked by the window.)
std::unique_ptr<QSettings> openSettings(const QString& file)
{
    constexpr qint64 kMostSettingsBytes = 1024 * 1024;
    struct stat status
    {};
    QString why;
    // A file not there yet is made at the first write.
    if (stat(QFile::encodeName(file).constData(), &status) == 0) {
        if (!S_ISREG(status.st_mode))
            why = QStringLiteral("it is no regular file");
        else if (status.st_size > kMostSettingsBytes)
            why =
                QStringLiteral("it holds %1 bytes; settings take at most 1 MB").arg(status.st_size);
    }
    if (why.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::NativeFormat);
    NEBPT::logHostFailure(QStringLiteral("the settings in %1 cannot be used: %2; the window starts "
                                         "without them and does not keep its own")
                              .arg(file, why)
                              .toStdString(),
                          "host/app/main.cpp", __LINE__);
    return nullptr;
}

// Shows the editor on the drive the options name in a window without a display;
// false when it cannot. Questions are answered No, so that nothing shown this way
// ever changes the drive; messages go to stderr.
// Each window of nebpt-host open at once holds a place, an flock()ed file in the
// settings folder, so that a second window opens offset from the first rather
// than on top of it where the settings put both. The lock goes with the process.
int takeWindowPlace(const QString& folder)
{
    constexpr int kPlaces = 16;
    QDir().mkpath(folder);
    for (int place = 0; place < kPlaces; ++place) {
        const QByteArray path =
            QFile::encodeName(folder + QStringLiteral("/.window-%1.lock").arg(place));
        struct stat status
        {};
        // Only a regular file of our own is locked: never a link, a FIFO or a device.
        if (lstat(path.constData(), &status) == 0 && !S_ISREG(status.st_mode))
            continue;
        const int fd =
            open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0)
            continue;
        if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0)
            return place; // held open until the process ends
        close(fd);
    }
    return 0;
}

// Runs the event loop until `job` has finished; whether it succeeded (false
// without a job).
bool finished(DriveJob* job)
{
    if (!job)
        return false;
    bool succeeded = false;
    QObject::connect(job, &DriveJob::finished, [&succeeded](bool done) {
        succeeded = done;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    return succeeded;
}

// Opens the drive the options name as a document without a view (the
// application made already); false with the reason it gives when it cannot.
bool openHeadless(DriveDocument& document, const DriveName& name, DriveUse use, std::string& reason)
{
    const QMetaObject::Connection told = QObject::connect(
        &document, &DriveDocument::problem, [&reason](const DriveProblem& problem) {
            if (reason.empty())
                reason = problem.reason.empty() ? problem.text.toStdString() : problem.reason;
        });
    const bool opened = finished(document.open(name, use));
    QObject::disconnect(told);
    return opened;
}

bool showOffscreen(HostWindow& window, const Options& options)
{
    fw::setMessageBoxHandler([](const std::string& text, const std::string&, unsigned type) {
        std::cerr << text << "\n";
        return (type & 0xF) == fw::MB_YESNO ? fw::IDNO : fw::IDOK;
    });
    window.show();
    if (!finished(options.address.isEmpty()
                      ? window.openImage(options.image)
                      : window.connectDrive(options.address, options.profile, options.timeoutMs)))
        return false;
    QApplication::processEvents();
    return true;
}

// Saves a picture of the window showing the editor.
int screenshot(const Options& options)
{
    HostWindow window(options.language);
    if (!showOffscreen(window, options))
        return kFailed;
    // Made in memory and written whole: a picture that cannot be made leaves the
    // file as it was.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QByteArray suffix = QFileInfo(options.screenshot).suffix().toLower().toLatin1();
    const QByteArray format =
        QImageWriter::supportedImageFormats().contains(suffix) ? suffix : QByteArray("png");
    std::string error;
    if (!window.grab().save(&buffer, format.constData())) {
        std::cerr << local(options.screenshot) << ": cannot make the picture\n";
        return kFailed;
    }
    if (!fw::writeFileAtomically(local(options.screenshot), bytes.toStdString(), error)) {
        std::cerr << error << "\n";
        return kFailed;
    }
    return kDone;
}

// --print, --simulate, --export, --import, --diff and --check on a drive image
// or over a link, opened as a document without a view (many could run at
// once); the status they end with.
int runOnDrive(int argc, char** argv, const Options& options)
{
    const auto application = commandApplication(argc, argv, !options.plot.isEmpty());
    hostcommands::Simulation simulation;
    simulation.traceLimit = options.traceLimit;
    simulation.plot = local(options.plot);
    simulation.coverage = options.coverage;
    for (const QString& path : options.scenarios) {
        // A scenario that cannot be used is a wrong command line, whatever the drive.
        simulation.scenarios.emplace_back();
        if (const ExitStatus status =
                hostcommands::loadScenario(local(path), simulation.scenarios.back(), std::cerr);
            status != kDone)
            return status;
    }
    const DriveName name = options.drive();
    const bool writes = !options.importFrom.isEmpty() && !options.dryRun;
    DriveDocument document;
    std::string reason;
    if (!openHeadless(document, name, writes ? DriveUse::Write : DriveUse::Read, reason)) {
        std::cerr << hostcommands::oneLine(reason) << "\n";
        return kFailed;
    }
    HostDrive& drive = *document.drive();
    NEBPT::ProgramWorkflow& workflow = document.workflow();
    const std::string language = options.languageGiven ? options.language.toStdString() : "";
    if (options.verification.wanted())
        return verifycommand::run(drive, name, options.verification,
                                  options.address.isEmpty() || options.connectFirst, std::cout,
                                  std::cerr, &workflow);
    if (options.print)
        return hostcommands::printProgram(drive, name, std::cout, std::cerr, language);
    if (options.simulate)
        return hostcommands::simulateProgram(drive, name, simulation, std::cout, std::cerr,
                                             &workflow);
    try {
        if (options.diff) {
            // Over a link, the one image given is the other program; in the order typed.
            SimulatedDrive other(local(options.address.isEmpty() ? options.other : options.image),
                                 SimulatedDrive::Access::Read);
            if (!options.address.isEmpty() && !options.connectFirst)
                return hostcommands::diffPrograms(other, drive, std::cout, std::cerr, &workflow);
            return hostcommands::diffPrograms(drive, other, std::cout, std::cerr, &workflow);
        }
        if (options.check)
            return hostcommands::checkProgram(drive, std::cout, std::cerr);
        if (!options.exportTo.isEmpty())
            return hostcommands::exportProgram(drive, local(options.exportTo), std::cerr,
                                               &workflow);
        if (drive.readOnly() && !options.dryRun) {
            std::cerr << drive.readOnlyReason() << "; nothing written\n";
            return kFailed;
        }
        SimulatedDrive program(local(options.importFrom), SimulatedDrive::Access::Read);
        return hostcommands::importProgram(program, drive, options.dryRun, options.round, std::cout,
                                           std::cerr, &workflow);
    } catch (const std::exception& error) {
        std::cerr << hostcommands::oneLine(error.what()) << "\n";
    }
    return kFailed;
}

// --fleet: the program into every drive of the fleet file, or compared with each.
int runFleet(int argc, char** argv, const Options& options)
{
    const auto application = commandApplication(argc, argv, !options.pdf.isEmpty());
    fleet::FleetRequest request;
    request.fleetFile = local(options.fleet);
    request.program = local(options.diff ? options.image : options.importFrom);
    request.diff = options.diff;
    request.dryRun = options.dryRun;
    request.round = options.round;
    request.jobs = options.jobs;
    request.report = local(options.report);
    request.pdf = local(options.pdf);
    request.title = options.title;
    request.timeout = std::chrono::milliseconds(options.timeoutMs);
    request.terminal = isatty(STDOUT_FILENO) != 0;
    return fleet::runFleet(request, std::cout, std::cerr);
}

// Writes the program document.
int writePdf(const Options& options)
{
    const DriveName name = options.drive();
    DriveDocument document;
    std::string reason;
    if (!openHeadless(document, name, DriveUse::Read, reason)) {
        std::cerr << hostcommands::oneLine(reason) << "\n";
        return kFailed;
    }
    NEBPT::ProgramSections sections;
    std::ostringstream errors;
    const std::string language = options.languageGiven ? options.language.toStdString() : "";
    if (hostcommands::readProgram(*document.drive(), name, sections, errors, language) != kDone) {
        std::cerr << errors.str();
        return kFailed;
    }
    QString error;
    if (!writeProgramPdf(options.pdf, sections, options.title, QDateTime::currentDateTime(),
                         error)) {
        std::cerr << error.toStdString() << "\n";
        return kFailed;
    }
    return kDone;
}

} // namespace

int main(int argc, char** argv)
{
    const EscapingBuffer escapedOut(std::cout), escapedErrors(std::cerr);
    Options options;
    if (!parse(argc, argv, options))
        return kUsage;
    if (const std::string conflict = outputConflict(options); !conflict.empty()) {
        std::cerr << "nebpt-host: " << conflict << "\n";
        return kUsage;
    }
    if (!options.fleet.isEmpty())
        return runFleet(argc, argv, options);
    if (!options.sets.empty()) {
        const QCoreApplication application(argc, argv);
        return fieldcommands::setInputs(options.address.toStdString(), local(options.profile),
                                        std::chrono::milliseconds(options.timeoutMs), options.sets,
                                        std::cout, std::cerr);
    }
    if (!options.record.isEmpty()) {
        const QCoreApplication application(argc, argv);
        // Polled as the window's monitor polls.
        return fieldcommands::record(
            options.address.toStdString(), local(options.profile),
            std::chrono::milliseconds(options.timeoutMs),
            std::chrono::milliseconds(std::llround(options.forSeconds * 1000)),
            ControllerPoller::kInterval, local(options.record), std::cout, std::cerr);
    }
    if (options.print || options.simulate || options.diff || options.check ||
        options.verification.wanted() || !options.exportTo.isEmpty() ||
        !options.importFrom.isEmpty()) {
        return runOnDrive(argc, argv, options);
    }
    const bool offscreen = !options.screenshot.isEmpty() || !options.pdf.isEmpty();
    if (offscreen) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        quietOffscreenPlatform();
    }

    QApplication application(argc, argv);
    // Where QSettings keeps what the window remembers: ~/.config/nebpt/nebpt-host.conf.
    QApplication::setOrganizationName(QStringLiteral("nebpt"));
    QApplication::setApplicationName(QStringLiteral("nebpt-host"));
    QApplication::setApplicationDisplayName(QStringLiteral("nebpt-host"));
    // The desktop entry the windows belong to (Wayland's app id); on X11 their
    // WM_CLASS is the application's name, the entry's StartupWMClass.
    QApplication::setDesktopFileName(QStringLiteral("nebpt"));
    if (!options.screenshot.isEmpty())
        return screenshot(options);
    if (!options.pdf.isEmpty())
        return writePdf(options);

    fw::installWidgetMessageBox();
    HostWindow window(options.language);
    const QString settings = settingsFile();
    window.rememberIn(openSettings(settings));
    if (!options.languageGiven && !window.rememberedLanguage().isEmpty())
        window.setLanguage(window.rememberedLanguage());
    window.offsetBy(takeWindowPlace(QFileInfo(settings).absolutePath()));
    window.show();
    // Opened once the window is on the screen, so that a message box has its owner.
    if (!options.address.isEmpty()) {
        QTimer::singleShot(0, &window, [&window, &options] {
            window.connectDrive(options.address, options.profile, options.timeoutMs);
        });
    } else if (!options.image.isEmpty()) {
        const QString image = options.image;
        QTimer::singleShot(0, &window, [&window, image] { window.openImage(image); });
    }
    return application.exec();
}
