#include "HostTestSupport.h"
#include "SimulatedDrive.h"
#include "support/InterceptedDrive.h"

#include "EventDispacher.h"
#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Stock/CNEB_Choicelist.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

// The plug-in's model against the simulated drive, edited the way the command
// layer edits it: change the program in memory, write its change bunch through
// the dispatcher, reload. Afterwards the image file must hold what the program
// shows, and a host call failing anywhere on the way must leave the image either
// as it was before the edit or as it is after it: never half written.

namespace {

using Steps = std::vector<std::pair<std::string, std::string>>; // event, action

struct Session
{
    explicit Session(const std::string& path) : drive(path) {}

    // Connects to the drive and reads the program, as the editor does when it opens.
    Session& open()
    {
        dispatcher = std::make_unique<CEventDispacher>(&calls);
        dispatcher->init();
        program = dispatcher->getSettingsManager().getProgram();
        return *this;
    }

    CNEB_EAPair& pair(size_t position) { return **std::next(program.getPairs().begin(), position); }

    Steps shown()
    {
        Steps steps;
        for (const auto& p : program.getPairs())
            steps.emplace_back(p->getEvent().getParameter().getText(),
                               p->getAction().getParameter().getText());
        return steps;
    }

    SimulatedDrive drive;
    testsupport::InterceptedDrive calls{drive}; // the plug-in's way to the drive
    std::unique_ptr<CEventDispacher> dispatcher;
    NEBPT::CNEB_Program program;
};

// The steps the drive holds, up to the end marker (action 0).
Steps held(const SimulatedDrive& drive, unsigned long events, long count)
{
    Steps steps;
    for (long i = 0; i < count && drive.value(events + 1, i) != "0"; ++i)
        steps.emplace_back(drive.value(events, i), drive.value(events + 1, i));
    return steps;
}

using Edit = std::function<void(Session&)>;

// Every editing path once, on the sample drive's program (the program is reloaded
// after each); each stands alone and, in this order, builds on the ones before.
const Edit kEdits[] = {
    [](Session& s) { // a pair added at the end
        s.program.addPairToEnd();
        s.dispatcher->addPairToEnd(s.program);
    },
    [](Session& s) { // a pair inserted before the third
        s.program.addPairBefore(s.pair(2));
        s.dispatcher->addPairBeforeSelected(s.program);
    },
    [](Session& s) { // the first pair deleted
        s.program.deletePair(s.pair(0));
        s.dispatcher->deletePair(s.program);
    },
    [](Session& s) { // an event changed
        CNEB_Event& event = s.pair(1).getEvent();
        event.setItem(event.getChoicelist().findItem(23));
        s.dispatcher->modifyEvent(s.program);
    },
    [](Session& s) { // an action changed
        CNEB_Action& action = s.pair(5).getAction();
        action.setItem(action.getChoicelist().findItem(47));
        s.dispatcher->modifyAction(s.program);
    },
    [](Session& s) { // a timer saved
        s.program.getTimer(3).setValue(42.25);
        s.dispatcher->defineTimer(s.program.getTimer(3));
    },
    [](Session& s) { // a comparator saved
        CNEB_Comparator& comparator = s.program.getComparator(4);
        comparator.setOperandItem(comparator.getOperandChoicelist().findItem(5));
        comparator.setOperatorItem(comparator.getOperatorChoicelist().findItem(1));
        comparator.setValue(75.5);
        s.dispatcher->defineComp(comparator);
    },
    [](Session& s) { // a logic rule saved: rule 2 takes rule 1, which does not refer back
        CNEB_LogicRule& rule = s.program.getLogicRule(2);
        EXPECT_TRUE(s.program.checkLogicRuleReference(s.program.getLogicRule(1), rule));
        rule.setOperandItem(rule.getOperandChoicelist(0).findItem(29), 0);
        rule.setOperatorItem(rule.getOperatorChoicelist(0).findItem(4), 0);
        rule.setOperandItem(rule.getOperandChoicelist(1).findItem(41), 1);
        s.dispatcher->defineLR(rule);
    },
    [](Session& s) { // the settings saved
        CNEB_Settings& settings = s.program.getSettings();
        settings.setItem(settings.getChoicelist(0).findItem(0), 0);
        settings.setItem(settings.getChoicelist(1).findItem(20), 1);
        s.dispatcher->defineNEB_Settings(settings);
    },
};

const std::string kLog = "Torvane Drives/nebpt.log";

class DriveEditingTest : public ::testing::Test
{
protected:
    std::string freshImage(const std::string& sample = "fcd300_sample.json")
    {
        return hosttest::copyOfSample(m_scratch, sample, "drive.json");
    }

    size_t logLines() const { return testsupport::readLogLines(m_logs.path() + kLog).size(); }

    // Makes host call `failAt` (0: none) of `edit` fail, or of loading the program
    // when `edit` is empty. The failure must arrive as one logged CCustomException
    // of category 1, code 1; only the drive identification's failure reaches the
    // caller as the drive threw it. Returns the calls made and the image left.
    std::pair<size_t, std::string> attempt(const Edit& edit, size_t failAt)
    {
        const std::string path = freshImage();
        Session session(path);
        if (edit) {
            session.open();
            // The settings object logs and swallows its own read failures by
            // design; it is made before, as the settings dialog's caller makes it.
            session.program.getSettings();
            session.calls.resetCalls();
        }
        session.calls.failAtCall(failAt);
        const size_t linesBefore = logLines();
        bool failed = false, logged = false;
        try {
            edit ? (edit(session), session.program.reload()) : void(session.open());
        } catch (const CCustomException& e) {
            failed = logged = true;
            EXPECT_EQ(std::pair(e.getCategory(), e.getCode()), std::pair(1, 1));
        } catch (const DriveRefusal&) {
            failed = true;
            EXPECT_EQ(session.calls.lastRefusal().rfind("GetDriveIdentity:", 0), 0u);
        }
        // A failed attribute reading of an edit is swallowed: the limits keep what
        // the host left in them and the command goes on.
        const bool swallowed =
            edit && session.calls.lastRefusal().rfind("GetParameterAttributes:", 0) == 0;
        EXPECT_EQ(failed, failAt != 0 && !swallowed) << session.calls.lastRefusal();
        EXPECT_EQ(logLines(), linesBefore + (logged ? 1 : 0));
        if (failed && edit) { // the program reloaded shows what the drive holds
            session.calls.stopFailing();
            session.program.reload();
            EXPECT_EQ(session.shown(), held(session.drive, 1301, 20));
        }
        return {session.calls.callCount(), hosttest::fileBytes(path)};
    }

    testsupport::ScratchFolder m_scratch;
    testsupport::ScratchFolder m_logs;
    testsupport::TempFolderGuard m_tmp{m_logs.path()};
};

} // namespace

TEST_F(DriveEditingTest, EditedProgramIsWhatTheImageHolds)
{
    const std::string path = freshImage();
    Session s(path);
    ASSERT_EQ(
        s.open().shown(),
        (Steps{{"19", "30"}, {"34", "7"}, {"22", "31"}, {"29", "25"}, {"35", "6"}, {"28", "32"}}));
    for (const Edit& edit : kEdits) {
        edit(s);
        s.program.reload();
    }

    // What the program shows after its reload ...
    const Steps expected = {{"34", "7"}, {"23", "1"},  {"22", "31"}, {"29", "25"},
                            {"35", "6"}, {"28", "47"}, {"0", "1"}};
    ASSERT_EQ(s.shown(), expected);
    // ... is exactly what the image file holds, read by a fresh drive ...
    Session again(path);
    EXPECT_EQ(held(again.drive, 1301, 20), expected);
    for (long i = 7; i < 20; ++i)
        EXPECT_EQ(again.drive.value(1302, i), "0") << "no step after the end marker " << i;
    const std::tuple<unsigned long, long, const char*> values[] = {
        {1303, 3, "42.25"}, {1303, 0, "5.00"}, // other timers stay
        {1310, 4, "5"},     {1311, 4, "1"},    {1312, 4, "75.500"}, {1320, 2, "29"},
        {1321, 2, "4"},     {1322, 2, "41"},   {1320, 1, "28"}, // rule 1 keeps rule 0
        {1300, -1, "0"},    {1305, -1, "20"},  {1306, -1, "17"},
    };
    for (const auto& [number, element, value] : values)
        EXPECT_EQ(again.drive.value(number, element), value) << number << "." << element;
    // ... and what a second editor reads from it.
    EXPECT_EQ(again.open().shown(), expected);
}

TEST_F(DriveEditingTest, EveryHostCallOfLoadingAndEditingFailingInTurn)
{
    const std::string before = hosttest::fileBytes(hosttest::sampleImage("fcd300_sample.json"));
    std::vector<Edit> sweeps = {nullptr}; // loading the program
    sweeps.insert(sweeps.end(), std::begin(kEdits), std::end(kEdits));
    for (const Edit& edit : sweeps) {
        SCOPED_TRACE("edit " + std::to_string(&edit - sweeps.data()) + " (0: loading)");
        const auto [calls, after] = attempt(edit, 0);
        ASSERT_GT(calls, 0u);
        for (size_t k = 1; k <= calls; ++k) {
            SCOPED_TRACE("failing host call " + std::to_string(k));
            const std::string image = attempt(edit, k).second;
            EXPECT_TRUE(image == before || image == after) << "image half written";
        }
    }
}
