#include "HostWindow.h"
#include "HostWindowTestSupport.h"
#include "LinkTestSupport.h"
#include "SimulatedDrive.h"
#include "WorkflowTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFileInfo>

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
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));
    EXPECT_FALSE(window.undo()) << "nothing to undo yet";
    hosttest::chooseFirstEvent(window, "Running");
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1301, 0), "2");

    const std::string program = workflowtest::sampleWith(scratch, {{1301, {{0, "35"}, {1, "36"}}}},
                                                         "fcd300_sample.json", "program.json");
    ASSERT_TRUE(window.importProgram(QString::fromStdString(program)));
    EXPECT_THAT(messages.shown().back().text, HasSubstr("2 elements change"));
    EXPECT_EQ(hosttest::firstEvent(window), "Timeout 1");

    ASSERT_TRUE(window.undo());
    EXPECT_EQ(hosttest::firstEvent(window), "Running");
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1301, 1), "34");
    ASSERT_TRUE(window.undo());
    EXPECT_EQ(hosttest::firstEvent(window), "Digital input 18");
    ASSERT_TRUE(window.redo());
    ASSERT_TRUE(window.redo());
    EXPECT_EQ(hosttest::firstEvent(window), "Timeout 1");

    // Another drive starts with a journal of its own, and takes no program of
    // another drive type.
    const std::string other = hosttest::copyOfSample(scratch, "fcd50m_sample.json", "other.json");
    ASSERT_TRUE(window.openImage(QString::fromStdString(other)));
    EXPECT_FALSE(window.undo());
    const std::string otherBefore = hosttest::fileBytes(other);
    EXPECT_FALSE(window.importProgram(QString::fromStdString(program)));
    EXPECT_THAT(messages.shown().back().text, HasSubstr("is not imported; nothing was written"));
    EXPECT_EQ(hosttest::fileBytes(other), otherBefore);
}

// Export, import, print and check through the menus are the gui tests'; a
// program printed into a file is written whole, or told and not at all.
TEST_F(WindowWorkflowTest, PrintsIntoAFileWholeOrTellsWhyNot)
{
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));
    const QString pdf = QString::fromStdString(scratch.file("printed.pdf"));
    ASSERT_TRUE(window.printProgramToPdf(pdf));
    EXPECT_GT(QFileInfo(pdf).size(), 0);
    const QString nowhere = QString::fromStdString(scratch.file("missing/printed.pdf"));
    EXPECT_FALSE(window.printProgramToPdf(nowhere));
    EXPECT_THAT(messages.shown().back().text, HasSubstr("cannot be printed to"));
    EXPECT_FALSE(QFileInfo::exists(nowhere));
}

// Over a Modbus link the journal stands in front of the link as it does in
// front of an image.
TEST_F(WindowWorkflowTest, UndoesAnImportOverALink)
{
    linktest::DriveSimulator sim(image);
    ASSERT_TRUE(
        window.connectDrive(QString::fromStdString(sim.address()),
                            QString::fromStdString(hosttest::sampleImage("fcd300_sample.json"))));
    ASSERT_TRUE(window.setOnline(true));
    const std::string program = workflowtest::sampleWith(scratch, {{1303, {{2, "9.00"}}}},
                                                         "fcd300_sample.json", "program.json");
    ASSERT_TRUE(window.importProgram(QString::fromStdString(program)));
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1303, 2), "9.00");
    ASSERT_TRUE(window.undo());
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1303, 2), "0.75");
}
