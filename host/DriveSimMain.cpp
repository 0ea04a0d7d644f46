// nebpt-drive-sim: a drive on the network. Serves a drive image with a register
// map over Modbus TCP on 127.0.0.1, or over Modbus RTU on a serial device, the
// way a drive of its type answers (DriveServer.h). Accepted writes are saved to
// the image at once, atomically.
//
// The first line on stdout tells where it listens ("listening on
// 127.0.0.1:40123", or the device); everything else goes to stderr. SIGTERM or
// SIGINT ends it with status 0; an image or a port it cannot use, status 1; a
// wrong command line, status 2.

#include "DriveServer.h"
#include "SimulatedDrive.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <iostream>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stopping = 0;

struct Options
{
    int port = 502;
    int unit = 0; // 0: the image's
    std::chrono::milliseconds latency{0};
    QString device; // RTU on this device instead of TCP
    int baud = 19200;
    char parity = 'E';
    QString image;
};

// Reads the command line; false after the usage on stderr.
bool parse(const QStringList& arguments, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves a drive image with a register map over Modbus TCP on 127.0.0.1, "
                       "or over Modbus RTU on a serial device."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The TCP port (default 502; 0: a free one)."),
                                  QStringLiteral("n"), QStringLiteral("502"));
    const QCommandLineOption latency(QStringLiteral("latency"),
                                     QStringLiteral("Wait this long before every answer."),
                                     QStringLiteral("ms"), QStringLiteral("0"));
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
    parser.addOptions({port, latency, unit, rtu, baud, parity});
    parser.addPositionalArgument(QStringLiteral("image"),
                                 QStringLiteral("The drive image (JSON) with a register map."));
    parser.process(arguments); // answers --help and --version, ends on unknown options

    const auto number = [&](const QCommandLineOption& option, int lowest, int highest, int& into) {
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        if (!ok || value < lowest || value > highest)
            return false;
        into = value;
        return true;
    };
    int milliseconds = 0;
    QString error;
    if (parser.positionalArguments().size() != 1)
        error = QStringLiteral("give one drive image");
    else if (!number(port, 0, 65535, options.port))
        error = QStringLiteral("--port takes 0 to 65535");
    else if (!number(latency, 0, 60000, milliseconds))
        error = QStringLiteral("--latency takes 0 to 60000 milliseconds");
    else if (parser.isSet(unit) && !number(unit, 1, 247, options.unit))
        error = QStringLiteral("--unit takes 1 to 247");
    else if (!number(baud, 50, 4000000, options.baud))
        error = QStringLiteral("--baud takes a baud rate");
    else if (!QStringList{"N", "E", "O"}.contains(parser.value(parity)))
        error = QStringLiteral("--parity takes N, E or O");
    if (!error.isEmpty()) {
        std::cerr << "nebpt-drive-sim: " << error.toStdString() << "\n"
                  << parser.helpText().toStdString();
        return false;
    }
    options.latency = std::chrono::milliseconds(milliseconds);
    options.device = parser.value(rtu);
    options.parity = parser.value(parity).at(0).toLatin1();
    options.image = parser.positionalArguments().front();
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

using Context = std::unique_ptr<modbus_t, decltype(&modbus_free)>;

// Receives and answers one request on the context's socket; false when the
// peer has gone (or sent what is not Modbus).
bool serveOne(modbus_t* context, DriveServer& server, const Options& options, bool tcp)
{
    std::uint8_t request[MODBUS_TCP_MAX_ADU_LENGTH];
    const int length = modbus_receive(context, request);
    if (length < 0)
        return false;
    if (length == 0) // for another unit on the serial line
        return true;
    std::this_thread::sleep_for(options.latency);
    server.answer(context, request, length, tcp);
    return true;
}

int serveTcp(DriveServer& server, const Options& options)
{
    const Context context(modbus_new_tcp("127.0.0.1", options.port), &modbus_free);
    const int listening = context ? modbus_tcp_listen(context.get(), 8) : -1;
    if (listening < 0) {
        std::cerr << "nebpt-drive-sim: cannot listen on 127.0.0.1:" << options.port << ": "
                  << modbus_strerror(errno) << "\n";
        return 1;
    }
    sockaddr_in bound = {};
    socklen_t size = sizeof bound;
    getsockname(listening, reinterpret_cast<sockaddr*>(&bound), &size);
    std::cout << "listening on 127.0.0.1:" << ntohs(bound.sin_port) << std::endl;

    std::vector<pollfd> sockets{{listening, POLLIN, 0}};
    while (!g_stopping) {
        if (poll(sockets.data(), sockets.size(), 250) <= 0)
            continue;
        for (size_t i = sockets.size(); i-- > 1;) {
            if (!sockets[i].revents)
                continue;
            modbus_set_socket(context.get(), sockets[i].fd);
            if (!(sockets[i].revents & POLLIN) || !serveOne(context.get(), server, options, true)) {
                close(sockets[i].fd);
                sockets.erase(sockets.begin() + static_cast<long>(i));
            }
        }
        if (sockets[0].revents & POLLIN) {
            int socket = listening;
            const int client = modbus_tcp_accept(context.get(), &socket);
            if (client >= 0)
                sockets.push_back({client, POLLIN, 0});
        }
    }
    for (const pollfd& socket : sockets)
        close(socket.fd);
    return 0;
}

int serveRtu(DriveServer& server, const Options& options)
{
    const QByteArray device = options.device.toLocal8Bit();
    const Context context(modbus_new_rtu(device.constData(), options.baud, options.parity, 8, 1),
                          &modbus_free);
    if (!context || modbus_set_slave(context.get(), server.unit()) != 0 ||
        modbus_connect(context.get()) != 0) {
        std::cerr << "nebpt-drive-sim: cannot open " << device.constData() << ": "
                  << modbus_strerror(errno) << "\n";
        return 1;
    }
    std::cout << "listening on " << device.constData() << std::endl;
    pollfd line{modbus_get_socket(context.get()), POLLIN, 0};
    while (!g_stopping) {
        if (poll(&line, 1, 250) > 0 && !serveOne(context.get(), server, options, false))
            modbus_flush(context.get()); // a garbled frame: wait for the next
    }
    modbus_close(context.get());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nebpt-drive-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NEBPT_HOST_VERSION));
    Options options;
    if (!parse(QCoreApplication::arguments(), options))
        return 2;
    stopOnSignal();
    try {
        SimulatedDrive drive(options.image.toLocal8Bit().toStdString());
        if (drive.registerMap().empty()) {
            std::cerr << "nebpt-drive-sim: " << drive.imagePath()
                      << " has no register map (\"modbus\")\n";
            return 1;
        }
        if (drive.readOnly())
            std::cerr << "nebpt-drive-sim: every write is refused: " << drive.readOnlyReason()
                      << "\n";
        DriveServer server(drive, options.unit ? options.unit : drive.registerMap().unit);
        return options.device.isEmpty() ? serveTcp(server, options) : serveRtu(server, options);
    } catch (const std::exception& error) {
        std::cerr << "nebpt-drive-sim: " << error.what() << "\n";
        return 1;
    }
}
