#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEB_Comparator.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CNEB_Timer.h"
#include "Settings_Manager/CSettingManagerFunc.h"
#include "Settings_Stock/CSettingStock.h"
#include "framework/Resources.h"
#include "support/FakeHost.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>
#include <vector>

using testsupport::FakeHost;
using Strings = std::vector<std::string>;

// The string table of a language library, for the test program itself to act as one.
extern "C" __attribute__((visibility("default"))) const char* nebpt_resource_string(unsigned id)
{
    return id == 2147 ? "Logic rule" : nullptr;
}

namespace {

// "number.index=text" for each entry, to compare bunches at a glance.
Strings entries(const CNEBChangeBunch& bunch)
{
    Strings result;
    for (const CNEBParameter& p : bunch.getParameters())
        result.push_back(std::to_string(p.getNumber()) + "." + std::to_string(p.getIndex()) + "=" +
                         p.getText());
    return result;
}

// The "number index" pairs of the values read from the drive, in call order.
Strings reads(const FakeHost& host)
{
    Strings result;
    for (const FakeHost::Call& call : host.calls())
        if (call.operation == "ReadParameterValue")
            result.push_back(call.arguments[0] + " " + call.arguments[1]);
    return result;
}

CNEB_ChoicelistItem item(unsigned long id)
{
    CNEB_ChoicelistItem result;
    result.setID(id);
    return result;
}

// The sample drive, connected as the settings manager would connect it.
class ChangeableObjectsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_stock.initConfiguration(m_host.driveName, m_host.aocVersion, m_host.dbVersion);
        m_host.clearCalls();
    }

    std::vector<std::string> logLines() const
    {
        return testsupport::readLogLines(m_scratch.path() + "Torvane Drives/nebpt.log");
    }

    testsupport::ScratchFolder m_scratch;
    testsupport::TempFolderGuard m_tmp{m_scratch.path()};
    FakeHost m_host = FakeHost::sampleDrive();
    CExternalDataManager m_dataManager{&m_host};
    CSettingStock m_stock;
    CSettingManagerFunc m_func{&m_stock, &m_dataManager};
};

} // namespace

// --- comparator ---

TEST_F(ChangeableObjectsTest, ComparatorReadsItsOwnElements)
{
    m_host.setValue(1310, 2, "3");
    m_host.setValue(1311, 2, "2");
    m_host.setValue(1312, 2, "12.500000");
    m_host.setValue(1310, 4, "4");

    CNEB_Comparator two(2, &m_func);
    EXPECT_EQ(reads(m_host), (Strings{"1310 2", "1311 2", "1312 2"}));
    EXPECT_EQ(m_host.callCount("GetParameterAttributes"), 1u);
    EXPECT_EQ(two.getIndex(), 2u);
    EXPECT_EQ(two.m_index, 2u);
    EXPECT_EQ(two.getOperandItem().getText(), "Motor speed");
    EXPECT_EQ(two.getOperatorItem().getText(), "Greater than");
    EXPECT_DOUBLE_EQ(two.getValue(), 12.5);
    EXPECT_EQ(two.getOperandChoicelist().size(), 4u);
    EXPECT_EQ(two.getOperatorChoicelist().size(), 3u);

    CNEB_Comparator four(4, &m_func);
    EXPECT_EQ(four.getOperandItem().getText(), "Motor current");
    EXPECT_EQ(entries(four.getChangeBunch()), (Strings{"1310.4=4", "1311.4=0", "1312.4=0.000000"}));

    // A value the drive's list does not offer.
    m_host.setValue(1311, 5, "9");
    CNEB_Comparator five(5, &m_func);
    EXPECT_THROW(five.getOperatorItem(), CCustomException);
}

TEST_F(ChangeableObjectsTest, ComparatorEditsStayInMemoryUntilWritten)
{
    m_host.setValue(1310, 1, "1");
    m_host.setValue(1311, 1, "1");
    CNEB_Comparator comparator(1, &m_func);
    const Strings before = entries(comparator.getChangeBunch());
    EXPECT_EQ(entries(comparator.getChangeBunch()), before) << "built twice, same entries";
    m_host.clearCalls();

    comparator.setValue(2.5);
    EXPECT_EQ(entries(comparator.getChangeBunch()),
              (Strings{"1310.1=1", "1311.1=1", "1312.1=2.500000"}));
    comparator.setOperandItem(item(4));
    comparator.setOperatorItem(item(2));
    EXPECT_EQ(comparator.getOperandItem().getText(), "Motor current");
    EXPECT_EQ(entries(comparator.getChangeBunch()),
              (Strings{"1310.1=4", "1311.1=2", "1312.1=2.500000"}));
    EXPECT_EQ(m_host.callCount("ReadParameterValue"), 0u);
    EXPECT_EQ(m_host.callCount("WriteParameterValues"), 0u);
    EXPECT_EQ(m_host.value(1312, 1), "0.000000");

    // Copies take everything over without asking the drive.
    m_host.clearCalls();
    const CNEB_Comparator copy = comparator;
    CNEB_Comparator assigned(0, &m_func);
    m_host.clearCalls();
    assigned = comparator;
    EXPECT_TRUE(m_host.calls().empty());
    EXPECT_EQ(entries(copy.getChangeBunch()), entries(comparator.getChangeBunch()));
    EXPECT_EQ(assigned.getIndex(), 1u);
}

TEST_F(ChangeableObjectsTest, ComparatorLimitsAreWholeNumbersReadOnce)
{
    m_host.parameter(1312).minimum = "-7.9";
    m_host.parameter(1312).maximum = "12.5";
    m_host.parameter(1312).decimals = "3";
    CNEB_Comparator comparator(0, &m_func);
    double minimum = 1, maximum = 1;
    unsigned decimals = 1;
    comparator.getValueLimits(minimum, maximum, decimals);
    EXPECT_DOUBLE_EQ(minimum, -7.0);
    EXPECT_DOUBLE_EQ(maximum, 12.0);
    EXPECT_EQ(decimals, 3u);

    m_host.parameter(1312).maximum = "500";
    m_host.setValue(1310, 0, "3");
    m_host.setValue(1311, 0, "1");
    m_host.setValue(1312, 0, "7.000000");
    m_host.clearCalls();
    comparator.reread();
    EXPECT_EQ(reads(m_host), (Strings{"1311 0", "1310 0", "1312 0"}));
    EXPECT_EQ(m_host.callCount("GetParameterAttributes"), 0u);
    EXPECT_EQ(comparator.getOperandItem().getText(), "Motor speed");
    EXPECT_DOUBLE_EQ(comparator.getValue(), 7.0);
    comparator.getValueLimits(minimum, maximum, decimals);
    EXPECT_DOUBLE_EQ(maximum, 12.0) << "limits are not read again";

    // Texts that are no numbers give 0.
    m_host.parameter(1312).minimum = "none";
    m_host.parameter(1312).maximum = "";
    m_host.parameter(1312).decimals = "x";
    m_host.setValue(1312, 3, "abc");
    CNEB_Comparator unnumbered(3, &m_func);
    unnumbered.getValueLimits(minimum, maximum, decimals);
    EXPECT_DOUBLE_EQ(minimum, 0.0);
    EXPECT_DOUBLE_EQ(maximum, 0.0);
    EXPECT_EQ(decimals, 0u);
    EXPECT_DOUBLE_EQ(unnumbered.getValue(), 0.0);
}

TEST_F(ChangeableObjectsTest, ComparatorConstructionFailsOnAFailedRead)
{
    m_host.failAtCall(2); // the operator
    EXPECT_THROW(CNEB_Comparator(0, &m_func), CCustomException);
    EXPECT_EQ(logLines().size(), 1u);
    // A failed description read is no failure: the limits read as 0.
    m_host.stopFailing();
    m_host.failOperation("GetParameterAttributes");
    CNEB_Comparator comparator(0, &m_func);
    double minimum = 1, maximum = 1;
    unsigned decimals = 1;
    comparator.getValueLimits(minimum, maximum, decimals);
    EXPECT_DOUBLE_EQ(maximum, 0.0);
}

// --- logic rule ---

TEST_F(ChangeableObjectsTest, LogicRuleReadsFiveElementsAndKnowsOperandsAndOperators)
{
    m_host.setValue(1320, 3, "1");
    m_host.setValue(1321, 3, "2");
    m_host.setValue(1322, 3, "22");
    m_host.setValue(1323, 3, "0");
    m_host.setValue(1324, 3, "29");
    CNEB_LogicRule rule(3, &m_func);
    EXPECT_EQ(reads(m_host), (Strings{"1320 3", "1321 3", "1322 3", "1323 3", "1324 3"}));
    EXPECT_EQ(rule.getIndex(), 3u);
    EXPECT_EQ(rule.getOperandItem(0).getText(), "True");
    EXPECT_EQ(rule.getOperatorItem(0).getText(), "OR");
    EXPECT_EQ(rule.getOperandItem(1).getText(), "Comparator 0");
    EXPECT_EQ(rule.getOperatorItem(1).getText(), "DISABLED");
    EXPECT_EQ(rule.getOperandItem(2).getText(), "Logic rule 1") << "operand 3's item";
    EXPECT_EQ(rule.getOperandChoicelist(2).size(), rule.getOperandChoicelist(0).size());
    EXPECT_EQ(rule.getOperatorChoicelist(1).size(), 9u);
    EXPECT_EQ(entries(rule.getChangeBunch()),
              (Strings{"1320.3=1", "1321.3=2", "1322.3=22", "1323.3=0", "1324.3=29"}));

    rule.setOperandItem(item(5), 1);
    rule.setOperatorItem(item(7), 1);
    EXPECT_EQ(entries(rule.getChangeBunch()),
              (Strings{"1320.3=1", "1321.3=2", "1322.3=5", "1323.3=7", "1324.3=29"}));

    m_host.setValue(1322, 3, "4");
    m_host.clearCalls();
    rule.reread();
    EXPECT_EQ(reads(m_host), (Strings{"1320 3", "1321 3", "1322 3", "1323 3", "1324 3"}));
    EXPECT_EQ(rule.getOperandItem(1).getText(), "Torque limit");
}

TEST_F(ChangeableObjectsTest, LogicRuleRefusesOperandAndOperatorNumbersOutOfRange)
{
    CNEB_LogicRule rule(0, &m_func);
    const Strings before = entries(rule.getChangeBunch());
    const auto expectRefused = [&](auto operation, int category, int code) {
        try {
            operation();
            ADD_FAILURE() << "no exception for code " << code;
        } catch (const CCustomException& e) {
            EXPECT_EQ(e.getCategory(), category) << code;
            EXPECT_EQ(e.getCode(), code);
        }
    };
    expectRefused([&] { rule.getOperandItem(3); }, 1, 2130);
    expectRefused([&] { rule.getOperatorItem(2); }, 1, 2131);
    expectRefused([&] { rule.setOperandItem(item(1), 3); }, 0, 2132);
    expectRefused([&] { rule.setOperatorItem(item(1), 2); }, 0, 2133);
    expectRefused([&] { rule.getOperandItem(65535); }, 1, 2130);
    EXPECT_EQ(entries(rule.getChangeBunch()), before);
    EXPECT_EQ(logLines().size(), 5u);
    // The choice lists refuse such numbers too, instead of reading past the rule.
    EXPECT_THROW(rule.getOperandChoicelist(3), CCustomException);
    EXPECT_THROW(rule.getOperatorChoicelist(2), CCustomException);
}

TEST_F(ChangeableObjectsTest, LogicRuleNameStartsWithTheLanguageString)
{
    for (unsigned long number = 1320; number <= 1324; ++number)
        m_host.parameter(number).values.resize(13, "0");
    const CNEB_LogicRule rule(4, &m_func);
    EXPECT_EQ(rule.getName(), " 4") << "no language library: an empty string";

    void* self = dlopen(nullptr, RTLD_NOW);
    ASSERT_NE(self, nullptr);
    const fw::LibraryHandle previous = fw::setCurrentResourceLibrary(self);
    const std::string name = rule.getName();
    const std::string other = CNEB_LogicRule(12, &m_func).getName();
    fw::setCurrentResourceLibrary(previous);
    dlclose(self);
    EXPECT_EQ(name, "Logic rule 4");
    EXPECT_EQ(other, "Logic rule 12");
}

TEST_F(ChangeableObjectsTest, LogicRuleWrittenBackLeavesTheDriveAsItWas)
{
    m_host.setValue(1320, 2, "34");
    m_host.setValue(1321, 2, "3");
    m_host.setValue(1322, 2, "19");
    const auto driveBefore = m_host.parameters;
    CNEB_LogicRule rule(2, &m_func);
    const CNEB_LogicRule copy = rule;
    CNEBChangeBunch bunch = copy.getChangeBunch();
    m_dataManager.writeChangeBunch(bunch);
    for (const auto& [number, parameter] : driveBefore)
        EXPECT_EQ(m_host.parameters.at(number).values, parameter.values) << number;

    m_host.failAtCall(m_host.calls().size() + 5); // LR_OPERAND_3
    EXPECT_THROW(CNEB_LogicRule(1, &m_func), CCustomException);
}

// --- timer ---

TEST_F(ChangeableObjectsTest, TimersReadTheirElementAndTheDescriptionEachTime)
{
    m_host.setValue(1303, 0, "1.500000");
    m_host.setValue(1303, 5, "20.000000");
    m_host.parameter(1303).maximum = "3600.9";
    CNEB_Timer zero(0, &m_func);
    CNEB_Timer five(5, &m_func);
    EXPECT_EQ(reads(m_host), (Strings{"1303 0", "1303 5"}));
    EXPECT_DOUBLE_EQ(zero.getValue(), 1.5);
    EXPECT_DOUBLE_EQ(five.getValue(), 20.0);
    EXPECT_EQ(five.getIndex(), 5u);
    EXPECT_EQ(five.m_index, 5u);

    double minimum = 1, maximum = 1;
    std::string unit;
    unsigned decimals = 0;
    five.getValueDescription(minimum, maximum, unit, decimals);
    EXPECT_DOUBLE_EQ(minimum, 0.0);
    EXPECT_DOUBLE_EQ(maximum, 3600.0);
    EXPECT_EQ(unit, "s");
    EXPECT_EQ(decimals, 2u);

    five.setValue(42.25);
    EXPECT_EQ(entries(five.getChangeBunch()), (Strings{"1303.5=42.250000"}));
    EXPECT_EQ(entries(zero.getChangeBunch()), (Strings{"1303.0=1.500000"}));
    EXPECT_EQ(m_host.value(1303, 5), "20.000000");

    m_host.parameter(1303).minimum = "1";
    m_host.parameter(1303).maximum = "99.99";
    m_host.parameter(1303).unit = "min";
    m_host.parameter(1303).decimals = "1";
    m_host.clearCalls();
    const CNEB_Timer copy = five;
    EXPECT_TRUE(m_host.calls().empty());
    five.reread();
    ASSERT_EQ(m_host.calls().size(), 2u);
    EXPECT_EQ(m_host.calls()[0].operation, "ReadParameterValue");
    EXPECT_EQ(m_host.calls()[1].operation, "GetParameterAttributes");
    EXPECT_DOUBLE_EQ(five.getValue(), 20.0);
    five.getValueDescription(minimum, maximum, unit, decimals);
    EXPECT_DOUBLE_EQ(minimum, 1.0);
    EXPECT_DOUBLE_EQ(maximum, 99.0);
    EXPECT_EQ(unit, "min");
    EXPECT_EQ(decimals, 1u);
    copy.getValueDescription(minimum, maximum, unit, decimals);
    EXPECT_EQ(unit, "s") << "the copy keeps what it had";

    m_host.failOperation("ReadParameterValue");
    EXPECT_THROW(five.reread(), CCustomException);
    EXPECT_THROW(CNEB_Timer(1, &m_func), CCustomException);
}

// --- controller settings ---

TEST_F(ChangeableObjectsTest, SettingsAreThreePlainParametersInFixedOrder)
{
    m_host.setValue(1300, -1, "1");
    m_host.setValue(1305, -1, "19");
    m_host.setValue(1306, -1, "16");
    CNEB_Settings settings(&m_func);
    EXPECT_EQ(reads(m_host), (Strings{"1300 -1", "1305 -1", "1306 -1"}));
    EXPECT_EQ(settings.getItem(0).getText(), "On");
    EXPECT_EQ(settings.getItem(1).getText(), "Digital input 18");
    EXPECT_EQ(settings.getItem(2).getText(), "Alarm (trip)");
    EXPECT_EQ(settings.getChoicelist(0).size(), 2u);
    EXPECT_EQ(entries(settings.getChangeBunch()),
              (Strings{"1300.-1=1", "1305.-1=19", "1306.-1=16"}));

    m_host.clearCalls();
    settings.setItem(settings.getChoicelist(0).findItem(0), 0);
    settings.setItem(item(2), 2);
    EXPECT_EQ(entries(settings.getChangeBunch()),
              (Strings{"1300.-1=0", "1305.-1=19", "1306.-1=2"}));
    EXPECT_EQ(m_host.callCount("ReadParameterValue"), 0u);
    const CNEB_Settings copy = settings;
    EXPECT_EQ(entries(copy.getChangeBunch()), entries(settings.getChangeBunch()));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ChangeableObjectsTest, SettingsReadFailureIsLoggedOnceAndNotThrown)
{
    m_host.setValue(1300, -1, "1");
    m_host.setValue(1305, -1, "19");
    m_host.failAtCall(3); // NEB_STOP_EV
    std::unique_ptr<CNEB_Settings> settings;
    ASSERT_NO_THROW(settings = std::make_unique<CNEB_Settings>(&m_func));
    EXPECT_EQ(settings->getItem(0).getText(), "On");
    EXPECT_EQ(settings->getItem(1).getText(), "Digital input 18");

    const auto lines = logLines();
    size_t withText = 0;
    for (const std::string& line : lines)
        withText += line.find("Settings_Manager/CNEB_Settings.cpp CNEB_Settings constructor") !=
                            std::string::npos
                        ? 1
                        : 0;
    EXPECT_EQ(withText, 1u);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("CNEB_Settings constructor"), std::string::npos);

    // The value that was never read is never written.
    EXPECT_EQ(entries(settings->getChangeBunch()), (Strings{"1300.-1=1", "1305.-1=19"}));
}

TEST_F(ChangeableObjectsTest, SettingsWithoutConfiguredParametersStillExist)
{
    CSettingStock unconfigured;
    CSettingManagerFunc func(&unconfigured, &m_dataManager);
    m_host.clearCalls();
    CNEB_Settings settings(&func);
    EXPECT_TRUE(m_host.calls().empty()) << "nothing to read without parameter numbers";
    EXPECT_TRUE(settings.getChangeBunch().getParameters().empty());
    ASSERT_EQ(logLines().size(), 1u);
    EXPECT_NE(logLines()[0].find("CNEB_Settings constructor"), std::string::npos);
    EXPECT_THROW(settings.getItem(3), CCustomException);
}
