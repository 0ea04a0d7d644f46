#include "HostTestSupport.h"
#include "SimulatedDrive.h"
#include "support/ScratchFolder.h"

#include "EventDispacher.h"
#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CSettingsManager.h"
#include "Settings_Stock/CNEB_Choicelist.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <utility>
#include <vector>

// The plug-in's model against the simulated drive, edited the way the command
// layer edits it: change the program in memory, write its change bunch through
// the dispatcher, reload. Afterwards the image file must hold what the program shows.

namespace {

using Steps = std::vector<std::pair<std::string, std::string>>; // event, action

class DriveEndToEndTest : public ::testing::Test
{
protected:
    void open(const std::string& sample)
    {
        m_path = m_scratch.file(sample);
        hosttest::copyFile(hosttest::sampleImage(sample), m_path);
        m_drive = std::make_unique<SimulatedDrive>(m_path);
        m_dispatcher = std::make_unique<CEventDispacher>(m_drive.get());
        m_dispatcher->init();
        m_program = m_dispatcher->getSettingsManager().getProgram();
    }

    NEBPT::CNEB_Program& program() { return m_program; }
    CEventDispacher& dispatcher() { return *m_dispatcher; }
    SimulatedDrive& drive() { return *m_drive; }
    const std::string& path() const { return m_path; }

    CNEB_EAPair& pair(size_t position)
    {
        auto it = m_program.getPairs().begin();
        std::advance(it, position);
        return **it;
    }

    Steps shown()
    {
        Steps steps;
        for (const auto& p : m_program.getPairs()) {
            steps.emplace_back(p->getEvent().getParameter().getText(),
                               p->getAction().getParameter().getText());
        }
        return steps;
    }

    testsupport::ScratchFolder m_scratch;
    std::string m_path;
    std::unique_ptr<SimulatedDrive> m_drive;
    std::unique_ptr<CEventDispacher> m_dispatcher;
    NEBPT::CNEB_Program m_program;
};

} // namespace

TEST_F(DriveEndToEndTest, EditedProgramIsWhatTheImageHolds)
{
    open("fcd300_sample.json");
    ASSERT_EQ(
        shown(),
        (Steps{{"19", "30"}, {"34", "7"}, {"22", "31"}, {"29", "25"}, {"35", "6"}, {"28", "32"}}));

    program().addPairToEnd();
    dispatcher().addPairToEnd(program());
    program().reload();
    program().addPairBefore(pair(2));
    dispatcher().addPairBeforeSelected(program());
    program().reload();
    program().deletePair(pair(0));
    dispatcher().deletePair(program());
    program().reload();

    CNEB_Event& event = pair(1).getEvent();
    event.setItem(event.getChoicelist().findItem(23));
    dispatcher().modifyEvent(program());
    program().reload();
    CNEB_Action& action = pair(6).getAction();
    action.setItem(action.getChoicelist().findItem(47));
    dispatcher().modifyAction(program());
    program().reload();

    CNEB_Timer& timer = program().getTimer(3);
    timer.setValue(42.25);
    dispatcher().defineTimer(timer);

    CNEB_Comparator& comparator = program().getComparator(4);
    comparator.setOperandItem(comparator.getOperandChoicelist().findItem(5));
    comparator.setOperatorItem(comparator.getOperatorChoicelist().findItem(1));
    comparator.setValue(75.5);
    dispatcher().defineComp(comparator);

    // Rule 2 takes rule 1, which refers to rule 0 but not back to rule 2.
    CNEB_LogicRule& rule = program().getLogicRule(2);
    ASSERT_TRUE(program().checkLogicRuleReference(program().getLogicRule(1), rule));
    rule.setOperandItem(rule.getOperandChoicelist(0).findItem(29), 0);
    rule.setOperatorItem(rule.getOperatorChoicelist(0).findItem(4), 0);
    rule.setOperandItem(rule.getOperandChoicelist(1).findItem(41), 1);
    dispatcher().defineLR(rule);

    CNEB_Settings& settings = program().getSettings();
    settings.setItem(settings.getChoicelist(0).findItem(0), 0);
    settings.setItem(settings.getChoicelist(1).findItem(20), 1);
    dispatcher().defineNEB_Settings(settings);
    program().reload();

    // What the program shows after its reload ...
    const Steps expected = {{"34", "7"}, {"23", "1"},  {"22", "31"}, {"29", "25"},
                            {"35", "6"}, {"28", "32"}, {"0", "47"}};
    ASSERT_EQ(shown(), expected);
    EXPECT_DOUBLE_EQ(program().getTimer(3).getValue(), 42.25);
    EXPECT_EQ(program().getComparator(4).getOperandItem().getText(), "Motor torque");
    EXPECT_DOUBLE_EQ(program().getComparator(4).getValue(), 75.5);
    EXPECT_EQ(program().getLogicRule(2).getOperandItem(0).getText(), "Logic rule 1");
    EXPECT_EQ(program().getLogicRule(2).getOperatorItem(0).getText(), "OR NOT");
    EXPECT_EQ(program().getLogicRule(2).getOperandItem(1).getText(), "Timeout 7");

    // ... is exactly what the image file holds, read by a fresh drive.
    SimulatedDrive reopened(path());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(reopened.value(1301, static_cast<long>(i)),
                  pair(i).getEvent().getParameter().getText());
        EXPECT_EQ(reopened.value(1302, static_cast<long>(i)),
                  pair(i).getAction().getParameter().getText());
    }
    EXPECT_EQ(reopened.value(1302, 7), "0") << "the end marker follows the last step";
    EXPECT_EQ(reopened.value(1301, 7), "0");
    for (long i = 8; i < 20; ++i)
        EXPECT_EQ(reopened.value(1302, i), "0");
    EXPECT_EQ(reopened.value(1303, 3), "42.25");
    EXPECT_EQ(reopened.value(1303, 0), "5.00") << "other timers stay";
    EXPECT_EQ(reopened.value(1310, 4), "5");
    EXPECT_EQ(reopened.value(1311, 4), "1");
    EXPECT_EQ(reopened.value(1312, 4), "75.500");
    EXPECT_EQ(reopened.value(1320, 2), "29");
    EXPECT_EQ(reopened.value(1321, 2), "4");
    EXPECT_EQ(reopened.value(1322, 2), "41");
    EXPECT_EQ(reopened.value(1320, 1), "28") << "rule 1 keeps its reference to rule 0";
    EXPECT_EQ(reopened.value(1300), "0");
    EXPECT_EQ(reopened.value(1305), "20");
    EXPECT_EQ(reopened.value(1306), "17");

    // A second settings manager on the fresh drive reads the same program.
    CSettingsManager manager(&reopened);
    manager.init();
    NEBPT::CNEB_Program again = manager.getProgram();
    Steps steps;
    for (const auto& p : again.getPairs())
        steps.emplace_back(p->getEvent().getParameter().getText(),
                           p->getAction().getParameter().getText());
    EXPECT_EQ(steps, expected);
}

TEST_F(DriveEndToEndTest, IndexBaseOfTheDriveReachesTheRightElements)
{
    open("fcd50m_sample.json");
    ASSERT_EQ(drive().indexBase(), 1);
    ASSERT_EQ(program().getPairs().size(), 4u);
    EXPECT_EQ(dispatcher().getSettingsManager().getSizes().pairs, 10);
    EXPECT_EQ(dispatcher().getSettingsManager().getSizes().timers, 4);

    CNEB_Timer& timer = program().getTimer(1);
    double minimum = 0, maximum = 0;
    std::string unit;
    unsigned decimals = 0;
    timer.getValueDescription(minimum, maximum, unit, decimals);
    EXPECT_EQ(maximum, 60000.0);
    EXPECT_EQ(unit, "");
    timer.setValue(900);
    dispatcher().defineTimer(timer);

    program().addPairToEnd();
    dispatcher().addPairToEnd(program());
    program().reload();
    EXPECT_EQ(program().getPairs().size(), 5u);

    SimulatedDrive reopened(path());
    EXPECT_EQ(reopened.value(403, 1), "900") << "timer 1 is element 1, addressed as 2";
    EXPECT_EQ(reopened.value(403, 0), "1500");
    EXPECT_EQ(reopened.value(401, 4), "0");
    EXPECT_EQ(reopened.value(402, 4), "1") << "the new step";
    EXPECT_EQ(reopened.value(402, 5), "0") << "the new end marker";
}

TEST_F(DriveEndToEndTest, FailedWriteLosesNothing)
{
    open("fcd300_sample.json");
    const Steps before = shown();
    const std::string bytes = hosttest::fileBytes(path());

    drive().failOperation("WriteParameterValues");
    program().addPairToEnd();
    EXPECT_THROW(dispatcher().addPairToEnd(program()), CCustomException);
    program().reload();
    EXPECT_EQ(shown(), before) << "the reload shows what the drive still holds";

    CNEB_Timer& timer = program().getTimer(0);
    timer.setValue(9.5);
    EXPECT_THROW(dispatcher().defineTimer(timer), CCustomException);
    program().reload();
    EXPECT_DOUBLE_EQ(program().getTimer(0).getValue(), 5.0);

    // A value the drive refuses is refused as a whole, not half written.
    drive().stopFailing();
    timer.setValue(4000.0);
    EXPECT_THROW(dispatcher().defineTimer(timer), CCustomException);
    EXPECT_EQ(hosttest::fileBytes(path()), bytes);
}
