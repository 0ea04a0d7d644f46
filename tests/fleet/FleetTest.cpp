#include "HostTestSupport.h"
#include "LinkTestSupport.h"
#include "WorkflowTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// nebpt-host --fleet as an engineer runs it on a line of drives, a few of
// which misbehave: each drive ends as it must, the others are not held up,
// and the report tells it all.

using ::testing::HasSubstr;

namespace {

const std::string kHost = NEBPT_HOST_EXECUTABLE;

// A drive of the line: what its image holds, how its simulator misbehaves,
// what the import and then the drift check must make of it.
struct Drive
{
    const char* name;
    const char* image; // "old": the sample's program, "new": the program, "other": another type
    std::vector<std::string> simulator;
    const char* imported;
    const char* checked; // afterwards, by --fleet --diff
};

// A request of the import's write and read-back (16 to 23): the connection's
// identification and the program's reads come before it.
const std::string kWriting = "19";

const std::vector<Drive> kLine{
    {"Killed", "old", {"--latency", "150"}, "partly written", "failed"},
    {"Holding it", "new", {}, "identical", "equal"},
    {"Other type", "other", {}, "refused", "differs"},
    {"Refusing", "old", {"--fault", "refuse:340"}, "failed", "failed"},
    {"Dropping", "old", {"--fault", "drop:" + kWriting}, "written", "equal"},
    {"Conveyor 1", "old", {}, "written", "equal"},
    {"Conveyor 2", "old", {}, "written", "equal"},
    {"Conveyor 3", "old", {}, "written", "equal"},
    {"Conveyor 4", "old", {}, "written", "equal"},
    {"Conveyor 5", "old", {}, "written", "equal"},
    {"Conveyor 6", "old", {}, "written", "equal"},
    {"Conveyor 7", "old", {}, "written", "equal"},
};

QJsonObject jsonOf(const std::string& text)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

// The report's drives by name.
std::map<std::string, QJsonObject> drivesOf(const QJsonObject& report)
{
    std::map<std::string, QJsonObject> drives;
    for (const QJsonValue drive : report["drives"].toArray())
        drives[drive["name"].toString().toStdString()] = drive.toObject();
    return drives;
}

} // namespace

TEST(FleetTest, EveryDriveEndsAsItMustAndTheReportTellsIt)
{
    const testsupport::ScratchFolder scratch;
    // A program that differs from the sample's in four runs of registers.
    workflowtest::sampleWith(scratch,
                             {{1301, {{0, "2"}, {1, "3"}}},
                              {1303, {{1, "7.50"}}},
                              {1306, {{0, "5"}}},
                              {1320, {{3, "22"}}}},
                             "fcd300_sample.json", "new.json");
    const std::string program = scratch.file("program.json");
    ASSERT_EQ(hosttest::run({kHost, "--export", program, scratch.file("new.json")}).status, 0);
    // The profiles lie beside the fleet file, named relative to it.
    hosttest::copyOfSample(scratch, "fcd300_sample.json", "fcd300.json");
    hosttest::copyOfSample(scratch, "fcd50m_sample.json", "fcd50m.json");

    std::vector<std::string> images;
    std::vector<std::unique_ptr<linktest::DriveSimulator>> simulators;
    QJsonArray entries;
    for (size_t i = 0; i < kLine.size(); ++i) {
        const std::string kind = kLine[i].image, image = "drive" + std::to_string(i) + ".json";
        if (kind == "new")
            scratch.writeText(image, scratch.readText("new.json"));
        else
            hosttest::copyOfSample(
                scratch, kind == "other" ? "fcd50m_sample.json" : "fcd300_sample.json", image);
        images.push_back(scratch.file(image));
        simulators.push_back(
            std::make_unique<linktest::DriveSimulator>(images.back(), kLine[i].simulator));
        entries.append(
            QJsonObject{{"name", kLine[i].name},
                        {"connect", QString::fromStdString(simulators.back()->address())},
                        {"profile", kind == "other" ? "fcd50m.json" : "fcd300.json"}});
    }
    scratch.writeText("fleet.json",
                      QJsonDocument(QJsonObject{{"drives", entries}}).toJson().toStdString());
    const std::string fleet = scratch.file("fleet.json");
    const std::string untouched = hosttest::fileBytes(images[1]);
    const std::string before = hosttest::fileBytes(images[0]);

    hosttest::Run run;
    std::thread import([&] {
        run = hosttest::run({kHost, "--fleet", fleet, "--import", program, "--report",
                             scratch.file("report.json"), "--pdf", scratch.file("report.pdf")});
    });
    // The first drive dies once it took the first write.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (hosttest::fileBytes(images[0]) == before && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    simulators[0]->kill();
    import.join();

    EXPECT_EQ(run.status, 3) << run.out << run.errors;
    EXPECT_EQ(hosttest::fileBytes(images[1]), untouched) << "the identical drive was written";
    const QJsonObject report = jsonOf(scratch.readText("report.json"));
    ASSERT_FALSE(report.isEmpty()) << "no report, or not JSON";
    for (const char* key : {"operator", "host", "program", "programSha256", "start", "end"})
        EXPECT_FALSE(report[key].toString().isEmpty()) << key;
    EXPECT_EQ(report["programSha256"].toString().size(), 64);
    const std::map<std::string, QJsonObject> imported = drivesOf(report);
    ASSERT_EQ(imported.size(), kLine.size());
    for (const Drive& drive : kLine) {
        SCOPED_TRACE(drive.name);
        const QJsonObject& got = imported.at(drive.name);
        EXPECT_EQ(got["outcome"].toString().toStdString(), drive.imported)
            << got["failure"].toString().toStdString();
        EXPECT_THAT(got["address"].toString().toStdString(), HasSubstr("tcp://127.0.0.1:"));
        for (const char* key : {"start", "end"})
            EXPECT_FALSE(got[key].toString().isEmpty()) << key;
        const QJsonObject identity = got["identity"].toObject();
        EXPECT_EQ(identity["type"].toString(),
                  std::string(drive.image) == "other" ? "FCD-50M" : "FCD-300");
        const bool fine =
            std::string(drive.imported) == "written" || std::string(drive.imported) == "identical";
        EXPECT_EQ(got["failure"].toString().isEmpty(), fine);
        EXPECT_EQ(got["differencesBefore"].toArray().isEmpty(),
                  std::string(drive.image) == "new" || std::string(drive.imported) == "failed");
        EXPECT_EQ(got["elementsWritten"].toInt(), std::string(drive.imported) == "written" ? 5 : 0);
    }
    // The printable report: the run, the program, every drive with its outcome,
    // each page numbered.
    const std::vector<std::string> pages = workflowtest::pdfPages(scratch.file("report.pdf"));
    std::string printed;
    for (size_t page = 0; page < pages.size(); ++page) {
        EXPECT_THAT(pages[page], HasSubstr("Page " + std::to_string(page + 1) + " of " +
                                           std::to_string(pages.size())));
        printed += pages[page] + " ";
    }
    EXPECT_THAT(printed, HasSubstr(report["programSha256"].toString().toStdString()));
    EXPECT_THAT(printed, HasSubstr("Program flow"));
    const size_t table = printed.find("Drives Drive Address");
    ASSERT_NE(table, std::string::npos) << printed;
    const std::string drives = printed.substr(table, printed.find("Differences before") - table);
    for (const Drive& drive : kLine) {
        EXPECT_THAT(drives, HasSubstr(drive.name));
        EXPECT_THAT(drives, HasSubstr(drive.imported));
    }

    // It refuses every request for the stop event's register, reads too.
    EXPECT_THAT(imported.at("Refusing")["failure"].toString().toStdString(),
                HasSubstr("reading parameter 1306"));
    EXPECT_THAT(QJsonDocument(imported.at("Dropping")["notes"].toArray()).toJson().toStdString(),
                HasSubstr("made anew"));

    // The drift check afterwards: the dead drive cannot be read.
    const hosttest::Run check = hosttest::run(
        {kHost, "--fleet", fleet, "--diff", program, "--report", scratch.file("drift.json")});
    EXPECT_EQ(check.status, 1) << check.out << check.errors;
    const std::map<std::string, QJsonObject> checked =
        drivesOf(jsonOf(scratch.readText("drift.json")));
    ASSERT_EQ(checked.size(), kLine.size());
    for (const Drive& drive : kLine)
        EXPECT_EQ(checked.at(drive.name)["outcome"].toString().toStdString(), drive.checked)
            << drive.name;
    EXPECT_EQ(hosttest::fileBytes(images[1]), untouched);
}

// A fleet command that cannot be used is a wrong command line: status 2 and
// what is wrong, naming the entry.
TEST(FleetTest, AFleetFileThatCannotBeUsedIsAWrongCommandLine)
{
    const testsupport::ScratchFolder scratch;
    const std::string program = hosttest::sampleImage("fcd300_sample.json");
    const struct
    {
        const char* fleet; // empty: no fleet file
        std::vector<std::string> options;
        const char* told;
    } cases[]{
        {nullptr, {}, "fleet.json"},
        {"{ \"drives\": [", {}, "not JSON"},
        {"{ \"drives\": [] }", {}, "empty"},
        {"{ \"drives\": [ {\"name\": \"A\", \"connect\": \"tcp://127.0.0.1:1\", \"profile\": "
         "\"p.json\"}, {\"name\": \"B\", \"profile\": \"p.json\"} ] }",
         {},
         "drive 2 (\"B\"): \"connect\""},
        {"{ \"drives\": [ {\"name\": \"A\", \"connect\": \"udp:x\", \"profile\": \"p.json\"} ] }",
         {},
         "drive 1 (\"A\")"},
        {"{ \"drives\": [ {\"name\": \"A\", \"connect\": \"tcp://127.0.0.1:1\", \"profile\": "
         "\"p.json\"} ] }",
         {"--jobs", "0"},
         "--jobs"},
    };
    for (const auto& wrong : cases) {
        SCOPED_TRACE(wrong.told);
        if (wrong.fleet)
            scratch.writeText("fleet.json", wrong.fleet);
        std::vector<std::string> command{kHost, "--fleet", scratch.file("fleet.json"), "--import",
                                         program};
        command.insert(command.end(), wrong.options.begin(), wrong.options.end());
        const hosttest::Run run = hosttest::run(command);
        EXPECT_EQ(run.status, 2);
        EXPECT_THAT(run.errors, HasSubstr(wrong.told));
    }
}
