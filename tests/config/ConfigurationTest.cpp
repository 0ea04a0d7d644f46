#include "External_Data_Manager/ExternalDataManager.h"
#include "NEBPTMain.h"
#include "ProgramWorkflow.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using testsupport::MessageBoxRecorder;
using testsupport::readLogLines;
using Strings = std::vector<std::string>;

namespace {

const std::string kNotFound = "Parameter node not found";

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
        compressed ? m_scratch.writeGzip(CNEBConfiguration::kFileName, xml)
                   : m_scratch.writeText(CNEBConfiguration::kFileName, xml);
    }
    // The messages of the log lines, without time stamp and source position.
    Strings logMessages() const
    {
        const std::string source = " Settings_Stock/NEBConfiguration.cpp ";
        Strings messages;
        for (const std::string& line :
             readLogLines(m_logFolder.path() + "Torvane Drives/nebpt.log")) {
            const size_t at = line.find(source);
            messages.push_back(at == std::string::npos ? line : line.substr(at + source.size()));
        }
        return messages;
    }
    // The configuration of drive "FCD-1" (database 1.00) from a file of these drives.
    CNEBConfiguration load(const std::string& drives)
    {
        writeConfiguration(document(drives));
        CNEBConfiguration configuration;
        configuration.init("FCD-1", "", "100");
        return configuration;
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
        EXPECT_EQ(std::make_tuple(e.getText(), e.getCategory(), e.getFile()),
                  std::make_tuple(text, 5, std::string("Settings_Stock/NEBConfiguration.cpp")));
    }
}

} // namespace

// A file that cannot be used is refused with one message box and one log line that
// name it and the fault; nothing of it counts, so no drive is found, not even by
// the absolute queries, and the host hears that the drive is not supported.
TEST_F(ConfigurationTest, UnusableFileIsRefusedWithOneMessageAndNothingOfItCounts)
{
    const std::string xml = document(drive("FCD-1", {{"MIN_DB", "100"}}, 1000) +
                                     drive("FCD-2", {{"MIN_DB", "100"}}, 2000));
    const std::string cutShort = xml.substr(0, xml.find("</drive>") + 8);
    const std::string path = m_scratch.file(CNEBConfiguration::kFileName);
    const auto compressed = [&](const std::string& text) {
        m_scratch.writeGzip("packed", text);
        return m_scratch.readText("packed");
    };
    std::string badCheck = compressed(xml);
    badCheck[badCheck.size() - 8] ^= 1; // the CRC in the trailer
    const std::string member = compressed(std::string(1024 * 1024, ' '));
    std::string bomb; // gzip members in a row decompress to one text
    while (bomb.size() / member.size() * 1024 * 1024 <= CNEBConfiguration::kMaxTextSize)
        bomb += member;
    // `line` on a line of its own at the top of the document element: line 3.
    const auto inside = [&](const std::string& line) {
        std::string text = xml;
        return text.insert(text.find("<drive "), "\n" + line + "\n");
    };
    // The document type `subset` after the XML declaration.
    const auto typed = [&](const std::string& subset, std::string text) {
        return text.insert(text.find('\n') + 1, "<!DOCTYPE DriveConfiguration [" + subset + "]>\n");
    };
    std::string deep;
    for (int depth = 0; depth < 257; ++depth) // inside the document element: 258 deep
        deep = "<a>" + deep + "</a>";
    const auto xmlRow = [&](const char* what, const std::string& text, const std::string& at) {
        return std::tuple<const char*, std::function<void()>, std::string>{
            what, [&, text] { writeConfiguration(text); }, at};
    };

    const std::tuple<const char*, std::function<void()>, std::string> cases[] = {
        xmlRow("cut short after the drive", cutShort,
               "line 2, column " + std::to_string(cutShort.size() - cutShort.find('\n')) +
                   ": Premature end of data in tag DriveConfiguration line 2"),
        xmlRow("second document element", xml + "<DriveConfiguration/>",
               "line 3, column 1: Extra content at the end of the document"),
        xmlRow("text after the document element", xml + "  FCD-3\n",
               "line 3, column 3: Extra content at the end of the document"),
        xmlRow("undefined entity", inside("<x>&nbsp;</x>"),
               "line 3, column 10: Entity 'nbsp' not defined"),
        xmlRow("duplicate attribute", inside("<x a=\"1\" a=\"2\"/>"),
               "line 3, column 15: Attribute a redefined"),
        xmlRow("'<' in an attribute value", inside("<x a=\"<\"/>"),
               "line 3, column 7: Unescaped '<' not allowed in attributes values"),
        xmlRow("']]>' in text", inside("a]]>b"),
               "line 3, column 2: Sequence ']]>' not allowed in content"),
        xmlRow("a control byte",
               inside("a\x01"
                      "b"),
               "line 3, column 2: PCDATA invalid Char value 1"),
        xmlRow("'--' in a comment", inside("<!-- a -- b -->"),
               "line 3, column 8: Double hyphen within comment: <!-- a"),
        xmlRow("a blank line before the declaration", "\n" + xml,
               "line 2, column 6: XML declaration allowed only at the start of the document"),
        xmlRow("an undeclared namespace prefix", inside("<x:y/>"),
               "line 3, column 5: Namespace prefix x on y is not defined"),
        xmlRow("a second XML declaration", "<?xml version=\"1.0\"?>\n" + xml,
               "line 2, column 6: XML declaration allowed only at the start of the document"),
        xmlRow("a document type after the document element",
               xml + "<!DOCTYPE DriveConfiguration>\n",
               "line 3, column 1: Extra content at the end of the document"),
        xmlRow("the character reference &#0;", inside("<x a=\"&#0;\"/>"),
               "line 3, column 11: xmlParseCharRef: invalid xmlChar value 0"),
        xmlRow("an external entity",
               typed("<!ENTITY e SYSTEM \"" + m_scratch.file("number") + "\">", inside("&e;")),
               "line 4, column 4: External entity 'e' is not read"),
        xmlRow("elements nested too deep", inside(deep),
               "line 3, column 769: Excessive depth in document: 256, the most that is read"),
        {"damaged", [&] { m_scratch.writeText(CNEBConfiguration::kFileName, badCheck); },
         "cannot be read: incorrect data check"},
        {"gzip bomb", [&] { m_scratch.writeText(CNEBConfiguration::kFileName, bomb); },
         "larger than 64 MiB uncompressed, the most that is read"},
        {"FIFO", [&] { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }, "not a regular file"},
        {"folder", [&] { std::filesystem::create_directory(path); }, "a folder, not a file"},
    };
    for (const auto& [what, make, reason] : cases) {
        SCOPED_TRACE(what);
        std::filesystem::remove_all(path);
        std::filesystem::remove_all(m_logFolder.path() + "Torvane Drives");
        make();
        const std::string message = "Drive configuration " + path + ": " + reason;
        MessageBoxRecorder boxes;
        CNEBConfiguration configuration;
        expectTextException([&] { configuration.init("FCD-1", "", "100"); }, kNotFound);
        expectTextException([&] { configuration.getParameterNumber("EVENT"); }, kNotFound);
        if (boxes.shown().size() != 1u) {
            ADD_FAILURE() << boxes.shown().size() << " message boxes";
            continue;
        }
        EXPECT_EQ(boxes.shown()[0].text, message);
        EXPECT_EQ(boxes.shown()[0].type, fw::MB_OK);
        EXPECT_EQ(logMessages(), (Strings{message, kNotFound, kNotFound}));
        EXPECT_FALSE(CNEBPTMain::isDriveSupported("FCD-1", "", "100"));
        EXPECT_EQ(boxes.shown().size(), 2u);
    }
}

TEST_F(ConfigurationTest, ChoosesTheFirstDriveInRangeNotExcludedElseAnswersAbsolutely)
{
    writeConfiguration(document(
        drive("FCD-1", {{"MIN_DB", "100"}, {"MAX_DB", "299"}, {"EXCL_DB", "215,1230"}}, 1000) +
        drive("FCD-1", {{"MIN_DB", "0200"}, {"MAX_DB", "250"}}, 2000) +
        drive("FCD-1", {{"MAX_DB", "999"}}, 3000) + // without MIN_DB: never chosen
        drive("FCD-1", {{"MIN_DB", "300"}}, 4000) + drive("FCD-9", {{"MIN_DB", "100"}}, 9000)));
    // Version and the number of NEB_MODE of the element chosen; 0: not supported.
    const std::pair<const char*, unsigned long> cases[] = {
        {"1.00", 1000},  {"2.99", 1000}, {"2.15", 2000}, // excluded from the first element
        {"2.30", 2000},  // "230" is embedded in the exclusion "1230": a substring counts
        {"2.00", 1000},  // leading zero of MIN_DB "0200" does not matter
        {"99.99", 4000}, // no MAX_DB: no upper bound
        {"0.99", 0},
    };
    for (const auto& [version, number] : cases) {
        SCOPED_TRACE(version);
        CNEBConfiguration configuration;
        if (number == 0)
            expectTextException([&] { configuration.init("FCD-1", "", version); }, kNotFound);
        else {
            configuration.init("FCD-1", "", version);
            EXPECT_EQ(configuration.getParameterNumber("NEB_MODE"), number);
        }
    }

    // With no drive chosen, queries are absolute: the first element of the name, or of any.
    CNEBConfiguration named, anyDrive;
    EXPECT_THROW(named.init("FCD-9", "", "0.99"), CCustomException); // version too old
    EXPECT_FALSE(named.hasDriveNode());
    EXPECT_EQ(named.getParameterNumber("EVENT"), 9001u);
    EXPECT_THROW(anyDrive.init("", "", "0.99"), CCustomException);
    EXPECT_EQ(anyDrive.getParameterNumber("EVENT"), 1001u);

    // An empty version leaves nothing after "<=": the query's own error leaves init,
    // and the host hears that the drive is not supported.
    CNEBConfiguration invalid;
    EXPECT_THROW(invalid.init("FCD-1", "", ""), pugi::xpath_exception);
    EXPECT_FALSE(CNEBPTMain::isDriveSupported("FCD-1", "", ""));
}

TEST_F(ConfigurationTest, RelativeQueriesStayInsideTheChosenDrive)
{
    const std::string onlyInSecond = "<LinkedChoicelistItems><Choicelist parameternumber=\"2001\">"
                                     "<Item ID=\"22\"><Object Type=\"COMP\">3</Object></Item>"
                                     "<Item ID=\"23\"><Object>4</Object></Item>"
                                     "</Choicelist></LinkedChoicelistItems>";
    CNEBConfiguration first = load(drive("FCD-1", {{"MIN_DB", "100"}}, 1000) +
                                   drive("FCD-2", {{"MIN_DB", "100"}}, 2000, onlyInSecond));
    std::string text, type;
    EXPECT_FALSE(first.getChoicelistEntity(2001, 22, text, type));

    CNEBConfiguration second;
    second.init("FCD-2", "", "100");
    EXPECT_TRUE(second.getChoicelistEntity(2001, 22, text, type));
    EXPECT_EQ((Strings{text, type}), (Strings{"3", "COMP"}));
    type = "untouched";
    EXPECT_FALSE(second.getChoicelistEntity(2001, 23, text, type)) << "no Type attribute";
    EXPECT_EQ((Strings{text, type}), (Strings{"4", "untouched"}));
}

// Copies share the loaded document; numbers are read as they stand.
TEST_F(ConfigurationTest, LooksUpNumbersAndTheControllerParameters)
{
    const std::string odd = "<SpecialChoicelistItems><item ID=\"EVENT_BOOLEAN_DEFAULT\"> 7 "
                            "</item></SpecialChoicelistItems>";
    std::string drives = drive("FCD-1", {{"MIN_DB", "100"}}, 1000, odd);
    drives.replace(drives.find(">1003<"), 6, ">t12<"); // TIMER is not a number
    // A number split by a comment, a CDATA section and an element is still one text
    // (fuzz_config's seeds nest such elements deeper than a recursive walk's stack).
    // Known references and '&' in a comment or CDATA section are well-formed.
    drives.replace(drives.find(">1001<"), 6, ">10<!-- event & -->0<![CDATA[1&]]><");
    drives.replace(drives.find(">1012<"), 6, ">&#49;<n>0&#x31;</n>2<");
    CNEBConfiguration configuration;
    {
        const CNEBConfiguration original = load(drives);
        configuration = original;
    }
    EXPECT_EQ(CNEBConfiguration(configuration).getParameterNumber("COMP_OPERAND"), 1004u);
    EXPECT_EQ(configuration.getParameterNumber("TIMER"), 0u);
    EXPECT_EQ(configuration.getParameterNumberStr("TIMER"), "t12");
    EXPECT_EQ(configuration.getSpecialChoicelistItem("EVENT_BOOLEAN_DEFAULT"), 7u);
    expectTextException([&] { configuration.getSpecialChoicelistItem("ACTION_COMMAND_OFF"); },
                        "Choicelist node not found");
    const Strings all = {"1000", "1001&", "1002", "t12",  "1004", "1005", "1006",
                         "1007", "1008",  "1009", "1010", "1011", "1012", "1013"};
    EXPECT_EQ(configuration.getAllNEBRelatedParameters(), all);

    // A document type of its own: an '&' in its internal subset (its '>' in
    // quotes), a declaration that makes it invalid but not malformed; entities
    // the document declares and uses (in a name and a number) and an attribute's
    // default, as if written out.
    std::string declared = drives;
    declared.replace(declared.find("\"FCD-1\""), 7, "\"&fcd;\"");
    declared.replace(declared.find(">1004<"), 6, ">&op;<");
    declared.erase(declared.find(" ID=\"COMP_OPERATOR\""), 19);
    for (const auto& [subset, text] :
         {std::pair{"<!ENTITY a \"&b;>\"><!ELEMENT drive ANY><!ELEMENT drive EMPTY>", drives},
          {"<!ENTITY fcd \"FCD-1\"><!ENTITY op \"10&#48;4\">"
           "<!ATTLIST parameter ID CDATA \"COMP_OPERATOR\">",
           declared}}) {
        writeConfiguration("<?xml version=\"1.0\"?>\n<!DOCTYPE DriveConfiguration [" +
                           std::string(subset) + "]>\n<DriveConfiguration>" + text +
                           "</DriveConfiguration>\n");
        CNEBConfiguration typed;
        typed.init("FCD-1", "", "100");
        EXPECT_EQ(typed.getAllNEBRelatedParameters(), all) << subset;
    }

    drives.replace(drives.find("\"LR_OPERAND_3\""), 14, "\"LR_OPERAND_X\"");
    const CNEBConfiguration broken = load(drives);
    expectTextException([&] { broken.getAllNEBRelatedParameters(); }, kNotFound);

    // Without a document a lookup is a program error, not a drive's failure.
    CNEBConfiguration never;
    never.init();
    EXPECT_THROW(never.getParameterNumber("EVENT"), std::logic_error);
}

// A content loaded before is shared, not parsed again; the file is read each
// time, so another content of the same size and time stamp is parsed anew.
TEST_F(ConfigurationTest, ParsesEachContentOnce)
{
    static int run = 0; // a content no earlier test (or repetition) has loaded
    const std::string kept = document(drive("FCD-1", {{"MIN_DB", "100"}}, 1000)) + "<!-- " +
                             std::to_string(++run) + " -->";
    std::string changed = kept;
    changed.replace(changed.find(">1001<"), 6, ">2001<");
    const std::string path = m_scratch.file(CNEBConfiguration::kFileName);
    writeConfiguration(kept, false);
    struct stat written
    {};
    ASSERT_EQ(stat(path.c_str(), &written), 0);

    const size_t before = NEBPT::configurationParses();
    EXPECT_TRUE(CNEBPTMain::isDriveSupported("FCD-1", "", "100"));
    CNEBConfiguration first, again;
    first.init("FCD-1", "", "100");
    again.init("FCD-1", "", "100");
    EXPECT_FALSE(CNEBPTMain::isDriveSupported("FCD-1", "", "099"));
    EXPECT_EQ(NEBPT::configurationParses() - before, 1u);
    EXPECT_EQ(again.getParameterNumber("EVENT"), 1001u);

    writeConfiguration(changed, false);
    const timespec times[2] = {written.st_atim, written.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    CNEBConfiguration other;
    other.init("FCD-1", "", "100");
    EXPECT_EQ(NEBPT::configurationParses() - before, 2u);
    EXPECT_EQ(other.getParameterNumber("EVENT"), 2001u);
    EXPECT_EQ(first.getParameterNumber("EVENT"), 1001u);
}

TEST_F(ConfigurationTest, StandAloneSupportCheck)
{
    const CNEBConfiguration configuration = load(
        drive(
            "FCD-1",
            {{"MIN_AOC", "0150"}, {"MIN_DB", "100"}, {"MAX_DB", "299"}, {"EXCL_DB", "0215,,0230"}},
            1000) +
        drive("FCD-2", {{"MIN_AOC", "0100"}, {"MIN_DB", "100"}}, 2000));
    // FCD-1 needs AOC 01.50 and excludes 02.15 and 02.30; FCD-2 lacks MAX_DB and EXCL_DB.
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"FCD-1", "", "02.40", true},       {"FCD-1", "01.50", "02.40", true},
        {"FCD-1", "01.49", "02.40", false}, {"FCD-1", "", "02.30", false},
        {"FCD-1", "", "00.99", false},      {"FCD-1", "", "03.00", false},
        {"FCD-2", "", "01.00", false}};
    for (const auto& [name, aoc, db, supported] : cases)
        EXPECT_EQ(configuration.isDriveSupported(name, aoc, db), supported) << name << aoc << db;
}

// The configuration delivered with the product serves every drive of the sample images.
TEST(BundledConfigurationTest, EveryDriveElementIsComplete)
{
    // Name, database, number of EVENT, whether the element is the first of its name
    // (the stand-alone check reads only that one).
    for (const auto& [name, db, event, first] : {std::tuple{"FCD-300", "02.40", 1301UL, true},
                                                 std::tuple{"FCD-300", "02.15", 1701UL, false},
                                                 std::tuple{"FCD-300", "03.10", 2301UL, false},
                                                 std::tuple{"FCD-50M", "01.20", 401UL, true}}) {
        SCOPED_TRACE(std::string(name) + " " + db);
        CNEBConfiguration configuration;
        configuration.init(name, "02.10", db);
        EXPECT_EQ(configuration.getParameterNumber("EVENT"), event);
        EXPECT_EQ(configuration.getAllNEBRelatedParameters().size(), 14u);
        for (const char* special :
             {"ACTION_COMMAND_DISABLED", "ACTION_COMMAND_DEFAULT", "EVENT_BOOLEAN_DEFAULT"})
            EXPECT_NO_THROW(configuration.getSpecialChoicelistItem(special));
        EXPECT_EQ(configuration.isDriveSupported(name, "02.10", db), first);
        std::string text, type;
        EXPECT_TRUE(configuration.getChoicelistEntity(event, 22, text, type));
        EXPECT_EQ(type, "COMP");
    }
}

// The host's support query reads the file anew each time; without a file every drive
// counts as supported.
TEST(HostQueriesTest, EachCallReadsTheFileAnew)
{
    testsupport::ScratchFolder folder;
    testsupport::ExecutableFolderGuard exe(folder.path());
    testsupport::TempFolderGuard tmp(folder.path());
    MessageBoxRecorder boxes;
    EXPECT_TRUE(CNEBPTMain::isDriveSupported("FCD-300", "", "02.40"));
    // A file that is there but cannot be opened (a loop of links; as root no
    // permission is missing) counts as none: no message, only a log line.
    const std::string path = folder.file("drives_conf.neb");
    ASSERT_EQ(symlink(path.c_str(), path.c_str()), 0);
    EXPECT_TRUE(CNEBPTMain::isDriveSupported("FCD-300", "", "02.40"));
    EXPECT_TRUE(boxes.shown().empty());
    ASSERT_EQ(readLogLines(folder.file("Torvane Drives/nebpt.log")).size(), 1u);
    EXPECT_NE(readLogLines(folder.file("Torvane Drives/nebpt.log"))[0].find("cannot be opened"),
              std::string::npos);
    std::filesystem::remove(path);

    folder.writeText("drives_conf.neb", "<DriveConfiguration><drive name=\"X\"><Compatibility>"
                                        "<property ID=\"MIN_DB\">100</property></Compatibility>"
                                        "</drive></DriveConfiguration>");
    EXPECT_FALSE(CNEBPTMain::isDriveSupported("FCD-300", "", "02.40"));
    EXPECT_TRUE(CNEBPTMain::isDriveSupported("X", "", "02.40"));
}
