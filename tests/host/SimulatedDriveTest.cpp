#include "SimulatedDrive.h"
#include "HostTestSupport.h"

#include <QJsonDocument>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sstream>
#include <sys/resource.h>
#include <tuple>

using hosttest::fileBytes;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

const std::string kSample = "fcd300_sample.json";

std::string read(SimulatedDrive& drive, const std::string& number, int index)
{
    std::string value;
    drive.ReadParameterValue(number, index, value, "Setup 1");
    return value;
}

// The refusal text of a call that must be refused.
std::string refusal(const std::function<void()>& call)
{
    try {
        call();
    } catch (const DriveRefusal& refused) {
        return refused.what();
    }
    ADD_FAILURE() << "the drive accepted the call";
    return {};
}

// What an image holds, field by field, one parameter a line.
std::string contentOf(const DriveImage& image)
{
    std::ostringstream out;
    out << image.driveType << "|" << image.aocVersion << "|" << image.databaseVersion << "|"
        << image.language << "|" << image.indexBase << "\n";
    for (const DriveImage::Parameter& p : image.parameters) {
        out << p.number << " " << p.name << " " << p.elementCount << " [" << p.minimum << " "
            << p.maximum << " " << p.unit << " " << p.decimals << "]";
        for (const std::string& choice : p.choices)
            out << " " << choice;
        out << " =";
        for (const std::string& value : p.values)
            out << " " << value;
        out << "\n";
    }
    const modbusmap::Map& map = image.registerMap;
    out << map.unit << " " << static_cast<int>(map.wordOrder) << " " << map.identificationAddress;
    for (const modbusmap::Slot& slot : map.parameters)
        out << " " << slot.number << "@" << slot.address << "x" << slot.width;
    return out.str();
}

// How many entries a folder holds.
long entryCount(const std::string& folder)
{
    const std::filesystem::directory_iterator entries(folder);
    return std::distance(begin(entries), end(entries));
}

} // namespace

TEST(SimulatedDriveTest, AddressesOnlyWhatTheDriveHasFromItsIndexBase)
{
    testsupport::ScratchFolder scratch;
    SimulatedDrive drive(hosttest::copyOfSample(scratch, kSample));
    SimulatedDrive based(hosttest::copyOfSample(scratch, "fcd50m_sample.json"));
    ASSERT_EQ(based.GetIndexBase(), 1);
    EXPECT_EQ(read(based, "0401", 1), based.value(401, 0));
    EXPECT_EQ(read(based, "0401", 10), based.value(401, 9));
    EXPECT_EQ(read(drive, "1300", -1), "1") << "a single value is read without index";
    EXPECT_TRUE(drive.GetChoiceList("1303.0").empty()) << "a numeric parameter has no choices";

    std::string value;
    const std::vector<std::string> numbers = {"1300", "0999"};
    const std::pair<std::function<void()>, const char*> calls[] = {
        {[&] { drive.GetParameterName("0999"); }, "GetParameterName: no parameter 0999"},
        {[&] { read(drive, "0999", -1); }, "ReadParameterValue: no parameter 0999"},
        {[&] { drive.GetChoiceList("0999"); }, "GetChoiceList: no parameter 0999"},
        {[&] { drive.GetElementCount("13x1"); },
         "GetElementCount: \"13x1\" is not a parameter number"},
        {[&] { drive.GetChoiceList("1301.x"); }, "not a parameter identifier"},
        {[&] { read(drive, "1300", 0); }, "has no elements"},
        {[&] { read(drive, "1301", -1); }, "needs an index"},
        {[&] { drive.GetChoiceList("1301.20"); }, "no element 20"},
        {[&] { drive.ReadParameterValue("1301", 0, value, "Setup 2"); }, "no setup \"Setup 2\""},
        {[&] { drive.RegisterParameters(numbers); }, "no parameter 0999"},
        {[&] { read(based, "0401", 0); }, "no element 0 (indexes 1 to 10)"},
    };
    for (const auto& [call, reason] : calls)
        EXPECT_THAT(refusal(call), HasSubstr(reason));
    EXPECT_EQ(drive.lastRefusal(), "RegisterParameters: no parameter 0999");
    EXPECT_TRUE(drive.registeredParameters().empty()) << "a refused registration keeps nothing";
}

// A write is all or nothing: one refused entry and the good one before it is not
// applied either. An accepted write is saved in the drive's own form by replacing
// the image file as a whole; a failed save keeps the old file and the drive.
TEST(SimulatedDriveTest, WritesAllOrNothingAndSavesTheImageAsAWhole)
{
    testsupport::ScratchFolder scratch;
    // Choice values are signed: the controller mode has "-1:Never" in place of "0:Off".
    const std::string path =
        hosttest::copyOfSample(scratch, kSample, {}, "\"0:Off\"", "\"-1:Never\"");
    SimulatedDrive drive(path);
    const std::string before = fileBytes(path);
    auto write = [&](const std::vector<std::string>& ids, const std::vector<std::string>& values) {
        drive.WriteParameterValues(ids, values, "Setup 1", 0);
    };
    auto refuse = [&](const std::string& identifier, const std::string& value,
                      const std::string& reason = {}) {
        SCOPED_TRACE(identifier + " = \"" + value + "\"");
        EXPECT_THAT(refusal([&] {
                        write({"1301.7", identifier}, {"2", value});
                    }),
                    HasSubstr(reason));
    };
    for (const char* text : {"99", "42", "-1", "1.0", "", " 7", "7 ", "x"})
        refuse("1301.0", text);
    refuse("1302.1", "50", "not in the choice list");
    for (const char* text : {"0", "4294967295", "-2147483649", "--1", "-"})
        refuse("1300", text);
    for (const char* text : {"-0.500000", "12,5", "abc", "1e3", "nan", "inf", "", "1.2.3", "+"})
        refuse("1303.0", text);
    refuse("1303.0", "3600.010000", "outside the limits 0 to 3600");
    refuse("1301.20", "2", "no element 20");
    EXPECT_THAT(refusal([&] {
                    write({"1301.7", "1302.7"}, {"2"});
                }),
                HasSubstr("2 identifiers but 1"));

    // No file of this process may grow: the new image cannot be written.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit none = saved;
    none.rlim_cur = 0;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &none);
    const std::string unsaved = refusal([&] { write({"1301.7"}, {"2"}); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_THAT(unsaved, HasSubstr("cannot save the drive image " + path));

    EXPECT_EQ(drive.value(1301, 7), "0");
    EXPECT_EQ(drive.value(1303, 0), "5.00");
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(entryCount(scratch.path()), 1) << "no temporary file is left behind";

    // As the plug-in sends them: "%lf" numbers, decimal choice values; the later of
    // two entries for one element wins, as the host writes them in order.
    write({"1303.1", "1312.2", "1301.6", "1302.6", "1300", "1303.7", "1301.7", "1301.7"},
          {"7.126000", "-99999.999400", "1", "16", "-1", "3600.000000", "2", "3"});
    SimulatedDrive reopened(path);
    const std::tuple<unsigned long, long, const char*> held[] = {
        {1303, 1, "7.13"}, {1312, 2, "-99999.999"}, {1301, 6, "1"}, {1302, 6, "16"},
        {1300, -1, "-1"},  {1303, 7, "3600.00"},    {1301, 7, "3"}, {1301, 0, "19"}, // untouched
    };
    for (const auto& [number, element, value] : held)
        EXPECT_EQ(reopened.value(number, element), value) << number << "." << element;
    EXPECT_EQ(reopened.GetChoiceList("1301.0").size(), 42u) << "choice lists survive the save";
}

// Broken images: each gives one line naming the file and the fault, and the file
// stays as it was.
TEST(SimulatedDriveTest, RejectsBrokenImagesWithOneClearLine)
{
    testsupport::ScratchFolder scratch;
    const std::string good = fileBytes(hosttest::sampleImage("fcd50m_sample.json"));
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        return text.replace(text.find(from), from.size(), to); // throws when `from` is absent
    };
    const std::pair<std::string, std::string> cases[] = {
        {good.substr(0, good.size() / 2), "not valid JSON"},
        {replaced("\"drive\": {", "\"engine\": {"), "\"drive\" is missing"},
        {replaced("\"number\": 402", "\"number\": 401"), "parameter 401 is listed twice"},
        {replaced("\"elementCount\": 10", "\"elementCount\": 11"),
         "\"values\" must be a list of 11 values"},
        {replaced("\"0:Off\"", "\"x:Off\""), "is not of the form <value>:<text>"},
        {replaced("\"0:Off\"", "\"0:\""), "is not of the form <value>:<text>"},
        {replaced("\"0:Off\"", "\"0::Off\""), "is not of the form <value>:<text>"},
        {replaced("\"choiceLists\": {", "\"choiceLists\": [], \"lists\": {"),
         "\"choiceLists\" is not an object"},
        {replaced("\"1500\"", "\"60001\""), "parameter 403 element 0"},
        // More than an editor lays out (4096 elements) or the host's parameter
        // interface carries (32-bit signed choice values, int indexes).
        {replaced("\"elementCount\": 10", "\"elementCount\": 4097"),
         "parameter 401: \"elementCount\" 4097 is too large: a parameter has at most 4096 "
         "elements"},
        {replaced("\"0:Off\"", "\"4294967296:Off\""),
         "parameter 400: choice value 4294967296 is outside -2147483648 to 2147483647"},
        {replaced("\"indexBase\": 1", "\"indexBase\": 2147483640"),
         "parameter 401: indexes 2147483640 to 2147483649 exceed 2147483647"},
    };
    for (const auto& [content, fault] : cases) {
        SCOPED_TRACE(fault);
        const std::string path = scratch.file("broken.json");
        scratch.writeText("broken.json", content);
        try {
            SimulatedDrive drive(path);
            ADD_FAILURE() << "the image was accepted";
        } catch (const DriveImageError& error) {
            EXPECT_THAT(error.what(), StartsWith(path + ": "));
            EXPECT_THAT(error.what(), HasSubstr(fault));
            EXPECT_THAT(error.what(), Not(HasSubstr("\n")));
        }
        EXPECT_EQ(fileBytes(path), content);
    }
}

// An image is written as it holds: a parsed one in the form of its text (named
// choice lists, defaults left out) but for what changed, one made in memory in
// full; either reads back as it was.
TEST(DriveImageTest, WritesWhatItHoldsInTheFormOfItsText)
{
    using Change = std::function<void(DriveImage&)>;
    const Change changes[] = {
        [](DriveImage& i) { i.parameters[1].values[3] = "2"; },
        [](DriveImage& i) {
            i.parameters[0].choices.push_back("999:Held");
            i.parameters[0].choiceValues.push_back(999);
        },
        [](DriveImage& i) {
            i.parameters[1].elementCount = 2;
            i.parameters[1].values.resize(2);
        },
        [](DriveImage& i) { i.parameters[3].minimum.clear(); },
        [](DriveImage& i) { i.language = "german"; },
        [](DriveImage& i) {
            i.registerMap.unit = 7;
            i.registerMap.identificationAddress = -1;
        },
        [](DriveImage& i) { i.registerMap = {}; },
    };
    for (const char* sample : {"fcd300_sample.json", "fcd50m_sample.json"}) {
        SCOPED_TRACE(sample);
        const QByteArray text = QByteArray::fromStdString(fileBytes(hosttest::sampleImage(sample)));
        const DriveImage parsed = DriveImage::parse(text, sample);
        EXPECT_EQ(parsed.toJson(), QJsonDocument::fromJson(text).toJson(QJsonDocument::Indented));
        EXPECT_THAT(parsed.toJson().toStdString(), HasSubstr("\"choices\": \"events\""));
        for (const Change& change : changes) {
            SCOPED_TRACE("change " + std::to_string(&change - changes));
            DriveImage changed = parsed;
            change(changed);
            EXPECT_EQ(contentOf(DriveImage::parse(changed.toJson(), sample)), contentOf(changed));
        }
        DriveImage made;
        made.driveType = parsed.driveType;
        made.aocVersion = parsed.aocVersion;
        made.databaseVersion = parsed.databaseVersion;
        made.language = parsed.language;
        made.indexBase = parsed.indexBase;
        made.parameters = parsed.parameters;
        made.registerMap = parsed.registerMap;
        EXPECT_EQ(contentOf(DriveImage::parse(made.toJson(), sample)), contentOf(parsed));
    }
}
