#include "EventDispacher.h"
#include "Settings_Manager/CNEB_Comparator.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CNEB_Timer.h"
#include "Settings_Manager/CSettingsManager.h"
#include "support/FakeHost.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::FakeHost;
using Strings = std::vector<std::string>;

namespace {

const Strings kRelatedNumbers = {"1300", "1301", "1302", "1303", "1310", "1311", "1312",
                                 "1320", "1321", "1322", "1323", "1324", "1305", "1306"};

class SettingsManagerTest : public ::testing::Test
{
protected:
    std::vector<std::string> logLines() const
    {
        return testsupport::readLogLines(m_scratch.path() + "Torvane Drives/nebpt.log");
    }

    // The writes the host received, each as its argument list.
    std::vector<Strings> writes() const
    {
        std::vector<Strings> result;
        for (const FakeHost::Call& call : m_host.calls())
            if (call.operation == "WriteParameterValues")
                result.push_back(call.arguments);
        return result;
    }

    // Makes pairs 0..n-1 real steps: event i+1, action "Start".
    void storeSteps(unsigned n)
    {
        for (unsigned i = 0; i < n; ++i) {
            m_host.setValue(1301, i, std::to_string(i + 1));
            m_host.setValue(1302, i, "22");
        }
    }

    testsupport::ScratchFolder m_scratch;
    testsupport::TempFolderGuard m_tmp{m_scratch.path()};
    FakeHost m_host = FakeHost::sampleDrive();
};

} // namespace

TEST_F(SettingsManagerTest, InitIdentifiesRegistersAndSizes)
{
    CSettingsManager manager(&m_host);
    EXPECT_EQ(manager.getSizes().pairs, 0u) << "zero until init";
    m_host.clearCalls();
    manager.init();

    std::vector<std::string> operations;
    for (const FakeHost::Call& call : m_host.calls())
        operations.push_back(call.operation + (call.operation == "GetElementCount"
                                                   ? " " + call.arguments.at(0)
                                                   : std::string()));
    EXPECT_EQ(operations,
              (Strings{"GetDriveIdentity", "RegisterParameters", "GetElementCount 1320",
                       "GetElementCount 1310", "GetElementCount 1301", "GetElementCount 1303"}));
    EXPECT_EQ(m_host.calls()[1].arguments, kRelatedNumbers);

    const ProgramSizes& sizes = manager.getSizes();
    EXPECT_EQ(sizes.logicRules, 6u);
    EXPECT_EQ(sizes.comparators, 6u);
    EXPECT_EQ(sizes.pairs, 20u);
    EXPECT_EQ(sizes.timers, 8u);
    EXPECT_EQ(manager.getStock().getConfiguration().getParameterNumber("NEB_STOP_EV"), 1306u);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(SettingsManagerTest, SizesKeepTheLowSixteenBits)
{
    m_host.parameter(1320).elementCount = 65536 + 3;
    m_host.parameter(1310).elementCount = 65535;
    m_host.parameter(1301).elementCount = 0x12345;
    CSettingsManager manager(&m_host);
    manager.init();
    EXPECT_EQ(manager.getSizes().logicRules, 3u);
    EXPECT_EQ(manager.getSizes().comparators, 65535u);
    EXPECT_EQ(manager.getSizes().pairs, 0x2345u);
    EXPECT_EQ(manager.getSizes().timers, 8u);
}

TEST_F(SettingsManagerTest, UnknownDriveFailsAndKeepsTheOldSizes)
{
    CSettingsManager manager(&m_host);
    manager.init();
    m_host.driveName = "FCD-999";
    m_host.clearCalls();
    try {
        manager.init();
        ADD_FAILURE() << "an unknown drive was accepted";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getText(), "Parameter node not found");
        EXPECT_EQ(e.getCategory(), 5);
    }
    EXPECT_EQ(m_host.callCount("RegisterParameters"), 0u);
    EXPECT_EQ(m_host.callCount("GetElementCount"), 0u);
    EXPECT_EQ(manager.getSizes().pairs, 20u);
    EXPECT_EQ(manager.getSizes().timers, 8u);
    ASSERT_EQ(logLines().size(), 1u);
    EXPECT_NE(logLines()[0].find("Parameter node not found"), std::string::npos);
}

TEST_F(SettingsManagerTest, ASecondInitSwitchesDriveButKeepsCachedChoiceLists)
{
    CSettingsManager manager(&m_host);
    manager.init();
    CChoicelistParameter event;
    event.setNumber(1301);
    event.setIndex(0);
    EXPECT_FALSE(manager.getFunc().getChoicelist(event).isEmpty());

    // Database 02.15 keeps the program in parameters 17xx.
    for (unsigned long number : {1301UL, 1303UL, 1310UL, 1320UL}) {
        m_host.parameters[number + 400] = m_host.parameter(number);
        m_host.parameters[number + 400].elementCount = 4;
    }
    m_host.dbVersion = "02.15";
    m_host.clearCalls();
    manager.init();
    EXPECT_EQ(manager.getStock().getConfiguration().getParameterNumber("EVENT"), 1701u);
    EXPECT_EQ(m_host.calls()[1].arguments.at(0), "1700");
    EXPECT_EQ(manager.getSizes().pairs, 4u);
    manager.getFunc().getChoicelist(event);
    EXPECT_EQ(m_host.callCount("GetChoiceList"), 0u) << "the list for 1301 is still cached";
}

TEST_F(SettingsManagerTest, NoHostNoConnection)
{
    try {
        CSettingsManager manager(nullptr);
        ADD_FAILURE() << "a null host was accepted";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getCategory(), 1);
        EXPECT_EQ(e.getCode(), 1);
    }
    m_host.indexBase = -1;
    EXPECT_THROW(CSettingsManager{&m_host}, CCustomException);
    EXPECT_THROW(CEventDispacher{&m_host}, CCustomException);

    CSettingsManager unconnected;
    EXPECT_THROW(unconnected.init(), CCustomException);
    CEventDispacher dispatcher;
    EXPECT_THROW(dispatcher.init(), CCustomException);
    EXPECT_EQ(dispatcher.getSettingsManager().getDataManager().getInterface(), nullptr);
}

TEST_F(SettingsManagerTest, HostFailuresDuringInitArriveAsTheProgramsException)
{
    CSettingsManager manager(&m_host);
    m_host.clearCalls();
    m_host.thrower = [] { throw 7; };
    for (size_t failing = 1; failing <= 6; ++failing) {
        m_host.clearCalls();
        m_host.failAtCall(failing);
        try {
            manager.init();
            ADD_FAILURE() << "call " << failing << " failed quietly";
        } catch (const CCustomException& e) {
            EXPECT_EQ(e.getCategory(), 1) << failing;
            EXPECT_EQ(e.getCode(), 1) << failing;
        } catch (...) {
            ADD_FAILURE() << "call " << failing << ": a foreign exception escaped";
        }
    }
    EXPECT_EQ(logLines().size(), 6u);
    EXPECT_EQ(manager.getSizes().pairs, 0u) << "a failed size reading stores no size";
}

TEST_F(SettingsManagerTest, ACopyWorksOnItsOwnParts)
{
    CSettingsManager original(&m_host);
    original.init();
    const CSettingsManager copy = original;
    CSettingsManager& same = const_cast<CSettingsManager&>(copy);
    EXPECT_EQ(same.getFunc().getStock(), &same.getStock());
    EXPECT_NE(same.getFunc().getStock(), &original.getStock());
    EXPECT_EQ(same.getSizes().pairs, 20u);
    EXPECT_EQ(same.getDataManager().getInterface(), &m_host);

    // A list read through the copy lands in the copy's stock only.
    CChoicelistParameter action;
    action.setNumber(1302);
    action.setIndex(0);
    CNEB_Choicelist& list = same.getFunc().getChoicelist(action);
    EXPECT_EQ(&list, &same.getStock().getChoicelist(action));
    EXPECT_TRUE(original.getStock().getChoicelist(action).isEmpty());

    CSettingsManager assigned;
    assigned = original;
    EXPECT_EQ(assigned.getFunc().getStock(), &assigned.getStock());
    EXPECT_EQ(assigned.getSizes().timers, 8u);

    const CEventDispacher dispatcher(&m_host);
    CEventDispacher dispatcherCopy = dispatcher;
    CSettingsManager& inCopy = dispatcherCopy.getSettingsManager();
    EXPECT_EQ(inCopy.getFunc().getStock(), &inCopy.getStock());
}

TEST_F(SettingsManagerTest, ProgramsWritesAndNames)
{
    storeSteps(2);
    CSettingsManager manager(&m_host);
    manager.init();
    NEBPT::CNEB_Program program = manager.getProgram();
    EXPECT_EQ(program.getPairs().size(), 2u);
    EXPECT_TRUE(program.isBuilt());

    CNEBChangeBunch bunch;
    CNEBParameter mode;
    mode.setNumber(1300);
    mode.setText("1");
    bunch.addParameter(mode);
    m_host.clearCalls();
    manager.applyChangeBunch(bunch);
    EXPECT_EQ(writes(), (std::vector<Strings>{{"1300=1", "Setup 1", "0"}}));
    EXPECT_EQ(m_host.value(1300), "1");

    std::string name;
    manager.getParameterName("1303", name);
    EXPECT_EQ(name, "Controller timer");
    EXPECT_EQ(m_host.calls().back().arguments, (Strings{"1303"}));
}

// --- dispatcher ---

TEST_F(SettingsManagerTest, DispatcherWritesTheWholeObject)
{
    storeSteps(3);
    m_host.setValue(1300, -1, "1");
    m_host.setValue(1305, -1, "19");
    m_host.setValue(1306, -1, "16");
    CEventDispacher dispatcher(&m_host);
    dispatcher.init();
    CSettingsManager& manager = dispatcher.getSettingsManager();
    NEBPT::CNEB_Program program = manager.getProgram();

    m_host.clearCalls();
    dispatcher.addPairToEnd(program);
    EXPECT_EQ(writes(), (std::vector<Strings>{{"1302.0=22", "1301.0=1", "1302.1=22", "1301.1=2",
                                               "1302.2=22", "1301.2=3", "Setup 1", "0"}}));
    EXPECT_EQ(program.getPairs().size(), 3u) << "the dispatcher adds nothing itself";

    for (auto operation : {&CEventDispacher::addPairBeforeSelected, &CEventDispacher::deletePair,
                           &CEventDispacher::modifyEvent, &CEventDispacher::modifyAction}) {
        m_host.clearCalls();
        (dispatcher.*operation)(program);
        ASSERT_EQ(writes().size(), 1u);
        EXPECT_EQ(writes()[0].size(), 6u + 2u);
    }

    CNEB_Settings settings(&manager.getFunc());
    m_host.clearCalls();
    dispatcher.defineNEB_Settings(settings);
    EXPECT_EQ(writes(), (std::vector<Strings>{{"1300=1", "1305=19", "1306=16", "Setup 1", "0"}}));

    CNEB_Timer timer(4, &manager.getFunc());
    timer.setValue(9.5);
    CNEB_Comparator comparator(1, &manager.getFunc());
    CNEB_LogicRule rule(5, &manager.getFunc());
    m_host.clearCalls();
    dispatcher.defineTimer(timer);
    dispatcher.defineComp(comparator);
    dispatcher.defineLR(rule);
    EXPECT_EQ(writes(),
              (std::vector<Strings>{
                  {"1303.4=9.500000", "Setup 1", "0"},
                  {"1310.1=0", "1311.1=0", "1312.1=0.000000", "Setup 1", "0"},
                  {"1320.5=0", "1321.5=0", "1322.5=0", "1323.5=0", "1324.5=0", "Setup 1", "0"}}));
    EXPECT_EQ(m_host.value(1303, 4), "9.500000");
}

TEST_F(SettingsManagerTest, DispatcherPassesFailuresOnAndItsEmptyOperationsDoNothing)
{
    storeSteps(1);
    CEventDispacher dispatcher(&m_host);
    dispatcher.init();
    NEBPT::CNEB_Program program = dispatcher.getSettingsManager().getProgram();
    const auto driveBefore = m_host.parameters;

    m_host.clearCalls();
    dispatcher.undo();
    dispatcher.redo();
    dispatcher.printNEB();
    dispatcher.selectEvent();
    dispatcher.selectAction();
    dispatcher.close();
    EXPECT_TRUE(m_host.calls().empty());
    EXPECT_EQ(program.getPairs().size(), 1u);

    m_host.failOperation("WriteParameterValues");
    try {
        dispatcher.modifyEvent(program);
        ADD_FAILURE() << "the failed write went unnoticed";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getCategory(), 1);
        EXPECT_EQ(e.getCode(), 1);
    }
    for (const auto& [number, parameter] : driveBefore)
        EXPECT_EQ(m_host.parameters.at(number).values, parameter.values) << number;
    EXPECT_EQ(logLines().size(), 1u);
}
