#include "HostTestSupport.h"
#include "SimulatedDrive.h"
#include "support/ScratchFolder.h"

#include "EventDispacher.h"
#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CSettingsManager.h"
#include "Settings_Stock/CNEB_Choicelist.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>

// Every host call of loading the program and of each editing path is made to
// fail in turn. Each failure must arrive as one logged CCustomException of
// category 1, code 1, and the drive image must afterwards be either exactly the
// image before the command or exactly the image after it: never half written.

namespace {

struct Session
{
    std::unique_ptr<SimulatedDrive> drive;
    std::unique_ptr<CEventDispacher> dispatcher;
    NEBPT::CNEB_Program program;

    CNEB_EAPair& pair(size_t position)
    {
        auto it = program.getPairs().begin();
        std::advance(it, position);
        return **it;
    }
};

using Command = std::function<void(Session&)>;

// A change of one value to another entry of its choice list.
CNEB_ChoicelistItem otherItem(CNEB_Choicelist& list, unsigned long current)
{
    for (const CNEB_ChoicelistItem& item : list) {
        if (item.getID() != current && item.getID() != 0)
            return item;
    }
    throw std::runtime_error("choice list offers no other item");
}

class FaultSweepTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_original = hosttest::fileBytes(hosttest::sampleImage("fcd300_sample.json"));
        ASSERT_FALSE(m_original.empty());
    }

    std::string freshImage()
    {
        const std::string path = m_scratch.file("drive.json");
        hosttest::copyFile(hosttest::sampleImage("fcd300_sample.json"), path);
        return path;
    }

    static void open(Session& session, const std::string& path, bool withSettings = true)
    {
        session.drive = std::make_unique<SimulatedDrive>(path);
        session.dispatcher = std::make_unique<CEventDispacher>(session.drive.get());
        session.dispatcher->init();
        session.program.assign(session.dispatcher->getSettingsManager().getProgram());
        // The settings object logs and swallows its own read failures by design;
        // it is made before the sweep, as the settings dialog's caller makes it.
        if (withSettings)
            session.program.getSettings();
    }

    size_t logLines() const
    {
        return testsupport::readLogLines(m_logs.path() + "Torvane Drives/nebpt.log").size();
    }

    // Runs `command` once without failure to count its host calls and learn the
    // image it leaves, then once per call with that call failing.
    void sweep(const char* name, const Command& command)
    {
        SCOPED_TRACE(name);
        std::string after;
        size_t calls = 0;
        {
            Session session;
            const std::string path = freshImage();
            open(session, path);
            session.drive->resetCalls();
            command(session);
            calls = session.drive->callCount();
            after = hosttest::fileBytes(path);
        }
        ASSERT_GT(calls, 0u);
        for (size_t k = 1; k <= calls; ++k) {
            SCOPED_TRACE("failing host call " + std::to_string(k));
            Session session;
            const std::string path = freshImage();
            open(session, path);
            session.drive->resetCalls();
            session.drive->failAtCall(k);
            const size_t linesBefore = logLines();
            bool failed = false;
            try {
                command(session);
            } catch (const CCustomException& e) {
                failed = true;
                EXPECT_EQ(e.getCategory(), 1);
                EXPECT_EQ(e.getCode(), 1);
            }
            // A failed attribute reading is swallowed: the limits keep what the
            // host left in them and the command goes on.
            const bool swallowed =
                session.drive->lastRefusal().rfind("GetParameterAttributes:", 0) == 0;
            EXPECT_EQ(failed, !swallowed) << session.drive->lastRefusal();
            EXPECT_EQ(logLines(), linesBefore + (swallowed ? 0 : 1));
            const std::string image = hosttest::fileBytes(path);
            EXPECT_TRUE(image == m_original || image == after) << "image half written";
        }
    }

    testsupport::ScratchFolder m_scratch;
    testsupport::ScratchFolder m_logs;
    testsupport::TempFolderGuard m_tmp{m_logs.path()};
    std::string m_original;
};

} // namespace

TEST_F(FaultSweepTest, LoadingTheProgram)
{
    Session reference;
    open(reference, freshImage(), false);
    const size_t calls = reference.drive->callCount();
    ASSERT_GT(calls, 10u);
    for (size_t k = 1; k <= calls; ++k) {
        SCOPED_TRACE("failing host call " + std::to_string(k));
        const std::string path = freshImage();
        auto drive = std::make_unique<SimulatedDrive>(path);
        drive->failAtCall(k);
        const size_t linesBefore = logLines();
        try {
            CEventDispacher dispatcher(drive.get());
            dispatcher.init();
            NEBPT::CNEB_Program program = dispatcher.getSettingsManager().getProgram();
            ADD_FAILURE() << "the failure did not arrive";
        } catch (const CCustomException& e) {
            EXPECT_EQ(e.getCategory(), 1);
            EXPECT_EQ(e.getCode(), 1);
        }
        EXPECT_EQ(logLines(), linesBefore + 1);
        EXPECT_EQ(hosttest::fileBytes(path), m_original);
    }
}

TEST_F(FaultSweepTest, EditingPairs)
{
    sweep("add pair at end", [](Session& s) {
        s.program.addPairToEnd();
        s.dispatcher->addPairToEnd(s.program);
        s.program.reload();
    });
    sweep("insert pair before the first", [](Session& s) {
        s.program.addPairBefore(s.pair(0));
        s.dispatcher->addPairBeforeSelected(s.program);
        s.program.reload();
    });
    sweep("delete the second pair", [](Session& s) {
        s.program.deletePair(s.pair(1));
        s.dispatcher->deletePair(s.program);
        s.program.reload();
    });
    sweep("change an event", [](Session& s) {
        CNEB_Event& event = s.pair(0).getEvent();
        event.setItem(otherItem(event.getChoicelist(), event.getItem().getID()));
        s.dispatcher->modifyEvent(s.program);
        s.program.reload();
    });
    sweep("change an action", [](Session& s) {
        CNEB_Action& action = s.pair(2).getAction();
        action.setItem(otherItem(action.getChoicelist(), action.getItem().getID()));
        s.dispatcher->modifyAction(s.program);
        s.program.reload();
    });
}

TEST_F(FaultSweepTest, SavingObjects)
{
    sweep("save a timer", [](Session& s) {
        CNEB_Timer& timer = s.program.getTimer(1);
        timer.setValue(timer.getValue() + 1.5);
        s.dispatcher->defineTimer(timer);
        s.program.reload();
    });
    sweep("save a comparator", [](Session& s) {
        CNEB_Comparator& comparator = s.program.getComparator(0);
        comparator.setValue(comparator.getValue() + 10.0);
        s.dispatcher->defineComp(comparator);
        s.program.reload();
    });
    sweep("save a logic rule", [](Session& s) {
        CNEB_LogicRule& rule = s.program.getLogicRule(2);
        rule.setOperatorItem(
            otherItem(rule.getOperatorChoicelist(0), rule.getOperatorItem(0).getID()), 0);
        s.dispatcher->defineLR(rule);
        s.program.reload();
    });
    sweep("save the settings", [](Session& s) {
        CNEB_Settings& settings = s.program.getSettings();
        settings.setItem(otherItem(settings.getChoicelist(2), settings.getItem(2).getID()), 2);
        s.dispatcher->defineNEB_Settings(settings);
        s.program.reload();
    });
}
