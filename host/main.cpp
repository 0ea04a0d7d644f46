#include "DriveAddress.h"
#include "HostWindow.h"
#include "ModbusDrive.h"
#include "ProgramPrinter.h"

#include "framework/MessageBox.h"
#include "framework/widgets/WidgetResources.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

struct Options
{
    QString language = QStringLiteral("english");
    bool languageGiven = false;
    bool print = false; // print the program instead of running the window
    QString screenshot; // write a picture of the editor instead of running the window
    QString image;
    QString address; // --connect: a drive over Modbus instead of an image
    QString profile;
    int timeoutMs = static_cast<int>(ModbusDrive::kDefaultTimeout.count());
};

// Reads the command line into `options`. --help, --help-all and --version are
// answered here (the process ends); a wrong command line gets what is wrong and the
// usage on stderr and false.
bool parse(int argc, char** argv, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The drive commissioning host: shows the controller program editor on a "
                       "drive image or a drive over Modbus, prints the program, or takes a "
                       "picture of the editor."));
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
    const QCommandLineOption connect(
        QStringLiteral("connect"),
        QStringLiteral("Work with a drive over Modbus instead of a drive image: "
                       "tcp://HOST:PORT[/UNIT] or rtu:DEVICE[?baud=19200&parity=E&unit=1]. "
                       "Needs --profile."),
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
    parser.addOptions({language, print, screenshot, connect, profile, timeout});
    parser.addPositionalArgument(QStringLiteral("image"),
                                 QStringLiteral("The drive image (JSON) to open; needed by "
                                                "--print and --screenshot."),
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
    } else if (parser.positionalArguments().size() > 1) {
        error = QStringLiteral("more than one drive image");
    } else if (parser.isSet(print) && parser.isSet(screenshot)) {
        error = QStringLiteral("--print and --screenshot do not go together");
    } else if (parser.isSet(connect) && !parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("--connect and a drive image do not go together");
    } else if (parser.isSet(connect) != parser.isSet(profile)) {
        error = parser.isSet(connect) ? QStringLiteral("--connect needs --profile")
                                      : QStringLiteral("--profile goes with --connect");
    } else if (parser.isSet(timeout) && !parser.isSet(connect)) {
        error = QStringLiteral("--timeout goes with --connect");
    } else if ((parser.isSet(print) || parser.isSet(screenshot)) && !parser.isSet(connect) &&
               parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("no drive image");
    }
    if (error.isEmpty() && parser.isSet(timeout)) {
        bool number = false;
        options.timeoutMs = parser.value(timeout).toInt(&number);
        if (!number || options.timeoutMs < 1 || options.timeoutMs > 600000)
            error = QStringLiteral("--timeout needs a number of milliseconds from 1 to 600000");
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
    if (!parser.positionalArguments().isEmpty())
        options.image = parser.positionalArguments().front();
    options.address = parser.value(connect);
    options.profile = parser.value(profile);
    return true;
}

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

// Shows the editor on the image without a display and saves the window as a picture.
// Questions are answered No, so that taking the picture never changes the drive.
int screenshot(const Options& options)
{
    fw::setMessageBoxHandler([](const std::string& text, const std::string&, unsigned type) {
        std::cerr << text << "\n";
        return (type & 0xF) == fw::MB_YESNO ? fw::IDNO : fw::IDOK;
    });
    HostWindow window(options.language);
    window.show();
    if (!(options.address.isEmpty()
              ? window.openImage(options.image)
              : window.connectDrive(options.address, options.profile, options.timeoutMs)))
        return 1;
    QApplication::processEvents();
    if (!window.grab().save(options.screenshot)) {
        std::cerr << options.screenshot.toStdString() << ": cannot write the picture\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options))
        return 2;
    if (options.print) {
        const std::string language = options.languageGiven ? options.language.toStdString() : "";
        if (!options.address.isEmpty()) {
            return printProgram(
                options.address.toStdString(), options.profile.toLocal8Bit().toStdString(),
                std::chrono::milliseconds(options.timeoutMs), std::cout, std::cerr, language);
        }
        return printProgram(options.image.toLocal8Bit().toStdString(), std::cout, std::cerr,
                            language);
    }
    if (!options.screenshot.isEmpty()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        quietOffscreenPlatform();
    }

    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("nebpt-host"));
    if (!options.screenshot.isEmpty())
        return screenshot(options);

    fw::installWidgetMessageBox();
    HostWindow window(options.language);
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
