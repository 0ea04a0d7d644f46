#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEBChangeBunch.h"
#include "Settings_Manager/CSettingManagerFunc.h"
#include "Settings_Stock/CNEBParameter.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "Settings_Stock/CSettingStock.h"
#include "support/FakeHost.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using testsupport::FakeHost;
using Strings = std::vector<std::string>;

namespace {

CNEBParameter makeParameter(unsigned long number, long index, const std::string& text = {})
{
    CNEBParameter parameter;
    parameter.setNumber(number);
    parameter.setIndex(index);
    parameter.setText(text);
    return parameter;
}

// A drive with parameter 7 (five elements), parameter 12345 (single value) and
// parameter 3000000000, whose number does not fit a signed 32-bit number.
FakeHost smallDrive(int indexBase)
{
    FakeHost host;
    host.indexBase = indexBase;
    FakeHost::Parameter seven;
    seven.name = "Seven";
    seven.elementCount = 5;
    seven.values = {"10", "11", "12", "13", "14"};
    seven.choices = {"1:One", "2:Two"};
    seven.minimum = "-5";
    seven.maximum = "50";
    seven.unit = "Hz";
    seven.decimals = "1";
    host.parameters[7] = seven;
    FakeHost::Parameter big;
    big.name = "Big";
    big.values = {"99"};
    big.choices = {"4:Four"};
    host.parameters[12345] = big;
    return host;
}

class ExternalDataManagerTest : public ::testing::Test
{
protected:
    testsupport::ScratchFolder m_scratch;
    testsupport::TempFolderGuard m_tmp{m_scratch.path()};

    std::vector<std::string> logLines() const
    {
        return testsupport::readLogLines(m_scratch.path() + "Torvane Drives/nebpt.log");
    }

    // Runs `operation`, which must fail with the data manager's host failure.
    void expectHostFailure(const std::function<void()>& operation, const std::string& what)
    {
        const size_t linesBefore = logLines().size();
        try {
            operation();
            ADD_FAILURE() << what << ": no exception";
        } catch (const CCustomException& e) {
            EXPECT_EQ(e.getCategory(), 1) << what;
            EXPECT_EQ(e.getCode(), 1) << what;
            EXPECT_EQ(e.getFile(), "External_Data_Manager/ExternalDataManager.cpp") << what;
        } catch (...) {
            ADD_FAILURE() << what << ": a foreign exception escaped";
        }
        EXPECT_EQ(logLines().size(), linesBefore + 1) << what;
    }
};

} // namespace

TEST_F(ExternalDataManagerTest, IdentifierFormsWithIndexBaseOne)
{
    FakeHost host = smallDrive(1);
    CExternalDataManager manager(&host);
    host.clearCalls();

    CNEBParameter element = makeParameter(7, 3);
    manager.readParameter(element);
    EXPECT_EQ(element.getText(), "13") << "element 3 is sent as index 4";
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0].arguments, (Strings{"0007", "4", "", "Setup 1"}));

    std::string minimum, maximum, unit, decimals;
    manager.getParameterAttributes(element, minimum, maximum, unit, decimals);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"0007", "4"}));
    EXPECT_EQ(Strings({minimum, maximum, unit, decimals}), (Strings{"-5", "50", "Hz", "1"}));

    CNEB_Choicelist list;
    manager.readChoicelist(element, list);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"0007.4"}));

    EXPECT_EQ(manager.getElementCount(element), 5);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"0007"})) << "the index is not used";

    CNEBParameter single = makeParameter(7, -1);
    manager.readParameter(single);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"0007", "-1", "", "Setup 1"}));

    CNEBChangeBunch bunch;
    bunch.addParameter(makeParameter(7, 3, "33"));
    bunch.addParameter(makeParameter(7, -1, "77"));
    manager.writeChangeBunch(bunch);
    EXPECT_EQ(host.calls().back().operation, "WriteParameterValues");
    EXPECT_EQ(host.calls().back().arguments, (Strings{"0007.4=33", "0007=77", "Setup 1", "0"}));
    EXPECT_EQ(host.value(7, 3), "33");
}

TEST_F(ExternalDataManagerTest, IndexBaseZeroLeavesIndicesAndLongNumbersAreNotCut)
{
    FakeHost host = smallDrive(0);
    CExternalDataManager manager(&host);
    EXPECT_EQ(manager.getIndexBase(), 0);
    host.clearCalls();

    CNEBParameter element = makeParameter(7, 3);
    manager.readParameter(element);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"0007", "3", "", "Setup 1"}));
    CNEB_Choicelist list;
    manager.readChoicelist(element, list);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"0007.3"}));

    CNEBParameter big = makeParameter(12345, -1);
    manager.readParameter(big);
    EXPECT_EQ(big.getText(), "99");
    EXPECT_EQ(host.calls().back().arguments[0], "12345");
    CNEB_Choicelist bigList;
    manager.readChoicelist(big, bigList);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"12345"}));
    CNEBParameter bigElement = makeParameter(12345, 2);
    CNEB_Choicelist bigElementList;
    manager.readChoicelist(bigElement, bigElementList);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"12345.2"}));
    CNEBChangeBunch bunch;
    bunch.addParameter(makeParameter(12345, -1, "5"));
    manager.writeChangeBunch(bunch);
    EXPECT_EQ(host.calls().back().arguments[0], "12345=5");

    // Reads use the signed form, choice lists and writes the unsigned one.
    CNEBParameter huge = makeParameter(3000000000UL, -1);
    EXPECT_THROW(manager.getElementCount(huge), CCustomException);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"-1294967296"}));
    CNEB_Choicelist hugeList;
    EXPECT_THROW(manager.readChoicelist(huge, hugeList), CCustomException);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"3000000000"}));
}

TEST_F(ExternalDataManagerTest, ConstructionNeedsAHostWithAnIndexBaseOfAtLeastZero)
{
    try {
        CExternalDataManager manager(nullptr);
        ADD_FAILURE() << "a null host was accepted";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getCategory(), 1);
        EXPECT_EQ(e.getCode(), 1);
    }

    FakeHost negative = smallDrive(-1);
    try {
        CExternalDataManager manager(&negative);
        ADD_FAILURE() << "index base -1 was accepted";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getCategory(), 1);
        EXPECT_EQ(e.getCode(), 1);
    }
    EXPECT_EQ(negative.callCount("GetIndexBase"), 1u);
    EXPECT_EQ(logLines().size(), 2u);

    FakeHost three = smallDrive(3);
    CExternalDataManager manager(&three);
    EXPECT_EQ(manager.getIndexBase(), 3);
    const CExternalDataManager copy = manager;
    EXPECT_EQ(copy.getInterface(), &three);
    EXPECT_EQ(copy.getIndexBase(), 3);
}

TEST_F(ExternalDataManagerTest, ChoiceListItemsAreSplitAtTheFirstColons)
{
    FakeHost host = smallDrive(0);
    host.parameter(7).choices = {"3:Running", "3:Run:fast", "3::Run", "x:Run", " 12:Twelve"};
    CExternalDataManager manager(&host);
    CNEBParameter element = makeParameter(7, 0);
    CNEB_Choicelist list;
    manager.readChoicelist(element, list);

    struct Expected
    {
        unsigned long id;
        std::string text;
    };
    const std::vector<Expected> expected = {
        {3, "Running"}, {3, "Run"}, {3, "Run"}, {0, "Run"}, {12, "Twelve"}};
    ASSERT_EQ(list.size(), expected.size());
    size_t i = 0;
    for (const CNEB_ChoicelistItem& item : list) {
        EXPECT_EQ(item.getID(), expected[i].id) << i;
        EXPECT_EQ(item.getText(), expected[i].text) << i;
        EXPECT_EQ(item.getParameterNumber(), 7u) << i;
        ++i;
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ExternalDataManagerTest, BadChoiceListItemStopsTheReadingAndKeepsEarlierItems)
{
    for (const std::string bad : {"3", "3:", ""}) {
        FakeHost host = smallDrive(0);
        host.parameter(7).choices = {"1:One", "2:Two", bad, "4:Four"};
        CExternalDataManager manager(&host);
        CNEBParameter element = makeParameter(7, 0);
        CNEB_Choicelist list;
        expectHostFailure([&] { manager.readChoicelist(element, list); }, "item '" + bad + "'");
        ASSERT_EQ(list.size(), 2u) << bad;
        EXPECT_EQ(list.findItem(2).getText(), "Two");
    }
    // The reason text itself never reaches the log.
    for (const std::string& line : logLines())
        EXPECT_EQ(line.find("Choicelist item format is bad!"), std::string::npos) << line;

    FakeHost empty = smallDrive(0);
    empty.parameter(7).choices.clear();
    CExternalDataManager manager(&empty);
    CNEBParameter element = makeParameter(7, 0);
    CNEB_Choicelist list;
    EXPECT_NO_THROW(manager.readChoicelist(element, list));
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(ExternalDataManagerTest, WritesOneCallWithParallelListsEvenWhenEmpty)
{
    FakeHost host = smallDrive(2);
    CExternalDataManager manager(&host);
    host.clearCalls();

    CNEBChangeBunch empty;
    manager.writeChangeBunch(empty);
    ASSERT_EQ(host.callCount("WriteParameterValues"), 1u);
    EXPECT_EQ(host.calls().back().arguments, (Strings{"Setup 1", "0"}));

    CNEBChangeBunch bunch;
    bunch.addParameter(makeParameter(12345, -1, "8"));
    bunch.addParameter(makeParameter(7, 0, "70"));
    bunch.addParameter(makeParameter(7, 0, "71")); // the same element twice stays twice
    manager.writeChangeBunch(bunch);
    EXPECT_EQ(host.callCount("WriteParameterValues"), 2u);
    EXPECT_EQ(host.calls().back().arguments,
              (Strings{"12345=8", "0007.2=70", "0007.2=71", "Setup 1", "0"}));
    EXPECT_EQ(host.value(7, 0), "71");
    EXPECT_EQ(host.value(12345), "8");
}

TEST_F(ExternalDataManagerTest, AnyHostExceptionBecomesOneLoggedFailure)
{
    const std::vector<std::pair<std::string, std::function<void()>>> throwers = {
        {"runtime_error", [] { throw std::runtime_error("host"); }},
        {"int", [] { throw 42; }},
        {"string", [] { throw std::string("host"); }},
    };
    for (const auto& [kind, thrower] : throwers) {
        FakeHost host = smallDrive(0);
        CExternalDataManager manager(&host);
        host.thrower = thrower;
        host.failAtCall(1);

        CNEBParameter element = makeParameter(7, 1, "unchanged");
        host.clearCalls();
        expectHostFailure([&] { manager.readParameter(element); }, kind + " readParameter");
        EXPECT_EQ(element.getText(), "unchanged") << "a failed read changes nothing";

        const auto failNext = [&](const std::function<void()>& operation, const std::string& op) {
            host.clearCalls();
            expectHostFailure(operation, kind + " " + op);
        };
        failNext([&] { manager.getElementCount(element); }, "getElementCount");
        failNext(
            [&] {
                std::string name;
                manager.getParameterName("7", name);
            },
            "getParameterName");
        failNext([&] { manager.registerParameters({"7"}); }, "registerParameters");
        failNext(
            [&] {
                CNEB_Choicelist list;
                manager.readChoicelist(element, list);
            },
            "readChoicelist");
        failNext(
            [&] {
                CNEBChangeBunch bunch;
                bunch.addParameter(element);
                manager.writeChangeBunch(bunch);
            },
            "writeChangeBunch");
        EXPECT_EQ(host.value(7, 1), "11") << "the failed write stored nothing";
    }
}

TEST_F(ExternalDataManagerTest, AttributeFailuresAreSwallowedAndNamesPassUnchanged)
{
    FakeHost host = smallDrive(0);
    CExternalDataManager manager(&host);
    host.failOperation("GetParameterAttributes");
    std::string minimum = "old", maximum = "old", unit = "old", decimals = "old";
    EXPECT_NO_THROW(
        manager.getParameterAttributes(makeParameter(7, 0), minimum, maximum, unit, decimals));
    EXPECT_EQ(Strings({minimum, maximum, unit, decimals}), (Strings{"", "", "", ""}));
    EXPECT_TRUE(logLines().empty());

    host.stopFailing();
    std::string name = "old";
    manager.getParameterName("12345", name);
    EXPECT_EQ(name, "Big");
    EXPECT_EQ(host.calls().back().arguments, (Strings{"12345"}));

    host.language = "german";
    std::string language;
    manager.getActiveLanguage(language);
    EXPECT_EQ(language, "german");
    // The language query is the one host call that is not guarded.
    host.failOperation("GetLanguage");
    EXPECT_THROW(manager.getActiveLanguage(language), std::runtime_error);
}

TEST_F(ExternalDataManagerTest, WithoutInterfaceOnlyQuietOperationsReturn)
{
    CExternalDataManager manager;
    EXPECT_EQ(manager.getInterface(), nullptr);
    EXPECT_EQ(manager.getIndexBase(), 0);

    std::string minimum = "x", maximum = "x", unit = "x", decimals = "x";
    manager.getParameterAttributes(makeParameter(7, 0), minimum, maximum, unit, decimals);
    EXPECT_EQ(Strings({minimum, maximum, unit, decimals}), (Strings{"", "", "", ""}));
    EXPECT_NO_THROW(manager.registerParameters({"1300"}));
    std::string language = "kept";
    manager.getActiveLanguage(language);
    EXPECT_EQ(language, "kept");
    EXPECT_TRUE(logLines().empty());

    CNEBParameter parameter = makeParameter(7, 0);
    expectHostFailure([&] { manager.checkInterface(); }, "checkInterface");
    expectHostFailure([&] { manager.readParameter(parameter); }, "readParameter");
    expectHostFailure([&] { manager.getElementCount(parameter); }, "getElementCount");
    expectHostFailure(
        [&] {
            CNEB_Choicelist list;
            manager.readChoicelist(parameter, list);
        },
        "readChoicelist");
    expectHostFailure(
        [&] {
            CNEBChangeBunch bunch;
            manager.writeChangeBunch(bunch);
        },
        "writeChangeBunch");
    expectHostFailure(
        [&] {
            std::string name;
            manager.getParameterName("7", name);
        },
        "getParameterName");
}

// --- settings access ---

namespace {

class SettingsAccessTest : public ::testing::Test
{
protected:
    testsupport::ScratchFolder m_scratch;
    testsupport::TempFolderGuard m_tmp{m_scratch.path()};
    FakeHost m_host = FakeHost::sampleDrive();
    CExternalDataManager m_dataManager{&m_host};
    CSettingStock m_stock;
    CSettingManagerFunc m_func{&m_stock, &m_dataManager};
};

} // namespace

TEST_F(SettingsAccessTest, ChoiceListsAreReadOncePerParameterNumber)
{
    m_host.clearCalls();
    CNEBParameter event0 = makeParameter(1301, 0);
    CNEBParameter event5 = makeParameter(1301, 5);
    CNEB_Choicelist& first = m_func.getChoicelist(event0);
    CNEB_Choicelist& second = m_func.getChoicelist(event5);
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(&first, &m_stock.getChoicelist(event5));
    ASSERT_EQ(m_host.callCount("GetChoiceList"), 1u);
    EXPECT_EQ(m_host.calls()[0].arguments, (Strings{"1301.0"})) << "the first asker's element";
    EXPECT_EQ(first.findItem(2).getText(), "Running");

    CNEBParameter action = makeParameter(1302, 3);
    EXPECT_EQ(m_func.getChoicelist(action).findItem(22).getText(), "Start");
    EXPECT_EQ(m_host.callCount("GetChoiceList"), 2u);
}

TEST_F(SettingsAccessTest, AnEmptyListIsAskedForAgain)
{
    m_host.parameter(1303).choices.clear();
    CNEBParameter timer = makeParameter(1303, 1);
    m_host.clearCalls();
    EXPECT_TRUE(m_func.getChoicelist(timer).isEmpty());
    EXPECT_TRUE(m_func.getChoicelist(timer).isEmpty());
    EXPECT_EQ(m_host.callCount("GetChoiceList"), 2u);

    // Once the drive offers choices they are kept.
    m_host.parameter(1303).choices = {"1:One"};
    EXPECT_EQ(m_func.getChoicelist(timer).size(), 1u);
    m_host.parameter(1303).choices = {"1:One", "2:Two"};
    EXPECT_EQ(m_func.getChoicelist(timer).size(), 1u);
    EXPECT_EQ(m_host.callCount("GetChoiceList"), 3u);

    // A failed filling leaves the items read before the failure in the cache.
    m_host.parameter(1312).choices = {"1:One", "broken"};
    CNEBParameter value = makeParameter(1312, 0);
    EXPECT_THROW(m_func.getChoicelist(value), CCustomException);
    EXPECT_EQ(m_stock.getChoicelist(value).size(), 1u);
}

TEST_F(SettingsAccessTest, ValuesAreReadIntoTheParameterAndDescriptionsFromACopy)
{
    m_host.setValue(1303, 2, "12.500000");
    CNEBParameter timer = makeParameter(1303, 2, "old");
    m_func.readValue(timer);
    EXPECT_EQ(timer.getText(), "12.500000");

    m_host.setValue(1300, -1, "");
    CNEBParameter mode = makeParameter(1300, -1, "1");
    m_func.readValue(mode);
    EXPECT_EQ(mode.getText(), "") << "an empty value is stored too";

    CNEBParameter described = makeParameter(1303, 2, "as before");
    std::string minimum, maximum, unit, decimals;
    m_func.readDescription(described, minimum, maximum, unit, decimals);
    EXPECT_EQ(Strings({minimum, maximum, unit, decimals}), (Strings{"0", "3600", "s", "2"}));
    EXPECT_EQ(described.getText(), "as before");
    EXPECT_EQ(described.getNumber(), 1303u);
    EXPECT_EQ(described.getIndex(), 2);

    m_host.failOperation("ReadParameterValue");
    EXPECT_THROW(m_func.readValue(timer), CCustomException);
    EXPECT_EQ(timer.getText(), "12.500000");
}
