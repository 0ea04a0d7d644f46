#include "HostWindow.h"
#include "HostWindowTestSupport.h"
#include "LinkTestSupport.h"
#include "SimulatedDrive.h"
#include "WorkflowTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrintDialog>
#include <QSettings>
#include <QTimer>

#include <cstdlib>
#include <memory>

using ::testing::AllOf;
using ::testing::HasSubstr;

namespace {

class WindowWorkflowTest : public ::testing::Test
{
protected:
    WindowWorkflowTest() { window.show(); }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::MessageBoxRecorder messages{fw::IDYES};
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json", "drive.json");
    HostWindow window;
};

} // namespace

// An edit in the editor and an import are each one step to undo and redo; the
// editor shows what the drive holds after each.
TEST_F(WindowWorkflowTest, UndoesAnEditAndAnImport)
{
    ASSERT_TRUE(hosttest::done(window.openImage(QString::fromStdString(image))));
    EXPECT_FALSE(hosttest::done(window.undo())) << "nothing to undo yet";
    hosttest::chooseFirstEvent(window, "Running");
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1301, 0), "2");

    const std::string program = workflowtest::sampleWith(scratch, {{1301, {{0, "35"}, {1, "36"}}}},
                                                         "fcd300_sample.json", "program.json");
    ASSERT_TRUE(hosttest::done(window.importProgram(QString::fromStdString(program))));
    EXPECT_THAT(messages.shown().back().text, HasSubstr("2 elements change"));
    EXPECT_EQ(hosttest::firstEvent(window), "Timeout 1");

    ASSERT_TRUE(hosttest::done(window.undo()));
    EXPECT_EQ(hosttest::firstEvent(window), "Running");
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1301, 1), "34");
    ASSERT_TRUE(hosttest::done(window.undo()));
    EXPECT_EQ(hosttest::firstEvent(window), "Digital input 18");
    ASSERT_TRUE(hosttest::done(window.redo()));
    ASSERT_TRUE(hosttest::done(window.redo()));
    EXPECT_EQ(hosttest::firstEvent(window), "Timeout 1");

    // Another drive starts with a journal of its own, and takes no program of
    // another drive type.
    const std::string other = hosttest::copyOfSample(scratch, "fcd50m_sample.json", "other.json");
    ASSERT_TRUE(hosttest::done(window.openImage(QString::fromStdString(other))));
    EXPECT_FALSE(hosttest::done(window.undo()));
    const std::string otherBefore = hosttest::fileBytes(other);
    EXPECT_FALSE(hosttest::done(window.importProgram(QString::fromStdString(program))));
    EXPECT_THAT(messages.shown().back().text, HasSubstr("is not imported; nothing was written"));
    EXPECT_EQ(hosttest::fileBytes(other), otherBefore);
}

// Export, import, print and check through the menus are the gui tests'; a
// program printed into a file is written whole, or told and not at all.
TEST_F(WindowWorkflowTest, PrintsIntoAFileWholeOrTellsWhyNot)
{
    ASSERT_TRUE(hosttest::done(window.openImage(QString::fromStdString(image))));
    const QString pdf = QString::fromStdString(scratch.file("printed.pdf"));
    ASSERT_TRUE(window.printProgramToPdf(pdf));
    EXPECT_GT(QFileInfo(pdf).size(), 0);
    const QString nowhere = QString::fromStdString(scratch.file("missing/printed.pdf"));
    EXPECT_FALSE(window.printProgramToPdf(nowhere));
    EXPECT_THAT(messages.shown().back().text, HasSubstr("cannot be printed to"));
    EXPECT_FALSE(QFileInfo::exists(nowhere));
}

// File > Print asks for the title block on a tab of the print dialog's
// options, puts it on the document, and offers it again at the next print, also
// after a restart (the settings keep it).
TEST_F(WindowWorkflowTest, PrintsTheTitleBlockGivenInThePrintDialog)
{
    if (std::system("command -v pdftotext >/dev/null") != 0)
        GTEST_SKIP() << "poppler-utils is missing (scripts/setup installs it)";
    const QString settings = QString::fromStdString(scratch.file("nebpt-host.conf"));
    window.rememberIn(std::make_unique<QSettings>(settings, QSettings::IniFormat));
    ASSERT_TRUE(hosttest::done(window.openImage(QString::fromStdString(image))));
    auto* print = window.findChild<QAction*>(QStringLiteral("actionPrint"));
    ASSERT_NE(print, nullptr);
    // Prints into `pdf`, the title block's fields as the dialog shows them in
    // `shown` and given as `given` (none: left as shown).
    const auto printInto = [&](const std::string& pdf, QStringList& shown,
                               const QStringList& given) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr) << "the print dialog";
            auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
            for (const QString name : {"printProject", "printAuthor", "printRevision"}) {
                auto* field = dialog->findChild<QLineEdit*>(name);
                if (!field || !file) {
                    ADD_FAILURE() << "no field " << name.toStdString() << " or file name";
                    return dialog->reject();
                }
                shown << field->text();
                if (!given.isEmpty())
                    field->setText(given[shown.size() - 1]);
            }
            file->setText(QString::fromStdString(pdf));
            dialog->accept();
        });
        print->trigger();
    };
    const QStringList title{"Line 4 conveyor", "J. Smith", "C-7"};
    QStringList first, second;
    printInto(scratch.file("first.pdf"), first, title);
    EXPECT_EQ(first, QStringList({"", "", ""}));
    printInto(scratch.file("second.pdf"), second, {});
    EXPECT_EQ(second, title);
    EXPECT_EQ(QSettings(settings, QSettings::IniFormat).value("print/titleBlock").toStringList(),
              title);
    const std::vector<std::string> pages = workflowtest::pdfPages(scratch.file("second.pdf"));
    ASSERT_FALSE(pages.empty());
    EXPECT_THAT(pages.front(), AllOf(HasSubstr("Line 4 conveyor"), HasSubstr("J. Smith"),
                                     HasSubstr("C-7"), HasSubstr("Pair 5")));
}

// Over a Modbus link the journal stands in front of the link as it does in
// front of an image.
TEST_F(WindowWorkflowTest, UndoesAnImportOverALink)
{
    linktest::DriveSimulator sim(image);
    ASSERT_TRUE(hosttest::done(
        window.connectDrive(QString::fromStdString(sim.address()),
                            QString::fromStdString(hosttest::sampleImage("fcd300_sample.json")))));
    ASSERT_TRUE(hosttest::done(window.setOnline(true)));
    const std::string program = workflowtest::sampleWith(scratch, {{1303, {{2, "9.00"}}}},
                                                         "fcd300_sample.json", "program.json");
    ASSERT_TRUE(hosttest::done(window.importProgram(QString::fromStdString(program))));
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1303, 2), "9.00");
    ASSERT_TRUE(hosttest::done(window.undo()));
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1303, 2), "0.75");
}
