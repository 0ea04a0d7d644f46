#include "ModelFixture.h"

#include <stdexcept>
#include <tuple>

using namespace modeltest;

namespace {

// A drive with parameter 7 (five elements) and parameter 12345 (a single value).
FakeHost smallDrive(int indexBase)
{
    FakeHost host;
    host.indexBase = indexBase;
    host.parameters[7] = {
        "Seven", 5, {"10", "11", "12", "13", "14"}, {"1:One", "2:Two"}, "-5", "50", "Hz", "1"};
    host.parameters[12345] = {"Big", 0, {"99"}, {"4:Four"}, "", "", "", ""};
    return host;
}

using Operation = std::pair<std::string, std::function<void(CExternalDataManager&)>>;

// The operations that end as one logged failure of category 1, code 1 when the
// host fails or is missing; they work on element 1 of parameter 7.
struct Guarded
{
    CNEBParameter element = param(7, 1, "unchanged");
    CNEB_Choicelist list;
    CNEBChangeBunch bunch = bunchOf({element});
    std::string name;
    std::vector<Operation> operations = {
        {"readParameter", [this](CExternalDataManager& m) { m.readParameter(element); }},
        {"getElementCount", [this](CExternalDataManager& m) { m.getElementCount(element); }},
        {"readChoicelist", [this](CExternalDataManager& m) { m.readChoicelist(element, list); }},
        {"getParameterName", [this](CExternalDataManager& m) { m.getParameterName("7", name); }},
        {"writeChangeBunch", [this](CExternalDataManager& m) { m.writeChangeBunch(bunch); }},
    };
};

using ExternalDataManagerTest = ModelFixture;

TEST_F(ExternalDataManagerTest, IdentifierFormsFollowTheIndexBaseAndWritesGoInOneCall)
{
    // Index base, number, index; the host's arguments to read, to get the list, to write.
    const std::vector<std::tuple<int, unsigned long, long, Strings, Strings, Strings>> cases = {
        {1, 7, 3, {"0007", "4", "", "Setup 1"}, {"0007.4"}, {"0007.4=v", "Setup 1", "0"}},
        {1, 7, -1, {"0007", "-1", "", "Setup 1"}, {"0007"}, {"0007=v", "Setup 1", "0"}},
        {0, 12345, -1, {"12345", "-1", "", "Setup 1"}, {"12345"}, {"12345=v", "Setup 1", "0"}},
    };
    for (const auto& [base, number, index, read, choices, write] : cases) {
        SCOPED_TRACE(read[0] + " index " + read[1]);
        FakeHost drive = smallDrive(base);
        CExternalDataManager manager(&drive);
        CNEBParameter p = param(number, index);
        manager.readParameter(p);
        EXPECT_EQ(drive.calls().back().arguments, read);
        manager.getElementCount(p);
        EXPECT_EQ(drive.calls().back().arguments, (Strings{read[0]})) << "the index is not used";
        CNEB_Choicelist list;
        manager.readChoicelist(p, list);
        EXPECT_EQ(drive.calls().back().arguments, choices);
        CNEBChangeBunch bunch = bunchOf({param(number, index, "v")});
        manager.writeChangeBunch(bunch);
        EXPECT_EQ(drive.calls().back().arguments, write);
    }

    // Writes: one call with parallel lists; the same element twice stays twice.
    FakeHost drive = smallDrive(2);
    CExternalDataManager manager(&drive);
    CNEBChangeBunch bunch = bunchOf({param(12345, -1, "8"), param(7, 0, "70"), param(7, 0, "71")});
    manager.writeChangeBunch(bunch);
    EXPECT_EQ(writes(drive),
              (std::vector<Strings>{{"12345=8", "0007.2=70", "0007.2=71", "Setup 1", "0"}}));
    EXPECT_EQ(drive.value(7, 0), "71");
}

TEST_F(ExternalDataManagerTest, ChoiceListItemsAreSplitAtTheFirstColons)
{
    FakeHost drive = smallDrive(0);
    drive.parameter(7).choices = {"3:Running", "3:Run:fast", "3::Run", "x:Run", " 12:Twelve"};
    CExternalDataManager manager(&drive);
    CNEBParameter element = param(7, 0);
    CNEB_Choicelist list;
    manager.readChoicelist(element, list);
    Strings items;
    for (const CNEB_ChoicelistItem& item : list)
        items.push_back(std::to_string(item.getParameterNumber()) + ":" +
                        std::to_string(item.getID()) + ":" + item.getText());
    EXPECT_EQ(items, (Strings{"7:3:Running", "7:3:Run", "7:3:Run", "7:0:Run", "7:12:Twelve"}));

    // A bad item stops the reading (fuzz_choicelist: as one logged host failure);
    // the items before it stay.
    drive.parameter(7).choices = {"1:One", "2:Two", "3:", "4:Four"};
    CNEB_Choicelist partial;
    EXPECT_THROW(manager.readChoicelist(element, partial), CCustomException);
    EXPECT_EQ(partial.size(), 2u);
}

// Exceptions of the standard library's kinds are thrown through the editing in
// the host tests; here one of no such kind.
TEST_F(ExternalDataManagerTest, AnyHostExceptionBecomesOneLoggedFailure)
{
    FakeHost drive = smallDrive(0);
    CExternalDataManager manager(&drive);
    drive.thrower = [] { throw 42; };
    Guarded guarded;
    guarded.operations.emplace_back("registerParameters",
                                    [](CExternalDataManager& m) { m.registerParameters({"7"}); });
    for (const auto& [name, operation] : guarded.operations) {
        drive.clearCalls();
        drive.failAtCall(1);
        expectFailure([&] { operation(manager); }, 1, 1, name);
    }
    EXPECT_EQ(guarded.element.getText(), "unchanged") << "a failed read changes nothing";
    EXPECT_EQ(drive.value(7, 1), "11") << "a failed write stores nothing";

    // Attribute failures are swallowed; the language query is not guarded.
    drive.failOperation("GetParameterAttributes");
    std::string minimum = "old", maximum = "old", unit = "old", decimals = "old";
    EXPECT_NO_THROW(manager.getParameterAttributes(param(7, 0), minimum, maximum, unit, decimals));
    EXPECT_EQ(minimum + maximum + unit + decimals, "");
    drive.thrower = nullptr;
    drive.failOperation("GetLanguage");
    std::string language;
    EXPECT_THROW(manager.getActiveLanguage(language), std::runtime_error);
}

TEST_F(ExternalDataManagerTest, WithoutAHostOnlyQuietOperationsReturn)
{
    FakeHost negative = smallDrive(-1);
    expectFailure([] { CExternalDataManager manager(nullptr); }, 1, 1, "null host");
    expectFailure([&] { CExternalDataManager manager(&negative); }, 1, 1, "index base -1");

    CExternalDataManager manager;
    std::string minimum = "x", maximum = "x", unit = "x", decimals = "x";
    manager.getParameterAttributes(param(7, 0), minimum, maximum, unit, decimals);
    EXPECT_EQ(minimum + maximum + unit + decimals, "");
    EXPECT_NO_THROW(manager.registerParameters({"1300"}));
    EXPECT_EQ(logLines().size(), 2u);

    Guarded guarded;
    guarded.operations.emplace_back("checkInterface",
                                    [](CExternalDataManager& m) { m.checkInterface(); });
    for (const auto& [name, operation] : guarded.operations)
        expectFailure([&] { operation(manager); }, 1, 1, name);
}

} // namespace
