#include "HostWindow.h"
#include "ProgramPrinter.h"

#include "framework/MessageBox.h"
#include "framework/widgets/WidgetResources.h"

#include <QApplication>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

int usage()
{
    std::cerr
        << "usage: nebpt-host [--language <name>] [<drive image.json>]\n"
           "       nebpt-host --print <drive image.json>\n"
           "       nebpt-host [--language <name>] --screenshot <file.png> <drive image.json>\n";
    return 2;
}

struct Options
{
    QString language = QStringLiteral("english");
    std::string screenshot; // write a picture of the editor instead of running the window
    std::string image;
    bool valid = true;
};

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--language") == 0 && hasValue)
            options.language = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--screenshot") == 0 && hasValue)
            options.screenshot = argv[++i];
        else if (argv[i][0] != '-' && options.image.empty())
            options.image = argv[i];
        else
            options.valid = false;
    }
    if (!options.screenshot.empty() && options.image.empty())
        options.valid = false;
    return options;
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
    if (!window.openImage(QString::fromStdString(options.image)))
        return 1;
    QApplication::processEvents();
    if (!window.grab().save(QString::fromStdString(options.screenshot))) {
        std::cerr << options.screenshot << ": cannot write the picture\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--print") == 0)
        return printProgram(argv[2], std::cout, std::cerr);

    const Options options = parse(argc, argv);
    if (!options.valid)
        return usage();
    if (!options.screenshot.empty()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        quietOffscreenPlatform();
    }

    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("nebpt-host"));
    if (!options.screenshot.empty())
        return screenshot(options);

    fw::installWidgetMessageBox();
    HostWindow window(options.language);
    window.show();
    if (!options.image.empty()) {
        const QString image = QString::fromStdString(options.image);
        // Opened once the window is on the screen, so that a message box has its owner.
        QTimer::singleShot(0, &window, [&window, image] { window.openImage(image); });
    }
    return application.exec();
}
