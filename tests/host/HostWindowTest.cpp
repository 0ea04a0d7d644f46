#include "HostWindow.h"
#include "HostTestSupport.h"
#include "HostWindowTestSupport.h"
#include "SimulatedDrive.h"

#include "ProgramWorkflow.h"

#include <QAccessible>
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QTranslator>
#include <QUrl>
#include <QXmlStreamReader>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// nebpt-host's window over a copy of the sample drive image, as a user works
// with it: open, refresh, switch the language, edit, the images it refuses,
// what it remembers and what is dropped onto it.
//
// The window works with libNEBPT.so as the host does, and so does this test: it
// sees the editor only as the user does, through the windows in the form view.
// The flow is the plug-in's window of class CWorkFlow; its pairs are found by
// their event boxes, the child windows holding the event list, and the events
// by the texts their lists show.

using hosttest::eventsShown;
using hosttest::flowOf;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string kSample = "fcd300_sample.json";
// The sample's six pairs, by the events their lists show.
const std::vector<std::string> kSampleEvents = {"Digital input 18", "Timeout 0", "Comparator 0",
                                                "Logic rule 1",     "Timeout 1", "Logic rule 0"};

// A menu or item text as the user reads it: "&Export program..." is "Export program".
std::string plain(QString text)
{
    return text.remove('&').remove(QStringLiteral("...")).toStdString();
}

// The user picks `item` in `menu` of the window's menu bar ("Recent images > 1 a.json"
// in a submenu).
void pick(const QMainWindow& window, const std::string& menu, const std::string& item)
{
    for (QAction* menuAction : window.menuBar()->actions()) {
        if (plain(menuAction->text()) != menu)
            continue;
        emit menuAction->menu()->aboutToShow();
        for (QAction* action : menuAction->menu()->actions()) {
            const std::string text = plain(action->text());
            if (action->menu() && item.rfind(text + " > ", 0) == 0) {
                emit action->menu()->aboutToShow();
                for (QAction* subAction : action->menu()->actions())
                    if (text + " > " + plain(subAction->text()) == item && subAction->isVisible()) {
                        ASSERT_TRUE(subAction->isEnabled()) << menu << " > " << item;
                        subAction->trigger();
                        return;
                    }
            } else if (text == item) {
                ASSERT_TRUE(action->isEnabled()) << menu << " > " << item;
                action->trigger();
                return;
            }
        }
    }
    FAIL() << "no menu item " << menu << " > " << item;
}

// File > Recent images as the user reads it when it opens: "1 /path/a.json", and
// " (disabled)" after an image that cannot be picked.
std::vector<std::string> recentImages(const HostWindow& window)
{
    QMenu* recent = window.findChild<QMenu*>("menuRecentImages");
    emit recent->aboutToShow();
    std::vector<std::string> items;
    for (QAction* item : recent->actions())
        if (item->isVisible() && !item->isSeparator() &&
            item->objectName() != QLatin1String("actionClearRecentImages"))
            items.push_back(plain(item->text()) + (item->isEnabled() ? "" : " (disabled)"));
    return items;
}

std::string textOf(const QObject* widget)
{
    return widget ? widget->property("text").toString().toStdString() : std::string();
}

class HostWindowTest : public ::testing::Test
{
protected:
    HostWindowTest() { window.show(); }

    bool open(const std::string& path)
    {
        return hosttest::done(window.openImage(QString::fromStdString(path)));
    }

    void chooseFirstEvent(const char* event) { hosttest::chooseFirstEvent(window, event); }

    std::string label(const char* name) const { return textOf(window.findChild<QLabel*>(name)); }

    // The text of the message box shown last; a failure unless it is the next one.
    std::string told()
    {
        EXPECT_EQ(messages.shown().size(), ++m_told) << "one message box more";
        return messages.shown().empty() ? std::string() : messages.shown().back().text;
    }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::MessageBoxRecorder messages{fw::IDNO};
    size_t m_told = 0;
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    HostWindow window;
};

TEST_F(HostWindowTest, ShowsTheProgramRefreshesItAndKeepsTheUsersEdit)
{
    EXPECT_FALSE(hosttest::done(window.refresh())) << "nothing to refresh without a drive";
    ASSERT_TRUE(open(image));
    QWidget* flow = flowOf(window);
    ASSERT_NE(flow, nullptr);
    EXPECT_TRUE(flow->isVisible());
    EXPECT_EQ(eventsShown(window), kSampleEvents);
    EXPECT_THAT(label("driveLabel"), HasSubstr("FCD-300"));
    EXPECT_THAT(label("fileLabel"), HasSubstr(image));
    EXPECT_THAT(window.windowTitle().toStdString(), HasSubstr("drive.json"));
    // The view is as large as the flow, so that the scroll area reaches all of it.
    EXPECT_GE(window.formView()->minimumHeight(), flow->y() + flow->height());
    EXPECT_GE(window.formView()->minimumWidth(), flow->x() + flow->width());

    // Another user of the drive adds a pair.
    window.drive()->WriteParameterValues({"1301.6", "1302.6"}, {"2", "7"}, "Setup 1", 0);
    EXPECT_EQ(eventsShown(window), kSampleEvents);
    EXPECT_TRUE(hosttest::done(window.refresh()));
    std::vector<std::string> expected = kSampleEvents;
    expected.push_back("Running");
    ASSERT_EQ(eventsShown(window), expected);

    // The user changes the first event: the file holds it.
    chooseFirstEvent("Running");
    expected.front() = "Running";
    EXPECT_EQ(eventsShown(window), expected);
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1301, 0), "2");

    // A program that ignores the lock changes the file: the next edit is not saved
    // over it, and the user hears why.
    std::ofstream(image, std::ios::app) << "\n";
    chooseFirstEvent("True");
    QCoreApplication::processEvents();
    EXPECT_THAT(told(), AllOf(HasSubstr("not saved"), HasSubstr("changed on disk")));
    EXPECT_TRUE(hosttest::done(window.refresh()));
    EXPECT_EQ(eventsShown(window), expected);
    EXPECT_EQ(messages.shown().size(), m_told);
}

// An image another host has open is shown but never changed: the window says so
// once, and its title and status bar keep saying it.
TEST_F(HostWindowTest, AnImageOpenElsewhereIsShownReadOnly)
{
    auto otherHost = std::make_unique<SimulatedDrive>(image);
    const std::string reason = "open in another host";
    ASSERT_TRUE(open(image));
    EXPECT_THAT(told(), AllOf(HasSubstr(image), HasSubstr(reason), HasSubstr("read-only")));
    EXPECT_THAT(label("accessLabel"), HasSubstr("read-only"));

    // The user's edit is refused, told with the value and why; the drive and
    // its file keep the program, and the editor shows it.
    chooseFirstEvent("Running");
    EXPECT_THAT(window.drive()->lastRefusal(), AllOf(HasSubstr(image), HasSubstr(reason)));
    QCoreApplication::processEvents();
    EXPECT_THAT(told(), HasSubstr("Pair 0: event: the drive refused \"Running\" (image open "
                                  "in another host)"));
    EXPECT_THAT(window.statusBar()->currentMessage().toStdString(),
                AllOf(HasSubstr("Not written: Pair 0: event = \"Running\""), HasSubstr(reason)));
    EXPECT_TRUE(hosttest::fileBytes(image) == hosttest::fileBytes(hosttest::sampleImage(kSample)));
    EXPECT_EQ(eventsShown(window), kSampleEvents);
    EXPECT_TRUE(hosttest::done(window.refresh()));
    EXPECT_EQ(messages.shown().size(), m_told) << "nothing more told";

    // A refresh reads the file again, with what the other host wrote, and takes
    // the image for writing once the other host has let go of it.
    otherHost->WriteParameterValues({"1301.0"}, {"2"}, "Setup 1", 0);
    EXPECT_TRUE(hosttest::done(window.refresh()));
    EXPECT_EQ(eventsShown(window).front(), "Running");
    otherHost.reset();
    EXPECT_TRUE(hosttest::done(window.refresh()));
    EXPECT_FALSE(window.drive()->readOnly());
    EXPECT_TRUE(window.findChild<QLabel*>("accessLabel")->isHidden());
    EXPECT_EQ(messages.shown().size(), m_told) << "nothing new to tell";
}

// A drive image in a folder the user cannot write (a sample installed beside the
// host) is offered as the user's own copy in ${XDG_DATA_HOME}/nebpt; as root,
// mode bits stand for the rights a user lacks. One question, whatever the answer.
TEST_F(HostWindowTest, AnImageInAFolderNotTheUsersIsOfferedAsTheirOwnCopy)
{
    namespace fs = std::filesystem;
    const std::string installed = scratch.file("installed");
    const std::string sample = installed + "/" + kSample;
    fs::create_directory(installed);
    fs::copy_file(hosttest::sampleImage(kSample), sample);
    fs::permissions(sample, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(installed,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string data = scratch.file("data");
    const std::string copy = data + "/nebpt/" + kSample;
    setenv("XDG_DATA_HOME", data.c_str(), 1);

    struct Row
    {
        const char* what;
        int answer;
        std::string asked, opened, firstEvent;
    };
    const std::vector<Row> rows = {
        {"No: the sample read-only", fw::IDNO, "Open a copy in " + data + "/nebpt?", sample,
         "Digital input 18"},
        {"Yes: a copy made and opened", fw::IDYES, "Open a copy in " + data + "/nebpt?", copy,
         "Digital input 18"},
        {"Yes again: the copy made before, with its change", fw::IDYES,
         "Open your copy " + copy + " instead?", copy, "Running"},
    };
    for (const Row& row : rows) {
        messages.answer("You cannot change", row.answer);
        EXPECT_TRUE(open(sample)) << row.what;
        EXPECT_THAT(told(), AllOf(HasSubstr(sample), HasSubstr(row.asked))) << row.what;
        EXPECT_EQ(window.imagePath().toStdString(), row.opened) << row.what;
        EXPECT_EQ(window.drive()->readOnly(), row.opened == sample) << row.what;
        EXPECT_EQ(eventsShown(window).front(), row.firstEvent) << row.what;
        if (row.opened == copy)
            chooseFirstEvent("Running");
    }
    EXPECT_EQ(messages.shown().size(), m_told) << "nothing more told";
    EXPECT_TRUE(hosttest::fileBytes(sample) == hosttest::fileBytes(hosttest::sampleImage(kSample)));
    unsetenv("XDG_DATA_HOME");
    fs::permissions(installed, fs::perms::owner_all);
}

TEST_F(HostWindowTest, ImagesThatCannotBeUsedAreToldAndTheWindowGoesOn)
{
    const std::string missing = scratch.file("missing.json");
    EXPECT_FALSE(open(missing));
    const std::string text = told();
    EXPECT_THAT(text, AllOf(HasSubstr("cannot be opened"), HasSubstr(missing)));
    EXPECT_GT(text.size(), missing.size() + 40) << "a reason is given: " << text;

    // The drive lacks the action parameter the configuration names.
    const std::string incomplete = hosttest::copyOfSample(scratch, kSample, "incomplete.json",
                                                          "\"number\": 1302", "\"number\": 1399");
    EXPECT_FALSE(open(incomplete));
    EXPECT_THAT(told(),
                AllOf(HasSubstr("cannot be read"), HasSubstr(incomplete), HasSubstr("nebpt.log")));
    EXPECT_EQ(flowOf(window), nullptr);
    EXPECT_EQ(window.imagePath().toStdString(), incomplete) << "the drive stays open";
    EXPECT_FALSE(hosttest::done(window.refresh())) << "refresh tries again";
    EXPECT_THAT(told(), HasSubstr("cannot be read"));

    // A good image opens; a drive the plug-in does not support leaves it open.
    ASSERT_TRUE(open(image));
    const std::string unsupported =
        hosttest::copyOfSample(scratch, kSample, "unsupported.json", "\"FCD-300\"", "\"FCD-999\"");
    EXPECT_FALSE(open(unsupported));
    EXPECT_THAT(told(),
                AllOf(HasSubstr("does not support"), HasSubstr("FCD-999"), HasSubstr(unsupported)));
    EXPECT_EQ(window.imagePath().toStdString(), image);
    EXPECT_EQ(eventsShown(window), kSampleEvents);
}

} // namespace

// The whole window speaks the language chosen, at once: menus, tool bar, status
// bar, what it tells and what a screen reader says of its controls. Tab goes
// from the editor's area down through the program's pairs.
TEST_F(HostWindowTest, SpeaksTheLanguageChosenAllAtOnce)
{
    struct Texts
    {
        std::vector<std::string> menus, accessible;
        std::string drive, told;
    };
    const Texts english = {{"File", "Edit", "View", "Drive", "Tools", "Language"},
                           {"Program editor", "Drive type", "Parameter database",
                            "Drive image or address", "Open drive image", "Refresh"},
                           "Drive FCD-300",
                           "The drive image cannot be opened"};
    const Texts german = {{"Datei", "Bearbeiten", "Ansicht", "Antrieb", "Extras", "Sprache"},
                          {"Programmeditor", "Antriebstyp", "Parameterdatenbank",
                           "Antriebsabbild oder Adresse", "Antriebsabbild öffnen", "Aktualisieren"},
                          "Antrieb FCD-300",
                          "Das Antriebsabbild kann nicht geöffnet werden"};
    std::unique_ptr<HostWindow> started;
    struct Row
    {
        const char* way;
        std::function<HostWindow&()> choose;
        const Texts& texts;
    };
    const std::vector<Row> rows = {
        {"--language german",
         [&]() -> HostWindow& {
             started = std::make_unique<HostWindow>(QStringLiteral("german"));
             return *started;
         },
         german},
        {"Language > Deutsch",
         [&]() -> HostWindow& {
             // The translation is the application's: this window spoke German with the other.
             started.reset();
             QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
             pick(window, "Language", "Deutsch");
             return window;
         },
         german},
        {"Sprache > English",
         [&]() -> HostWindow& {
             pick(window, "Sprache", "English");
             return window;
         },
         english},
    };
    for (const auto& [way, choose, texts] : rows) {
        HostWindow& shown = choose();
        shown.show();
        ASSERT_TRUE(hosttest::done(shown.openImage(QString::fromStdString(image)))) << way;
        std::vector<std::string> menus, accessible;
        for (QAction* menu : shown.menuBar()->actions())
            menus.push_back(plain(menu->text()));
        EXPECT_EQ(menus, texts.menus) << way;
        QToolBar* tools = shown.findChild<QToolBar*>("driveToolBar");
        for (QWidget* control :
             {static_cast<QWidget*>(shown.scrollArea()), shown.findChild<QWidget*>("driveLabel"),
              shown.findChild<QWidget*>("databaseLabel"), shown.findChild<QWidget*>("fileLabel"),
              tools->widgetForAction(shown.findChild<QAction*>("actionOpen")),
              tools->widgetForAction(shown.findChild<QAction*>("actionRefresh"))})
            accessible.push_back(QAccessible::queryAccessibleInterface(control)
                                     ->text(QAccessible::Name)
                                     .toStdString());
        EXPECT_EQ(accessible, texts.accessible) << way;
        EXPECT_EQ(textOf(shown.findChild<QLabel*>("driveLabel")), texts.drive) << way;
        EXPECT_FALSE(
            hosttest::done(shown.openImage(QString::fromStdString(scratch.file("missing.json")))));
        EXPECT_THAT(told(), HasSubstr(texts.told)) << way;
    }

    // Tab: the editor's area, then each pair's controls in program order.
    std::vector<QWidget*> stops;
    for (QWidget* next = window.nextInFocusChain(); next != &window;
         next = next->nextInFocusChain())
        if ((next->focusPolicy() & Qt::TabFocus) && next->isVisible() && next->isEnabled())
            stops.push_back(next);
    ASSERT_FALSE(stops.empty());
    EXPECT_EQ(stops.front(), window.scrollArea());
    const std::vector<QComboBox*> eventLists = hosttest::eventLists(window);
    std::vector<QComboBox*> eventsInTabOrder;
    for (QWidget* stop : stops) {
        EXPECT_TRUE(stop == window.scrollArea() || window.formView()->isAncestorOf(stop))
            << stop->metaObject()->className();
        if (std::find(eventLists.begin(), eventLists.end(), stop) != eventLists.end())
            eventsInTabOrder.push_back(static_cast<QComboBox*>(stop));
    }
    EXPECT_EQ(eventsInTabOrder, eventLists);
}

// Told where to keep them, the window remembers its place, the images last
// opened and the last link; the next window takes them from there.
TEST_F(HostWindowTest, RemembersItsPlaceTheImagesLastOpenedAndTheLastLink)
{
    const QString settingsFile = QString::fromStdString(scratch.file("config/nebpt-host.conf"));
    const auto settings = [&] {
        return std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
    };
    window.rememberIn(settings());
    std::vector<std::string> images;
    for (int i = 0; i < 9; ++i) {
        images.push_back(
            hosttest::copyOfSample(scratch, kSample, "drive" + std::to_string(i) + ".json"));
        ASSERT_TRUE(open(images.back()));
    }
    ASSERT_TRUE(open(images[1]));
    const std::string profile = scratch.file("profile.json");
    EXPECT_FALSE(hosttest::done(window.connectDrive(QStringLiteral("tcp://127.0.0.1:1"),
                                                    QString::fromStdString(profile), 250)));
    EXPECT_THAT(told(), HasSubstr(profile));
    window.resize(640, 480);
    window.close();

    HostWindow next;
    next.rememberIn(settings());
    EXPECT_EQ(next.size(), QSize(640, 480));
    // Eight, the most recent first; an image gone since is offered disabled.
    std::remove(images[8].c_str());
    std::vector<std::string> expected;
    for (const int i : {1, 8, 7, 6, 5, 4, 3, 2})
        expected.push_back(std::to_string(expected.size() + 1) + " " + images[i] +
                           (i == 8 ? " (disabled)" : ""));
    EXPECT_THAT(recentImages(next), ElementsAreArray(expected));
    pick(next, "File", "Recent images > 3 " + images[7]);
    EXPECT_EQ(next.imagePath().toStdString(), images[7]);
    EXPECT_EQ(recentImages(next).front(), "1 " + images[7]);

    // File > Reconnect at the next start: the link last asked for, with its profile.
    HostWindow unopened;
    unopened.rememberIn(settings());
    pick(unopened, "File", "Reconnect");
    hosttest::idle(unopened);
    EXPECT_THAT(told(), AllOf(HasSubstr(profile), HasSubstr("tcp://127.0.0.1:1")));

    pick(next, "File", "Recent images > Clear list");
    EXPECT_THAT(recentImages(next), ElementsAre());
    HostWindow cleared;
    cleared.rememberIn(settings());
    EXPECT_FALSE(cleared.findChild<QAction*>("actionRecentImages")->isEnabled());
    EXPECT_EQ(cleared.rememberedLanguage(), "") << "no language chosen yet";

    // The language chosen last is the next start's.
    next.setLanguage(QStringLiteral("german"));
    HostWindow speaking;
    speaking.rememberIn(settings());
    EXPECT_EQ(speaking.rememberedLanguage(), "german");
    next.setLanguage(QStringLiteral("english"));
}

// Settings that cannot be read leave the window as it starts without any, with
// a line in the log; they are not written over.
TEST_F(HostWindowTest, SettingsThatCannotBeReadAreLeftAsTheyAre)
{
    const std::vector<std::pair<const char*, std::function<std::string()>>> rows = {
        {"not settings",
         [&] {
             scratch.writeText("garbage.conf", "\x01[window\ngeometry=\xff\xfe");
             return scratch.file("garbage.conf");
         }},
        {"a folder",
         [&] {
             std::filesystem::create_directory(scratch.file("folder.conf"));
             return scratch.file("folder.conf");
         }},
        // QSettings would wait for ever at the first write (the image opened).
        {"a lock that is a folder",
         [&] {
             scratch.writeText("folder-lock.conf", "[General]\nlanguage=german\n");
             std::filesystem::create_directory(scratch.file("folder-lock.conf.lock"));
             return scratch.file("folder-lock.conf");
         }},
        {"a lock that is a FIFO",
         [&] {
             scratch.writeText("fifo-lock.conf", "[General]\nlanguage=german\n");
             mkfifo(scratch.file("fifo-lock.conf.lock").c_str(), 0600);
             return scratch.file("fifo-lock.conf");
         }},
        {"a lock that is a link to nothing",
         [&] {
             scratch.writeText("link-lock.conf", "[General]\nlanguage=german\n");
             std::filesystem::create_symlink(scratch.file("missing"),
                                             scratch.file("link-lock.conf.lock"));
             return scratch.file("link-lock.conf");
         }},
    };
    for (const auto& [what, make] : rows) {
        const std::string path = make();
        const std::string before = hosttest::fileBytes(path);
        {
            HostWindow remembering;
            remembering.rememberIn(
                std::make_unique<QSettings>(QString::fromStdString(path), QSettings::IniFormat));
            ASSERT_TRUE(hosttest::done(remembering.openImage(QString::fromStdString(image))))
                << what;
            EXPECT_THAT(recentImages(remembering), ElementsAre("1 " + image)) << what;
            remembering.close();
        }
        EXPECT_EQ(hosttest::fileBytes(path), before) << what;
        EXPECT_THAT(hosttest::fileBytes(NEBPT::logFilePath()),
                    HasSubstr("the settings in " + path + " cannot be"))
            << what;
    }
    EXPECT_TRUE(std::filesystem::is_directory(scratch.file("folder.conf")));
}

// nebpt-host started as a user starts it waits on nothing in its settings
// folder: a settings file it cannot read without harm (a FIFO, more than 1 MB) is
// logged and left as it is, and places of other windows that are no files are
// passed over. The window opens its image all the same (it locks the image).
TEST(HostWindowStartTest, NothingInTheSettingsFolderHoldsTheWindow)
{
    namespace fs = std::filesystem;
    struct Row
    {
        const char* what;
        std::function<void(const std::string& folder)> make;
        std::string logged;
    };
    const std::vector<Row> rows = {
        {"a FIFO as settings, window places that are no files",
         [](const std::string& folder) {
             mkfifo((folder + "/nebpt-host.conf").c_str(), 0600);
             mkfifo((folder + "/.window-0.lock").c_str(), 0600);
             fs::create_directory(folder + "/.window-1.lock");
             fs::create_symlink(folder + "/missing", folder + "/.window-2.lock");
         },
         "nebpt-host.conf cannot be used: it is no regular file"},
        {"settings of more than 1 MB",
         [](const std::string& folder) {
             std::ofstream(folder + "/nebpt-host.conf") << std::string(1024 * 1024 + 1, ';');
         },
         "nebpt-host.conf cannot be used: it holds 1048577 bytes; settings take at most 1 MB"},
    };
    for (const Row& row : rows) {
        const testsupport::ScratchFolder scratch;
        const std::string folder = scratch.file("config/nebpt");
        fs::create_directories(folder);
        fs::create_directory(scratch.file("runtime"));
        fs::permissions(scratch.file("runtime"), fs::perms::owner_all);
        row.make(folder);
        // What the folder holds (the window adds its own place).
        std::vector<std::pair<std::string, fs::file_type>> before;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            before.emplace_back(entry.path().string(), entry.symlink_status().type());
        // Never read from a FIFO here either.
        const auto settingsBytes = [&folder] {
            const std::string file = folder + "/nebpt-host.conf";
            return fs::is_regular_file(file) ? hosttest::fileBytes(file) : std::string();
        };
        const std::string settings = settingsBytes();
        const std::string image = hosttest::copyOfSample(scratch, kSample);
        // Started through env(1), which sets its environment (and keeps Valgrind,
        // should it run this test, out of the window).
        std::vector<std::string> command{"/usr/bin/env",
                                         "TMPDIR=" + scratch.path(),
                                         "XDG_CONFIG_HOME=" + scratch.file("config"),
                                         "XDG_DATA_HOME=" + scratch.file("data"),
                                         "XDG_CACHE_HOME=" + scratch.file("cache"),
                                         "XDG_STATE_HOME=" + scratch.file("state"),
                                         "XDG_RUNTIME_DIR=" + scratch.file("runtime"),
                                         "DBUS_SESSION_BUS_ADDRESS=unix:path=" +
                                             scratch.file("no-bus"),
                                         "QT_QPA_PLATFORM=offscreen",
                                         NEBPT_HOST_EXECUTABLE,
                                         image};
        std::vector<char*> argv;
        for (std::string& word : command)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        const pid_t host = fork();
        if (host == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ASSERT_GT(host, 0);
        // The window holds its image locked once it has it open.
        struct stat imageStatus
        {};
        stat(image.c_str(), &imageStatus);
        const std::string locked = ":" + std::to_string(imageStatus.st_ino) + " ";
        bool opened = false;
        int status = 0;
        for (const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
             !opened && std::chrono::steady_clock::now() < end &&
             waitpid(host, &status, WNOHANG) == 0;) {
            std::ifstream locks("/proc/locks");
            for (std::string line; !opened && std::getline(locks, line);)
                opened = line.find(" " + std::to_string(host) + " ") != std::string::npos &&
                         line.find(locked) != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(host, SIGKILL);
        waitpid(host, &status, 0);
        EXPECT_TRUE(opened) << row.what;
        EXPECT_THAT(hosttest::fileBytes(scratch.path() + "Torvane Drives/nebpt.log"),
                    HasSubstr(row.logged))
            << row.what;
        for (const auto& [path, type] : before)
            EXPECT_EQ(fs::symlink_status(path).type(), type) << row.what << ": " << path;
        EXPECT_TRUE(settingsBytes() == settings) << row.what;
    }
}

// One local file dropped onto the window is opened as File > Open opens it;
// anything else is refused.
TEST_F(HostWindowTest, AnImageDroppedOntoTheWindowIsOpened)
{
    const std::string other = hosttest::copyOfSample(scratch, kSample, "other.json");
    const auto file = [](const std::string& path) {
        return QUrl::fromLocalFile(QString::fromStdString(path));
    };
    struct Row
    {
        const char* what;
        QList<QUrl> urls;
        bool accepted;
        std::string opened; // the image open afterwards
    };
    const std::vector<Row> rows = {
        {"a drive image", {file(image)}, true, image},
        {"two files", {file(image), file(other)}, false, image},
        {"a web address", {QUrl(QStringLiteral("http://127.0.0.1/other.json"))}, false, image},
        {"a folder", {file(scratch.path())}, false, image},
        {"another drive image", {file(other)}, true, other},
        {"a missing file", {file(scratch.file("missing.json"))}, true, other},
    };
    for (const auto& [what, urls, accepted, opened] : rows) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &enter);
        EXPECT_EQ(enter.isAccepted(), accepted) << what;
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &drop);
        EXPECT_EQ(drop.isAccepted(), accepted) << what;
        QCoreApplication::processEvents();
        EXPECT_EQ(window.imagePath().toStdString(), opened) << what;
    }
    EXPECT_THAT(told(), HasSubstr("cannot be opened"));
}

// Every text of the host has a German translation: lupdate gathers the texts
// from the sources as they are, and the translation compiled into the host
// (without its unfinished entries) must have each of them.
TEST(HostTranslationTest, EveryHostTextHasAGermanTranslation)
{
    const testsupport::ScratchFolder scratch;
    const std::string ts = scratch.file("host.ts");
    const hosttest::Run gathered =
        hosttest::run({NEBPT_LUPDATE, "-silent", "-locations", "none", NEBPT_HOST_SOURCE_DIR,
                       NEBPT_HOST_DRIVES_SOURCE_DIR, NEBPT_HOST_WORKFLOW_SOURCE_DIR,
                       NEBPT_HOST_DOCUMENT_SOURCE_DIR, "-ts", ts});
    ASSERT_EQ(gathered.status, 0) << gathered.errors;
    QTranslator german;
    ASSERT_TRUE(german.load(QStringLiteral(":/nebpt-host/translations/nebpt-host_german.qm")));

    QFile file(QString::fromStdString(ts));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString context, source, comment;
    bool numerus = false;
    int texts = 0;
    std::vector<std::string> untranslated;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("message")) {
            numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            source.clear();
            comment.clear();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("comment")) {
            comment = xml.readElementText();
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            ++texts;
            for (const int n : numerus ? std::vector<int>{1, 2} : std::vector<int>{-1}) {
                const QByteArray c = context.toUtf8(), s = source.toUtf8(), d = comment.toUtf8();
                if (german.translate(c, s, d.isEmpty() ? nullptr : d.constData(), n).isEmpty())
                    untranslated.push_back(context.toStdString() + ": " + source.toStdString());
            }
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(texts, 80) << "the host's texts were not found";
    EXPECT_THAT(untranslated, ElementsAre());
}
