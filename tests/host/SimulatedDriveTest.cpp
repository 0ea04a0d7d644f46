#include "SimulatedDrive.h"
#include "HostTestSupport.h"
#include "support/ScratchFolder.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEBChangeBunch.h"
#include "Settings_Stock/CNEBParameter.h"
#include "Settings_Stock/CNEB_Choicelist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using hosttest::fileBytes;

namespace {

class SimulatedDriveTest : public ::testing::Test
{
protected:
    // A copy of a sample image in the scratch folder, so that writes never touch data/.
    std::string copyOfSample(const std::string& name)
    {
        const std::string path = scratch.file(name);
        hosttest::copyFile(hosttest::sampleImage(name), path);
        return path;
    }

    static std::string read(SimulatedDrive& drive, const std::string& number, int index)
    {
        std::string value;
        drive.ReadParameterValue(number, index, value, "Setup 1");
        return value;
    }

    static void write(SimulatedDrive& drive, std::vector<std::string> identifiers,
                      std::vector<std::string> values)
    {
        drive.WriteParameterValues(identifiers, values, "Setup 1", 0);
    }

    // The refusal text of a call that must be refused.
    static std::string refusal(const std::function<void()>& call)
    {
        try {
            call();
        } catch (const DriveRefusal& refused) {
            return refused.what();
        }
        ADD_FAILURE() << "the drive accepted the call";
        return {};
    }

    testsupport::ScratchFolder scratch;
};

CNEBParameter element(unsigned long number, long index, const std::string& text = {})
{
    CNEBParameter parameter;
    parameter.setNumber(number);
    parameter.setIndex(index);
    parameter.setText(text);
    return parameter;
}

} // namespace

TEST_F(SimulatedDriveTest, AnswersEveryOperationFromTheSampleImage)
{
    SimulatedDrive drive(copyOfSample("fcd300_sample.json"));

    std::string name, aoc, db;
    drive.GetDriveIdentity(name, aoc, db);
    EXPECT_EQ(name, "FCD-300");
    EXPECT_EQ(aoc, "02.10");
    EXPECT_EQ(db, "02.40");
    EXPECT_EQ(drive.GetLanguage(), "english");
    EXPECT_EQ(drive.GetIndexBase(), 0);

    EXPECT_EQ(drive.GetElementCount("1301"), 20u);
    EXPECT_EQ(drive.GetElementCount("1303"), 8u);
    EXPECT_EQ(drive.GetElementCount("1310"), 6u);
    EXPECT_EQ(drive.GetElementCount("1320"), 6u);
    EXPECT_EQ(drive.GetElementCount("1300"), 0u);
    EXPECT_FALSE(drive.GetParameterName("1301").empty());

    // Identifier texts exactly as the plug-in builds them.
    EXPECT_EQ(read(drive, "1301", 0), "19");
    EXPECT_EQ(read(drive, "1302", 6), "0") << "pair 6 ends the program";
    EXPECT_EQ(read(drive, "1300", -1), "1");
    EXPECT_EQ(read(drive, "1312", 1), "12.500");

    const auto events = drive.GetChoiceList("1301.3");
    EXPECT_EQ(events.size(), 42u);
    EXPECT_NE(std::find(events.begin(), events.end(), "28:Logic rule 0"), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "41:Timeout 7"), events.end());
    EXPECT_EQ(drive.GetChoiceList("1302.0").size(), 50u);
    EXPECT_EQ(drive.GetChoiceList("1300").front(), "0:Off");
    EXPECT_TRUE(drive.GetChoiceList("1303.0").empty()) << "a numeric parameter has no choices";

    std::string minimum, maximum, unit, decimals;
    drive.GetParameterAttributes("1303", 2, minimum, maximum, unit, decimals);
    EXPECT_EQ(minimum, "0");
    EXPECT_EQ(maximum, "3600");
    EXPECT_EQ(unit, "s");
    EXPECT_EQ(decimals, "2");

    drive.RegisterParameters({"1300", "1324"});
    EXPECT_EQ(drive.registeredParameters(), (std::vector<std::string>{"1300", "1324"}));
}

TEST_F(SimulatedDriveTest, IndexBaseShiftsEveryElementAddress)
{
    SimulatedDrive drive(copyOfSample("fcd50m_sample.json"));
    ASSERT_EQ(drive.GetIndexBase(), 1);

    EXPECT_EQ(read(drive, "0401", 1), drive.value(401, 0));
    EXPECT_EQ(read(drive, "0401", 10), drive.value(401, 9));
    EXPECT_NE(refusal([&] { read(drive, "0401", 0); }).find("no element 0"), std::string::npos);
    EXPECT_NE(refusal([&] { read(drive, "0401", 11); }).find("no element 11"), std::string::npos);

    // The plug-in's data manager adds the base itself: element 9 is "0402.10".
    CExternalDataManager manager(&drive);
    CNEBParameter first = element(401, 0);
    manager.readParameter(first);
    EXPECT_EQ(first.getText(), "20");
    CNEBChangeBunch bunch;
    bunch.addParameter(element(402, 9, "16"));
    bunch.addParameter(element(400, -1, "0"));
    manager.writeChangeBunch(bunch);
    EXPECT_EQ(drive.value(402, 9), "16");
    EXPECT_EQ(drive.value(400), "0");
    CNEB_Choicelist actions;
    CNEBParameter action = element(402, 9);
    manager.readChoicelist(action, actions);
    EXPECT_EQ(actions.findItem(30).getText(), "Start timer 0");

    std::string minimum, maximum, unit, decimals;
    manager.getParameterAttributes(element(403, 3), minimum, maximum, unit, decimals);
    EXPECT_EQ(maximum, "60000");
    EXPECT_EQ(unit, "");
}

TEST_F(SimulatedDriveTest, RefusesUnknownParametersAndElements)
{
    SimulatedDrive drive(copyOfSample("fcd300_sample.json"));
    std::string a, b, c, d;

    EXPECT_NE(refusal([&] { drive.GetParameterName("0999"); }).find("no parameter 0999"),
              std::string::npos);
    EXPECT_NE(refusal([&] { read(drive, "0999", -1); }).find("no parameter"), std::string::npos);
    refusal([&] { drive.GetElementCount("0999"); });
    refusal([&] { drive.GetChoiceList("0999"); });
    refusal([&] { drive.GetParameterAttributes("0999", -1, a, b, c, d); });
    refusal([&] { drive.RegisterParameters({"1300", "0999"}); });
    refusal([&] { drive.GetElementCount("13x1"); });
    refusal([&] { drive.GetChoiceList("1301.x"); });

    // Elements: beyond the count, an index on a single value, none on an array.
    EXPECT_NE(refusal([&] { read(drive, "1301", 20); }).find("no element 20"), std::string::npos);
    refusal([&] { read(drive, "1300", 0); });
    refusal([&] { read(drive, "1301", -1); });
    refusal([&] { drive.GetChoiceList("1301.20"); });
    refusal([&] { drive.GetParameterAttributes("1303", 8, a, b, c, d); });
    refusal([&] { read(drive, "1301", 0 - 2); });

    // The drive has one setup.
    std::string value;
    EXPECT_NE(
        refusal([&] { drive.ReadParameterValue("1301", 0, value, "Setup 2"); }).find("Setup 2"),
        std::string::npos);

    EXPECT_NE(drive.lastRefusal().find("ReadParameterValue"), std::string::npos);
    EXPECT_TRUE(drive.registeredParameters().empty()) << "a refused registration keeps nothing";
}

TEST_F(SimulatedDriveTest, RefusesValuesADriveWouldNotHold)
{
    const std::string path = copyOfSample("fcd300_sample.json");
    SimulatedDrive drive(path);

    // Choice values: only the numbers of the parameter's list.
    for (const char* text : {"99", "42", "-1", "1.0", "", " 7", "7 ", "x"})
        refusal([&] { write(drive, {"1301.0"}, {text}); });
    EXPECT_NE(refusal([&] { write(drive, {"1302.1"}, {"50"}); }).find("not in the choice list"),
              std::string::npos);
    // Numbers: plain decimal texts inside the limits 0 to 3600.
    EXPECT_NE(refusal([&] { write(drive, {"1303.0"}, {"3600.010000"}); }).find("outside"),
              std::string::npos);
    for (const char* text : {"-0.500000", "12,5", "abc", "1e3", "nan", "inf", "", "1.2.3", "+"})
        refusal([&] { write(drive, {"1303.0"}, {text}); });
    refusal([&] { write(drive, {"1312.0"}, {"-100000.001000"}); });
    // Malformed identifiers.
    refusal([&] { write(drive, {"1301.a"}, {"1"}); });
    refusal([&] { write(drive, {""}, {"1"}); });

    EXPECT_EQ(drive.value(1301, 0), "19");
    EXPECT_EQ(drive.value(1303, 0), "5.00");
    EXPECT_EQ(fileBytes(path), fileBytes(hosttest::sampleImage("fcd300_sample.json")));
}

TEST_F(SimulatedDriveTest, AcceptedWriteIsSavedInTheDrivesOwnForm)
{
    const std::string path = copyOfSample("fcd300_sample.json");
    {
        SimulatedDrive drive(path);
        // As the plug-in sends them: "%lf" numbers, decimal choice values.
        write(drive, {"1303.1", "1312.2", "1301.6", "1302.6", "1300", "1303.7"},
              {"7.126000", "-99999.999400", "1", "16", "0", "3600.000000"});
        EXPECT_EQ(drive.value(1303, 1), "7.13") << "rounded to the two decimals of the timer";
        EXPECT_EQ(drive.value(1312, 2), "-99999.999") << "no more than three decimals";
        EXPECT_EQ(read(drive, "1303", 1), "7.13");
    }
    SimulatedDrive reopened(path);
    EXPECT_EQ(reopened.value(1303, 1), "7.13");
    EXPECT_EQ(reopened.value(1312, 2), "-99999.999");
    EXPECT_EQ(reopened.value(1301, 6), "1");
    EXPECT_EQ(reopened.value(1302, 6), "16");
    EXPECT_EQ(reopened.value(1300), "0");
    EXPECT_EQ(reopened.value(1303, 7), "3600.00");
    EXPECT_EQ(reopened.value(1301, 0), "19") << "untouched values stay";
    EXPECT_EQ(reopened.GetChoiceList("1301.0").size(), 42u) << "choice lists survive the save";
    EXPECT_EQ(hosttest::entryCount(scratch.path()), 1) << "no temporary file is left behind";

    // The later of two entries for one element wins, as the host writes them in order.
    write(reopened, {"1301.7", "1301.7"}, {"2", "3"});
    EXPECT_EQ(SimulatedDrive(path).value(1301, 7), "3");
}

TEST_F(SimulatedDriveTest, RefusedWriteChangesNeitherTheDriveNorTheFile)
{
    const std::string path = copyOfSample("fcd300_sample.json");
    SimulatedDrive drive(path);
    const std::string before = fileBytes(path);

    // One bad entry between good ones: none of them is applied.
    refusal([&] { write(drive, {"1301.7", "1303.0", "1302.7"}, {"2", "9999.000000", "16"}); });
    refusal([&] { write(drive, {"1301.7", "1301.20"}, {"2", "2"}); });
    refusal([&] { write(drive, {"1301.7", "1302.7"}, {"2"}); });
    refusal([&] { drive.WriteParameterValues({"1301.7"}, {"2"}, "Setup 2", 0); });

    EXPECT_EQ(drive.value(1301, 7), "0");
    EXPECT_EQ(drive.value(1303, 0), "5.00");
    EXPECT_EQ(drive.value(1302, 7), "0");
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(hosttest::entryCount(scratch.path()), 1);
}

TEST_F(SimulatedDriveTest, UnwritableFolderFailsTheWriteAndKeepsTheFile)
{
    const std::string path = copyOfSample("fcd300_sample.json");
    SimulatedDrive drive(path);
    const std::string before = fileBytes(path);
    {
        hosttest::UnwritableFolder readOnly(scratch.path());
        if (!readOnly.usable())
            GTEST_SKIP() << "this process can write into any folder";
        EXPECT_NE(refusal([&] { write(drive, {"1301.7"}, {"2"}); }).find("cannot save"),
                  std::string::npos);
    }
    EXPECT_EQ(drive.value(1301, 7), "0") << "the drive keeps what the file holds";
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(hosttest::entryCount(scratch.path()), 1);

    // Once the folder takes files again, the same write goes through.
    write(drive, {"1301.7"}, {"2"});
    EXPECT_EQ(SimulatedDrive(path).value(1301, 7), "2");
}

TEST_F(SimulatedDriveTest, FailsChosenCalls)
{
    const std::string path = copyOfSample("fcd300_sample.json");
    SimulatedDrive drive(path);

    drive.failAtCall(3);
    EXPECT_NO_THROW(drive.GetLanguage());
    EXPECT_NO_THROW(drive.GetIndexBase());
    EXPECT_NE(refusal([&] { drive.GetElementCount("1301"); }).find("simulated failure"),
              std::string::npos);
    EXPECT_NO_THROW(drive.GetElementCount("1301"));
    EXPECT_EQ(drive.callCount(), 4u);
    EXPECT_EQ(drive.callCount("GetElementCount"), 2u);

    drive.resetCalls();
    drive.failAtCall(0);
    drive.failOperation("WriteParameterValues");
    const std::string before = fileBytes(path);
    refusal([&] { write(drive, {"1301.7"}, {"2"}); });
    refusal([&] { write(drive, {"1301.7"}, {"2"}); });
    EXPECT_NO_THROW(read(drive, "1301", 7));
    EXPECT_EQ(drive.value(1301, 7), "0");
    EXPECT_EQ(fileBytes(path), before);

    drive.stopFailing();
    write(drive, {"1301.7"}, {"2"});
    EXPECT_EQ(drive.value(1301, 7), "2");
    EXPECT_EQ(drive.callCount(), 4u);
}

TEST_F(SimulatedDriveTest, CallDelayIsAccountedPerCall)
{
    SimulatedDrive drive(copyOfSample("fcd300_sample.json"));
    drive.setCallDelay(std::chrono::milliseconds(2));
    for (int i = 0; i < 3; ++i)
        drive.GetLanguage();
    EXPECT_NO_THROW(drive.GetElementCount("1301"));
    EXPECT_EQ(drive.callCount(), 4u);
    EXPECT_GE(drive.simulatedDelay(), std::chrono::milliseconds(8));
    drive.resetCalls();
    EXPECT_EQ(drive.simulatedDelay().count(), 0);
}

// Broken images: each gives one line naming the file and the fault, and the file
// stays as it was.
TEST_F(SimulatedDriveTest, RejectsBrokenImagesWithOneClearLine)
{
    const std::string good = fileBytes(hosttest::sampleImage("fcd50m_sample.json"));
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const struct
    {
        std::string content;
        std::string fault;
    } cases[] = {
        {good.substr(0, good.size() / 2), "not valid JSON"},
        {"", "not valid JSON"},
        {"[1, 2]", "not a drive image"},
        {replaced("\"drive\": {", "\"engine\": {"), "\"drive\" is missing"},
        {replaced("\"type\": \"FCD-50M\"", "\"type\": 7"), "\"type\""},
        {replaced("\"databaseVersion\": \"01.20\",", ""), "\"databaseVersion\""},
        {replaced("\"language\": \"english\"", "\"language\": \"\""), "\"language\""},
        {replaced("\"indexBase\": 1", "\"indexBase\": -1"), "\"indexBase\""},
        {replaced("\"indexBase\": 1", "\"indexBase\": 0.5"), "\"indexBase\""},
        {replaced("\"number\": 402", "\"number\": 401"), "parameter 401 is listed twice"},
        {replaced("\"number\": 402", "\"number\": \"402\""), "\"number\""},
        {replaced("\"elementCount\": 10", "\"elementCount\": 11"),
         "\"values\" must be a list of 11 values"},
        {replaced("\"0:Off\"", "\"x:Off\""), "is not of the form <value>:<text>"},
        {replaced("\"1:On\"", "\"0:On\""), "listed twice"},
        {replaced("\"choices\": \"actions\"", "\"choices\": \"verbs\""), "\"verbs\""},
        {replaced("\"1500\"", "\"60001\""), "parameter 403 element 0"},
        {replaced("\"1500\"", "\"1,5\""), "not a decimal number"},
        {replaced("\"maximum\": \"60000\"", "\"maximum\": \"lots\""), "\"maximum\""},
        {replaced("\"decimals\": 0", "\"decimals\": 12"), "\"decimals\""},
    };
    for (const auto& broken : cases) {
        SCOPED_TRACE(broken.fault);
        const std::string path = scratch.file("broken.json");
        scratch.writeText("broken.json", broken.content);
        try {
            SimulatedDrive drive(path);
            ADD_FAILURE() << "the image was accepted";
        } catch (const DriveImageError& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind(path + ": ", 0), 0u) << message;
            EXPECT_NE(message.find(broken.fault), std::string::npos) << message;
            EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        }
        EXPECT_EQ(fileBytes(path), broken.content);
    }

    try {
        SimulatedDrive drive(scratch.file("missing.json"));
        ADD_FAILURE() << "a missing image was accepted";
    } catch (const DriveImageError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.json: cannot be read"),
                  std::string::npos);
    }
}
