#include "WindowGuiFixture.h"

#include "LinkTestSupport.h"
#include "ProgramFile.h"
#include "WorkflowTestSupport.h"

#include "framework/widgets/WidgetResources.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPrintDialog>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// nebpt-host's window on the X server, used as a user uses it: the menus and
// shortcuts from the keyboard, Qt's own file and print dialogs typed into,
// context menus, message boxes. Questions and warnings are answered through the
// framework's message box seam, but for the box a test is about.

using guitest::Answer;
using guitest::choose;
using guitest::pressShortcutOf;
using hosttest::eventsShown;
using hosttest::firstEvent;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

using guitest::kSample;
using guitest::kSampleEvents;
using guitest::valueOnDisk;
using guitest::WindowGuiTest;

namespace {

std::string textOf(const QWidget* control)
{
    return control ? control->property("text").toString().toStdString() : std::string();
}

} // namespace

// After each way a program comes to be shown, and after an edit and an undo,
// the menus offer what works on it; without an editor only what works without one.
TEST_F(WindowGuiTest, TheMenusOfferWhatWorksAfterEachWayOfOpeningAProgram)
{
    const std::vector<QAction*> watched = {
        item("Refresh"),        item("Reconnect"),     item("Export program"),
        item("Import program"), item("Print"),         item("Undo"),
        item("Redo"),           item("Check program"), item("Simulate")};
    using Enabled = std::vector<bool>;
    const Enabled none(watched.size(), false);
    const Enabled program = {true, false, true, true, true, false, false, true, true};
    Enabled undone = program;
    undone[6] = true; // Redo
    Enabled edited = program;
    edited[5] = true; // Undo
    const Enabled unreadable = {true, false, false, false, false, false, false, false, false};

    const std::string other = hosttest::copyOfSample(scratch, "fcd50m_sample.json", "other.json");
    const std::string incomplete = hosttest::copyOfSample(scratch, kSample, "incomplete.json",
                                                          "\"number\": 1302", "\"number\": 1399");
    const struct
    {
        const char* way;
        std::function<void()> act;
        Enabled expected;
    } ways[] = {
        {"nothing open yet", [] {}, none},
        {"opened at start", [&] { open(image); }, program},
        {"File > Open drive image", [&] { chooseFile("Open drive image", other); }, program},
        {"an edit", [&] { guitest::chooseInList(eventList(0), "Running"); }, edited},
        {"Ctrl+Z", [&] { pressShortcutOf(window, item("Undo")); }, undone},
        {"Language > Deutsch", [&] { choose(window, item("Deutsch")); }, undone},
        {"File > Refresh's shortcut", [&] { pressShortcutOf(window, item("Refresh")); }, undone},
        {"Language > English", [&] { choose(window, item("English")); }, undone},
        {"Ctrl+O, an image without a program",
         [&] {
             const Answer dialog("the file dialog", guitest::modal<QFileDialog>,
                                 [&](QWidget& shown) { guitest::typeFileName(shown, incomplete); });
             pressShortcutOf(window, item("Open drive image"));
         },
         unreadable},
    };
    for (const auto& [way, act, expected] : ways) {
        act();
        EXPECT_EQ(guitest::enabledAsShown(window, watched), expected) << way;
        EXPECT_EQ(hosttest::flowOf(window) != nullptr, expected[2]) << way;
    }
    EXPECT_EQ(window.imagePath().toStdString(), incomplete);
    ASSERT_FALSE(messages.shown().empty());
    EXPECT_THAT(messages.shown().back().text, HasSubstr("cannot be read"));
}

// An edit made from the keyboard, then taken back and made again by the
// shortcuts and by the Edit menu: the flow and the image file follow each step.
// After the edit the keyboard focus is in the list the user edited.
TEST_F(WindowGuiTest, AnEditIsUndoneAndRedoneFromTheKeyboard)
{
    ASSERT_TRUE(open(image));
    const std::string before = valueOnDisk(image, 1301, 0);
    guitest::tabTo(window, [&](QWidget* focus) { return focus == eventList(0); });
    guitest::chooseInList(eventList(0), "Running");
    EXPECT_EQ(QApplication::focusWidget(), eventList(0));

    const struct
    {
        const char* step;
        std::function<void()> act;
        const char* shown;
        std::string onDisk;
    } steps[] = {
        {"the edit", [] {}, "Running", "2"},
        {"Ctrl+Z", [&] { pressShortcutOf(window, item("Undo")); }, "Digital input 18", before},
        {"the redo shortcut", [&] { pressShortcutOf(window, item("Redo")); }, "Running", "2"},
        {"Edit > Undo", [&] { choose(window, item("Undo")); }, "Digital input 18", before},
        {"Edit > Redo", [&] { choose(window, item("Redo")); }, "Running", "2"},
    };
    for (const auto& [step, act, shown, onDisk] : steps) {
        act();
        EXPECT_EQ(firstEvent(window), shown) << step;
        EXPECT_EQ(valueOnDisk(image, 1301, 0), onDisk) << step;
    }
    EXPECT_THAT(messages.shown(), IsEmpty());
}

// File > Export program and File > Import program through Qt's file dialog,
// and File > Print through Qt's print dialog into a PDF file, read back.
TEST_F(WindowGuiTest, ExportsImportsAndPrintsThroughTheFileMenu)
{
    ASSERT_TRUE(open(image));
    // Export proposes the drive's name as a program file.
    const std::string exported = scratch.file("exported.json");
    std::string proposed;
    {
        const Answer dialog("the export dialog", guitest::modal<QFileDialog>, [&](QWidget& shown) {
            proposed = textOf(shown.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")));
            guitest::typeFileName(shown, exported);
        });
        choose(window, item("Export program"));
    }
    EXPECT_EQ(proposed, "drive.nebpt.json");
    SimulatedDrive file(exported, SimulatedDrive::Access::Read);
    SimulatedDrive drive(image, SimulatedDrive::Access::Read);
    EXPECT_THAT(programfile::workflow().compare(file, drive), IsEmpty());

    const std::string program = workflowtest::sampleWith(scratch, {{1301, {{0, "35"}, {1, "36"}}}},
                                                         kSample, "program.json");
    chooseFile("Import program", program);
    ASSERT_FALSE(messages.shown().empty());
    EXPECT_THAT(messages.shown().back().text, HasSubstr("2 elements change"));
    EXPECT_EQ(firstEvent(window), "Timeout 1");

    // Open starts in the folder last used and lists drive images, not scenarios.
    scratch.writeText("drive.scenario.json", "{}");
    std::vector<std::string> listed;
    {
        const Answer dialog("the open dialog", guitest::modal<QFileDialog>, [&](QWidget& shown) {
            auto* view = shown.findChild<QListView*>(QStringLiteral("listView"));
            ASSERT_NE(view, nullptr) << "Qt's own file dialog";
            const auto names = [view] {
                std::vector<std::string> names;
                for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                    names.push_back(view->model()
                                        ->index(row, 0, view->rootIndex())
                                        .data()
                                        .toString()
                                        .toStdString());
                return names;
            };
            EXPECT_TRUE(QTest::qWaitFor([&] { return names().size() >= 2; }, guitest::kWaitMs));
            listed = names();
            QTest::keyClick(&shown, Qt::Key_Escape);
        });
        choose(window, item("Open drive image"));
    }
    EXPECT_THAT(listed, AllOf(Contains("drive.json"), Contains("program.json"),
                              Not(Contains("drive.scenario.json"))));

    const std::string pdf = scratch.file("printed.pdf");
    std::string printer;
    {
        const Answer dialog("the print dialog", guitest::modal<QPrintDialog>, [&](QWidget& shown) {
            auto* printers = shown.findChild<QComboBox*>(QStringLiteral("printers"));
            auto* file = shown.findChild<QLineEdit*>(QStringLiteral("filename"));
            ASSERT_TRUE(printers && file) << "Qt's own print dialog";
            printer = printers->currentText().toStdString();
            guitest::keyInto(file, Qt::Key_A, Qt::ControlModifier);
            guitest::typeInto(file, QString::fromStdString(pdf));
            guitest::keyInto(file, Qt::Key_Return);
        });
        choose(window, item("Print"));
    }
    EXPECT_THAT(printer, HasSubstr("PDF"));
    const hosttest::Run text = hosttest::run({"pdftotext", pdf, "-"});
    ASSERT_EQ(text.status, 0) << "pdftotext (poppler-utils) reads " << pdf << ": " << text.errors;
    EXPECT_THAT(text.out, AllOf(HasSubstr("Drive FCD-300"), HasSubstr("Timeout 1")));
}

// The pairs' and the flow's context menus, opened with the mouse and with the
// Menu key, insert, delete and add pairs.
TEST_F(WindowGuiTest, ContextMenusInsertDeleteAndAddPairs)
{
    ASSERT_TRUE(open(image));
    QWidget* flow = hosttest::flowOf(window);
    ASSERT_NE(flow, nullptr);
    const auto pairOf = [&](size_t pair) {
        return eventList(pair)->parentWidget()->parentWidget();
    };
    std::vector<std::string> events = kSampleEvents;
    const struct
    {
        const char* how;
        std::function<void()> open;
        const char* chosen;
        std::function<void()> expect;
    } uses[] = {
        {"a right click on the second pair",
         [&] { QTest::mouseClick(pairOf(1), Qt::RightButton, {}, QPoint(4, 4)); },
         "Insert pair before", [&] { events.insert(events.begin() + 1, "False"); }},
        {"the Menu key in the first event list",
         [&] {
             guitest::tabTo(window, [&](QWidget* focus) { return focus == eventList(0); });
             guitest::pressMenuKey();
         },
         "Delete pair", [&] { events.erase(events.begin()); }},
        {"the Menu key on the third pair's object button",
         [&] {
             QWidget* button =
                 fw::findControl(eventList(2)->parentWidget(), res::IDC_OBJECT_BUTTON);
             guitest::tabTo(window, [&](QWidget* focus) { return focus == button; });
             guitest::pressMenuKey();
         },
         "Delete pair", [&] { events.erase(events.begin() + 2); }},
        {"a right click below the pairs",
         [&] { QTest::mouseClick(flow, Qt::RightButton, {}, QPoint(4, flow->height() - 4)); },
         "Add pair at end", [&] { events.push_back("False"); }},
    };
    for (const auto& [how, openMenu, chosen, expect] : uses) {
        {
            const Answer menu(std::string("the context menu of ") + how, guitest::popupMenu,
                              [&](QWidget& shown) { guitest::chooseInPopup(shown, chosen); });
            openMenu();
            guitest::settle();
        }
        expect();
        EXPECT_EQ(eventsShown(window), events) << how;
    }
}

// Language > Deutsch: the window's menus, the editor and its menus in German;
// Sprache > English back.
TEST_F(WindowGuiTest, TheLanguageMenuSwitchesTheWindowAndTheEditor)
{
    ASSERT_TRUE(open(image));
    const struct
    {
        const char* language;
        std::vector<std::string> menus;
        const char* openListButton;
        const char* insertPair;
    } languages[] = {
        {"Deutsch",
         {"Datei > Antriebsabbild öffnen", "Datei > Zuletzt geöffnete Abbilder",
          "Datei > Aktualisieren", "Datei > Mit Antrieb verbinden", "Datei > Programm exportieren",
          "Datei > Programm importieren", "Datei > Flotte", "Datei > Drucken", "Datei > Beenden",
          "Ansicht > Monitor", "Extras > Programm prüfen", "Extras > Simulieren",
          "Sprache > English", "Sprache > Deutsch"},
         "Wenn",
         "Paar davor einfügen"},
        {"English",
         {"File > Open drive image", "File > Recent images", "File > Refresh",
          "File > Connect to drive", "File > Export program", "File > Import program",
          "File > Fleet", "File > Print", "File > Quit", "View > Monitor", "Tools > Check program",
          "Tools > Simulate", "Language > English", "Language > Deutsch"},
         "If",
         "Insert pair before"},
    };
    for (const auto& [language, menus, openListButton, insertPair] : languages) {
        choose(window, item(language));
        EXPECT_THAT(guitest::offered(window), ElementsAreArray(menus)) << language;
        QWidget* box = eventList(0)->parentWidget();
        EXPECT_EQ(textOf(fw::findControl(box, res::IDC_OPEN_LIST)), openListButton) << language;
        std::vector<std::string> offered;
        {
            const Answer menu("the pair's context menu", guitest::popupMenu, [&](QWidget& shown) {
                for (QAction* action : static_cast<QMenu&>(shown).actions())
                    offered.push_back(guitest::plain(action->text()));
                QTest::keyClick(&shown, Qt::Key_Escape);
            });
            QTest::mouseClick(box->parentWidget(), Qt::RightButton, {}, QPoint(4, 4));
        }
        EXPECT_THAT(offered, testing::Contains(insertPair)) << language;
        EXPECT_EQ(eventsShown(window), kSampleEvents) << language;
    }
}
