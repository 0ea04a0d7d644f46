// nebpt-drive-sim: a drive on the network. Serves a drive image with a register
// map over Modbus TCP on 127.0.0.1, or over Modbus RTU on a serial device, the
// way a drive of its type answers (DriveServer.h), to many clients at once
// (DriveServerLoop.h). Accepted writes are saved to the image at once, atomically.
//
// For trying how a host copes with a failing fieldbus it can misbehave on
// purpose: `--fault SPEC`, as often as wanted, with requests counted over the
// whole process from 1 (all connections, every function), each fault once:
//   drop:N        request N is neither applied nor answered; its connection is closed
//   lose:N        request N is applied but not answered; its connection is closed
//   late:N:MS     request N is applied and answered MS milliseconds late
//   trickle:N:MS  request N is applied and its answer sent one byte every MS ms
//   refuse:R      every request covering register R gets exception 4 and is not
//                 applied (always, not counted)
// Each fault that fires is logged on stderr ("nebpt-drive-sim: fault drop at
// request 7"). `--idle-timeout SECONDS` (default 60, 0: never) closes a
// connection that has been silent (no byte either way) for that long.
//
// `--run` runs the drive's program as the drive's controller would
// (RunningProgram.h): the image's status block shows the controller's state and
// its input block takes the inputs the program reads (RegisterMap.h,
// docs/RUNTIME.md). A program that cannot run ends it with status 1.
//
// The first line on stdout tells where it listens ("listening on
// 127.0.0.1:40123", or the device); everything else goes to stderr, which never
// holds up serving: lines a reader does not take in time are dropped and
// counted (SimLog.h). SIGTERM or
// SIGINT ends it with status 0; an image or a port it cannot use (or with --run
// a program that cannot run), status 1; a wrong command line, status 2.

#include "DriveServer.h"
#include "DriveServerLoop.h"
#include "ExitStatus.h"
#include "RunningProgram.h"
#include "SimLog.h"
#include "SimulatedDrive.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <chrono>
#include <csignal>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stopping = 0;

struct Options
{
    int port = 502;
    int unit = 0; // 0: the image's
    ServeOptions serve;
    std::vector<int> failing; // refuse:R
    QString device;           // RTU on this device instead of TCP
    int baud = 19200;
    char parity = 'E';
    QString image;
    bool run = false; // run the drive's program
};

// Reads the command line; false after the usage on stderr.
bool parse(const QStringList& arguments, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves a drive image with a register map over Modbus TCP on 127.0.0.1, "
                       "or over Modbus RTU on a serial device, to many clients at once. For "
                       "trying how a host copes with a failing fieldbus, --fault makes it "
                       "misbehave on purpose; requests are counted over the whole process from "
                       "1, and each fault that fires is logged on stderr. With --run the drive "
                       "runs its program: the image's status block shows the controller's state "
                       "and its input block takes the inputs the program reads.\n\n"
                       "Exit status: 0 stopped by a signal, 1 failed (the image, the port or "
                       "the device cannot be used, or with --run the program cannot run), 2 "
                       "wrong command line."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The TCP port (default 502; 0: a free one)."),
                                  QStringLiteral("n"), QStringLiteral("502"));
    const QCommandLineOption latency(
        QStringLiteral("latency"),
        QStringLiteral("Answer every request this long after it came (others are served "
                       "meanwhile)."),
        QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption idle(
        QStringLiteral("idle-timeout"),
        QStringLiteral("Close a TCP connection silent for this long (default 60; 0: never)."),
        QStringLiteral("seconds"), QStringLiteral("60"));
    const QCommandLineOption fault(
        QStringLiteral("fault"),
        QStringLiteral("A fault, as often as wanted: drop:N (request N neither applied nor "
                       "answered, its connection closed), lose:N (applied, not answered, "
                       "connection closed), late:N:MS (applied, answered MS ms late), "
                       "trickle:N:MS (applied, answered one byte every MS ms), refuse:R "
                       "(every request covering register R gets exception 4, not applied)."),
        QStringLiteral("spec"));
    const QCommandLineOption unit(
        QStringLiteral("unit"), QStringLiteral("The unit id to answer to (default: the image's)."),
        QStringLiteral("n"));
    const QCommandLineOption rtu(QStringLiteral("rtu"),
                                 QStringLiteral("Serve Modbus RTU on this serial device."),
                                 QStringLiteral("device"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("RTU: the baud rate (default 19200)."),
                                  QStringLiteral("rate"), QStringLiteral("19200"));
    const QCommandLineOption parity(QStringLiteral("parity"),
                                    QStringLiteral("RTU: N, E or O (default E)."),
                                    QStringLiteral("N|E|O"), QStringLiteral("E"));
    const QCommandLineOption run(
        QStringLiteral("run"),
        QStringLiteral("Run the drive's program in real time, a scan each millisecond: the status "
                       "block (\"statusRegister\" of the image's \"modbus\") answers the "
                       "controller's state, the input block (\"inputRegister\") takes the inputs "
                       "the program reads. A write to a program parameter starts the controller "
                       "anew on the new program."));
    parser.addOptions({port, latency, idle, fault, unit, rtu, baud, parity, run});
    parser.addPositionalArgument(QStringLiteral("image"),
                                 QStringLiteral("The drive image (JSON) with a register map."));
    const auto usage = [&parser](const std::string& error) {
        std::cerr << "nebpt-drive-sim: " << error << "\n" << parser.helpText().toStdString();
        return false;
    };
    if (!parser.parse(arguments)) // an option it does not know, or one without its value
        return usage(parser.errorText().toStdString());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
        parser.isSet(QStringLiteral("version")))
        parser.process(arguments); // prints what was asked for and ends the process
    // Every option but --fault is given once at most.
    for (const QCommandLineOption* option :
         {&port, &latency, &idle, &unit, &rtu, &baud, &parity, &run}) {
        const QString name = option->names().front();
        if (parser.optionNames().count(name) > 1)
            return usage((QStringLiteral("--") + name + QStringLiteral(" is given more than once"))
                             .toStdString());
    }

    const auto number = [&](const QCommandLineOption& option, int lowest, int highest, int& into) {
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        if (!ok || value < lowest || value > highest)
            return false;
        into = value;
        return true;
    };
    int milliseconds = 0, seconds = 0;
    std::string error;
    if (parser.positionalArguments().size() != 1)
        error = "give one drive image";
    else if (!number(port, 0, 65535, options.port))
        error = "--port takes 0 to 65535";
    else if (!number(latency, 0, 60000, milliseconds))
        error = "--latency takes 0 to 60000 milliseconds";
    else if (!number(idle, 0, 86400, seconds))
        error = "--idle-timeout takes 0 to 86400 seconds";
    else if (parser.isSet(unit) && !number(unit, 1, 247, options.unit))
        error = "--unit takes 1 to 247";
    else if (!number(baud, 50, 4000000, options.baud))
        error = "--baud takes a baud rate";
    else if (!QStringList{"N", "E", "O"}.contains(parser.value(parity)))
        error = "--parity takes N, E or O";
    else if (parser.isSet(rtu) && parser.value(rtu).isEmpty())
        error = "--rtu takes a serial device, not an empty text";
    for (const QString& spec : parser.values(fault)) {
        if (error.empty())
            parseFault(spec.toStdString(), options.serve.faults, options.failing, error);
    }
    if (!error.empty())
        return usage(error);
    options.serve.latency = std::chrono::milliseconds(milliseconds);
    options.serve.idleTimeout = std::chrono::seconds(seconds);
    options.device = parser.value(rtu);
    options.parity = parser.value(parity).at(0).toLatin1();
    options.image = parser.positionalArguments().front();
    options.run = parser.isSet(run);
    return true;
}

void stopOnSignal()
{
    struct sigaction action = {};
    action.sa_handler = [](int) { g_stopping = 1; };
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN); // a client gone while it is answered
}

// Where the running program shows itself, on stderr.
void tellBlocks(const modbusmap::Map& map, const RunningProgram& program)
{
    std::cerr << "nebpt-drive-sim: running the program; ";
    if (map.statusAddress < 0 && map.inputAddress < 0) {
        std::cerr << "the image has neither a status nor an input block\n";
        return;
    }
    if (map.statusAddress >= 0)
        std::cerr << "status block at register " << map.statusAddress;
    if (map.statusAddress >= 0 && map.inputAddress >= 0)
        std::cerr << ", ";
    if (map.inputAddress >= 0) {
        std::cerr << "input block at register " << map.inputAddress << ", " << program.layoutText();
    }
    std::cerr << "\n";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nebpt-drive-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NEBPT_HOST_VERSION));
    Options options;
    if (!parse(QCoreApplication::arguments(), options))
        return kUsage;
    stopOnSignal();
    // From here on stderr never holds up serving (SimLog.h).
    const SimLog stderrLog(std::cerr, STDERR_FILENO);
    try {
        SimulatedDrive drive(options.image.toLocal8Bit().toStdString());
        if (drive.registerMap().empty()) {
            std::cerr << "nebpt-drive-sim: " << drive.imagePath()
                      << " has no register map (\"modbus\")\n";
            return kFailed;
        }
        if (drive.readOnly())
            std::cerr << "nebpt-drive-sim: every write is refused: " << drive.readOnlyReason()
                      << "\n";
        DriveServer server(drive, options.unit ? options.unit : drive.registerMap().unit,
                           std::cerr);
        for (const int address : options.failing)
            server.failRegister(address);
        std::unique_ptr<RunningProgram> program;
        if (options.run) {
            try {
                program = std::make_unique<RunningProgram>(drive, std::cerr);
            } catch (const NEBPT::ProgramError& error) {
                std::cerr << "nebpt-drive-sim: " << drive.imagePath()
                          << ": the program cannot be run: " << error.what() << "\n";
                return kFailed;
            }
            server.setController(program.get());
            tellBlocks(drive.registerMap(), *program);
        }
        if (options.device.isEmpty())
            return serveTcp(server, options.port, options.serve, g_stopping);
        return serveRtu(server, options.device.toLocal8Bit().toStdString(), options.baud,
                        options.parity, options.serve, g_stopping);
    } catch (const std::exception& error) {
        std::cerr << "nebpt-drive-sim: " << error.what() << "\n";
        return kFailed;
    }
}
