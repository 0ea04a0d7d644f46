#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

using testsupport::MessageBoxRecorder;
using testsupport::readLogLines;

namespace {

const char* const kAllIds[] = {"NEB_MODE",      "EVENT",         "ACTION",        "TIMER",
                               "COMP_OPERAND",  "COMP_OPERATOR", "COMP_VALUE",    "LR_OPERAND_1",
                               "LR_OPERATOR_1", "LR_OPERAND_2",  "LR_OPERATOR_2", "LR_OPERAND_3",
                               "NEB_START_EV",  "NEB_STOP_EV"};

// One <drive> element; parameter numbers are base + position in the table of ids.
std::string drive(const std::string& name, const std::map<std::string, std::string>& properties,
                  unsigned base, const std::string& extra = {})
{
    std::string xml = "<drive name=\"" + name + "\"><Compatibility>";
    for (const auto& [id, value] : properties)
        xml += "<property ID=\"" + id + "\">" + value + "</property>";
    xml += "</Compatibility><ParameterNumbers>";
    unsigned number = base;
    for (const char* id : kAllIds)
        xml += "<parameter ID=\"" + std::string(id) + "\">" + std::to_string(number++) +
               "</parameter>";
    xml += "</ParameterNumbers><SpecialChoicelistItems>"
           "<item ID=\"ACTION_COMMAND_DISABLED\">0</item>"
           "<item ID=\"ACTION_COMMAND_DEFAULT\">1</item>"
           "</SpecialChoicelistItems>" +
           extra + "</drive>";
    return xml;
}

std::string document(const std::string& drives)
{
    return "<?xml version=\"1.0\"?>\n<DriveConfiguration>" + drives + "</DriveConfiguration>\n";
}

class ConfigurationTest : public ::testing::Test
{
protected:
    void writeConfiguration(const std::string& xml, bool compressed = true)
    {
        if (compressed)
            m_scratch.writeGzip(CNEBConfiguration::kFileName, xml);
        else
            m_scratch.writeText(CNEBConfiguration::kFileName, xml);
    }
    size_t logLines() const
    {
        return readLogLines(m_logFolder.path() + "Torvane Drives/nebpt.log").size();
    }

    testsupport::ScratchFolder m_scratch;
    testsupport::ScratchFolder m_logFolder;
    testsupport::TempFolderGuard m_tmp{m_logFolder.path()};
    testsupport::ExecutableFolderGuard m_exe{m_scratch.path()};
};

// Runs `call`, expecting the text-form exception with `text`.
template <typename Call> void expectTextException(Call call, const std::string& text)
{
    try {
        call();
        ADD_FAILURE() << "expected \"" << text << "\"";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getText(), text);
        EXPECT_EQ(e.getCategory(), 5);
        EXPECT_EQ(e.getFile(), "Settings_Stock/NEBConfiguration.cpp");
    }
}

} // namespace

TEST_F(ConfigurationTest, ReadsCompressedAndPlainFilesAlike)
{
    for (bool compressed : {true, false}) {
        writeConfiguration(document(drive("FCD-1", {{"MIN_DB", "100"}}, 1300)), compressed);
        CNEBConfiguration configuration;
        configuration.init("FCD-1", "01.00", "1.50");
        EXPECT_TRUE(configuration.hasDriveNode());
        EXPECT_EQ(configuration.getParameterNumber("EVENT"), 1301u);
        EXPECT_EQ(configuration.getParameterNumberStr("NEB_STOP_EV"), "1313");
        EXPECT_EQ(configuration.getSpecialChoicelistItem("ACTION_COMMAND_DEFAULT"), 1u);
    }
}

TEST_F(ConfigurationTest, ReadsFilesOfManyBlocksCompletely)
{
    std::string padding;
    for (int i = 0; i < 400; ++i)
        padding += "<!-- padding so that the file spans many read blocks -->\n";
    const std::string xml = document(padding + drive("FCD-1", {{"MIN_DB", "100"}}, 1300) + padding +
                                     drive("FCD-2", {{"MIN_DB", "100"}}, 2300));
    ASSERT_GT(xml.size(), 40000u);
    writeConfiguration(xml);
    CNEBConfiguration configuration;
    configuration.init("FCD-2", "", "100");
    EXPECT_EQ(configuration.getParameterNumber("NEB_MODE"), 2300u);
}

TEST_F(ConfigurationTest, ParseErrorShowsOneMessageThenNoDriveIsFound)
{
    writeConfiguration("<DriveConfiguration><drive name=\"FCD-1\"></DriveConfiguration>");
    MessageBoxRecorder boxes;
    CNEBConfiguration configuration;
    expectTextException([&] { configuration.init("FCD-1", "", "100"); },
                        "Parameter node not found");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_FALSE(boxes.shown()[0].text.empty());
    EXPECT_EQ(boxes.shown()[0].type, fw::MB_OK);
    EXPECT_EQ(logLines(), 1u);
}

TEST_F(ConfigurationTest, MissingFileIsNoErrorButEveryLookupFails)
{
    CNEBConfiguration configuration;
    configuration.init("", "", "100");
    EXPECT_TRUE(configuration.isDocumentCreated());
    EXPECT_FALSE(configuration.hasDriveNode());
    expectTextException([&] { configuration.getParameterNumber("EVENT"); },
                        "Parameter node not found");
    expectTextException([&] { configuration.getSpecialChoicelistItem("ACTION_COMMAND_DEFAULT"); },
                        "Choicelist node not found");
    std::string text = "kept", type = "kept";
    EXPECT_FALSE(configuration.getChoicelistEntity(1301, 22, text, type));
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(type, "kept");
    EXPECT_EQ(logLines(), 2u);
}

TEST_F(ConfigurationTest, LookupWithoutDocumentIsAProgrammingError)
{
    CNEBConfiguration configuration;
    configuration.init();
    EXPECT_FALSE(configuration.isDocumentCreated());
    EXPECT_THROW(configuration.getParameterNumber("EVENT"), std::logic_error);
}

TEST_F(ConfigurationTest, ChoosesTheFirstDriveWhoseRangeHoldsTheVersionAndDoesNotExcludeIt)
{
    writeConfiguration(document(
        drive("FCD-1", {{"MIN_DB", "100"}, {"MAX_DB", "299"}, {"EXCL_DB", "215,1230"}}, 1000) +
        drive("FCD-1", {{"MIN_DB", "0200"}, {"MAX_DB", "250"}}, 2000) +
        drive("FCD-1", {{"MAX_DB", "999"}}, 3000) + // without MIN_DB: never chosen
        drive("FCD-1", {{"MIN_DB", "300"}}, 4000) + drive("FCD-9", {{"MIN_DB", "100"}}, 9000)));
    struct Case
    {
        const char* version;
        unsigned long number; // of NEB_MODE; 0: not supported
    };
    const Case cases[] = {
        {"1.00", 1000}, {"2.99", 1000},
        {"2.40", 1000}, {"2.15", 2000}, // excluded from the first element
        {"2.30", 2000}, // "230" is embedded in the exclusion "1230": a substring counts
        {"2.00", 1000}, // leading zero of MIN_DB "0200" does not matter
        {"3.00", 4000}, {"99.99", 4000}, // no MAX_DB: no upper bound
        {"0.99", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        CNEBConfiguration configuration;
        if (c.number == 0) {
            expectTextException([&] { configuration.init("FCD-1", "", c.version); },
                                "Parameter node not found");
            continue;
        }
        configuration.init("FCD-1", "", c.version);
        EXPECT_EQ(configuration.getParameterNumber("NEB_MODE"), c.number);
    }
}

TEST_F(ConfigurationTest, RelativeQueriesStayInsideTheChosenDrive)
{
    const std::string onlyInSecond = "<LinkedChoicelistItems><Choicelist parameternumber=\"2001\">"
                                     "<Item ID=\"22\"><Object Type=\"COMP\">3</Object></Item>"
                                     "<Item ID=\"23\"><Object>4</Object></Item>"
                                     "</Choicelist></LinkedChoicelistItems>";
    writeConfiguration(document(drive("FCD-1", {{"MIN_DB", "100"}}, 1000) +
                                drive("FCD-2", {{"MIN_DB", "100"}}, 2000, onlyInSecond)));
    CNEBConfiguration first;
    first.init("FCD-1", "", "100");
    std::string text, type;
    EXPECT_FALSE(first.getChoicelistEntity(2001, 22, text, type));

    CNEBConfiguration second;
    second.init("FCD-2", "", "100");
    EXPECT_TRUE(second.getChoicelistEntity(2001, 22, text, type));
    EXPECT_EQ(text, "3");
    EXPECT_EQ(type, "COMP");
    type = "untouched";
    EXPECT_FALSE(second.getChoicelistEntity(2001, 23, text, type)) << "no Type attribute";
    EXPECT_EQ(text, "4");
    EXPECT_EQ(type, "untouched");
}

TEST_F(ConfigurationTest, AbsoluteQueriesServeWhenNoDriveWasChosen)
{
    writeConfiguration(document(drive("FCD-1", {{"MIN_DB", "500"}}, 1000) +
                                drive("FCD-2", {{"MIN_DB", "500"}}, 2000)));
    CNEBConfiguration named;
    EXPECT_THROW(named.init("FCD-2", "", "100"), CCustomException); // version too old
    EXPECT_FALSE(named.hasDriveNode());
    EXPECT_EQ(named.getParameterNumber("EVENT"), 2001u) << "absolute, with the drive name";

    CNEBConfiguration anyDrive;
    EXPECT_THROW(anyDrive.init("", "", "100"), CCustomException);
    EXPECT_EQ(anyDrive.getParameterNumber("EVENT"), 1001u) << "absolute, first of any drive";
}

TEST_F(ConfigurationTest, CopiesShareTheLoadedDocument)
{
    writeConfiguration(document(drive("FCD-1", {{"MIN_DB", "100"}}, 1000)));
    CNEBConfiguration copy;
    {
        CNEBConfiguration original;
        original.init("FCD-1", "", "100");
        copy = original;
    }
    EXPECT_TRUE(copy.hasDriveNode());
    EXPECT_EQ(copy.getParameterNumber("ACTION"), 1002u);
    const CNEBConfiguration second(copy);
    EXPECT_EQ(second.getParameterNumber("TIMER"), 1003u);
}

TEST_F(ConfigurationTest, NumbersAndMissingEntries)
{
    const std::string odd = "<SpecialChoicelistItems><item ID=\"EVENT_BOOLEAN_DEFAULT\"> 7 "
                            "</item></SpecialChoicelistItems>";
    std::string xml = document(drive("FCD-1", {{"MIN_DB", "100"}}, 1000, odd));
    xml.replace(xml.find(">1003<"), 6, ">t12<"); // TIMER is not a number
    writeConfiguration(xml);
    CNEBConfiguration configuration;
    configuration.init("FCD-1", "", "100");
    EXPECT_EQ(configuration.getParameterNumber("TIMER"), 0u);
    EXPECT_EQ(configuration.getParameterNumberStr("TIMER"), "t12");
    EXPECT_EQ(configuration.getSpecialChoicelistItem("EVENT_BOOLEAN_DEFAULT"), 7u);
    expectTextException([&] { configuration.getParameterNumber("NO_SUCH_ID"); },
                        "Parameter node not found");
    expectTextException([&] { configuration.getSpecialChoicelistItem("NO_SUCH_ITEM"); },
                        "Choicelist node not found");
}

TEST_F(ConfigurationTest, ListsTheFourteenControllerParametersInOrder)
{
    writeConfiguration(document(drive("FCD-1", {{"MIN_DB", "100"}}, 1000)));
    CNEBConfiguration configuration;
    configuration.init("FCD-1", "", "100");
    const auto numbers = configuration.getAllNEBRelatedParameters();
    ASSERT_EQ(numbers.size(), 14u);
    EXPECT_EQ(numbers.front(), "1000"); // NEB_MODE
    EXPECT_EQ(numbers[1], "1001");      // EVENT
    EXPECT_EQ(numbers.back(), "1013");  // NEB_STOP_EV

    std::string incomplete = document(drive("FCD-1", {{"MIN_DB", "100"}}, 1000));
    incomplete.replace(incomplete.find("\"LR_OPERAND_3\""), 14, "\"LR_OPERAND_X\"");
    writeConfiguration(incomplete);
    CNEBConfiguration broken;
    broken.init("FCD-1", "", "100");
    expectTextException([&] { broken.getAllNEBRelatedParameters(); }, "Parameter node not found");
}

TEST_F(ConfigurationTest, StandAloneSupportCheck)
{
    writeConfiguration(document(
        drive(
            "FCD-1",
            {{"MIN_AOC", "0150"}, {"MIN_DB", "100"}, {"MAX_DB", "299"}, {"EXCL_DB", "0215,,0230"}},
            1000) +
        drive("FCD-2", {{"MIN_AOC", "0100"}, {"MIN_DB", "100"}}, 2000)));
    CNEBConfiguration configuration;
    configuration.init("FCD-1", "", "100");
    EXPECT_TRUE(configuration.isDriveSupported("FCD-1", "", "02.40"));
    EXPECT_TRUE(configuration.isDriveSupported("FCD-1", "01.50", "02.40"));
    EXPECT_FALSE(configuration.isDriveSupported("FCD-1", "01.49", "02.40")) << "AOC too old";
    EXPECT_FALSE(configuration.isDriveSupported("FCD-1", "", "02.15")) << "excluded";
    EXPECT_FALSE(configuration.isDriveSupported("FCD-1", "", "02.30")) << "excluded";
    EXPECT_FALSE(configuration.isDriveSupported("FCD-1", "", "00.99"));
    EXPECT_FALSE(configuration.isDriveSupported("FCD-1", "", "03.00"));
    EXPECT_FALSE(configuration.isDriveSupported("FCD-2", "", "01.00"))
        << "MAX_DB and EXCL_DB missing";
    EXPECT_FALSE(configuration.isDriveSupported("FCD-3", "", "01.00"));
}

// The configuration delivered with the product serves every drive of the sample images.
TEST(BundledConfigurationTest, EveryDriveElementIsComplete)
{
    struct Identity
    {
        const char* name;
        const char* db;
        unsigned long event;
        bool firstOfItsName; // the stand-alone check reads the first element of a name
    };
    for (const Identity& id :
         {Identity{"FCD-300", "02.40", 1301, true}, Identity{"FCD-300", "02.15", 1701, false},
          Identity{"FCD-300", "03.10", 2301, false}, Identity{"FCD-50M", "01.20", 401, true}}) {
        SCOPED_TRACE(std::string(id.name) + " " + id.db);
        CNEBConfiguration configuration;
        configuration.init(id.name, "02.10", id.db);
        EXPECT_EQ(configuration.getParameterNumber("EVENT"), id.event);
        EXPECT_EQ(configuration.getAllNEBRelatedParameters().size(), 14u);
        for (const char* special :
             {"ACTION_COMMAND_DISABLED", "ACTION_COMMAND_DEFAULT", "EVENT_BOOLEAN_DEFAULT"})
            EXPECT_NO_THROW(configuration.getSpecialChoicelistItem(special));
        EXPECT_EQ(configuration.isDriveSupported(id.name, "02.10", id.db), id.firstOfItsName);
        std::string text, type;
        EXPECT_TRUE(configuration.getChoicelistEntity(id.event, 22, text, type));
        EXPECT_EQ(type, "COMP");
    }
}
