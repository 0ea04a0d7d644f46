#include "HostTestSupport.h"
#include "LinkTestSupport.h"
#include "ModbusClient.h"
#include "ProgramRuntime.h"
#include "Recording.h"
#include "RegisterMap.h"
#include "SimulatedDrive.h"

#include <modbus.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

// nebpt-drive-sim --run as a host meets it over Modbus TCP: the sample FCD-300
// program runs in real time, its state in the status block, its inputs in the
// input block (RegisterMap.h). Nothing here is timed: the state is polled until
// it shows what is awaited, with a generous deadline.

using hosttest::run;
using modbusmap::ControllerStatus;
using ::testing::HasSubstr;

namespace {

const std::string kSim = NEBPT_DRIVE_SIM_EXECUTABLE;
// The sample profiles' blocks.
constexpr int kStatus = 2000;
constexpr int kInputs = 2400;
constexpr auto kDeadline = std::chrono::seconds(30);

class Client : public linktest::ModbusClient
{
public:
    using ModbusClient::ModbusClient;

    ControllerStatus status()
    {
        const std::vector<std::uint16_t> registers = read(kStatus, 64);
        ControllerStatus status;
        std::string reason;
        EXPECT_FALSE(registers.empty()) << modbus_strerror(error);
        if (!registers.empty() &&
            decodeStatus(registers.data(), 64, modbusmap::WordOrder::HighFirst, status, reason))
            return status;
        ADD_FAILURE() << "the status block cannot be read: " << reason;
        // Nothing runs; sized as a sample drive's, so that the checks may look at it.
        return ControllerStatus{false, -1, std::vector<long long>(8, modbusmap::kTimerIdle),
                                std::vector<bool>(6), std::vector<bool>(6)};
    }
    // Polls the status until `holds` is true of it; the status last read.
    ControllerStatus await(const std::string& what,
                           const std::function<bool(const ControllerStatus&)>& holds)
    {
        const auto deadline = std::chrono::steady_clock::now() + kDeadline;
        ControllerStatus last = status();
        while (!holds(last) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            last = status();
        }
        EXPECT_TRUE(holds(last)) << "never saw: " << what;
        return last;
    }
};

// The input block's register for an input of the sample program.
int inputRegister(const std::string& name)
{
    SimulatedDrive drive(hosttest::sampleImage("fcd300_sample.json"), SimulatedDrive::Access::Read);
    const NEBPT::ProgramRuntime runtime(NEBPT::ProgramWorkflow().exportProgram(drive));
    const std::vector<int> read = runtime.inputsRead();
    for (size_t i = 0; i < read.size(); ++i) {
        if (runtime.inputNames()[static_cast<size_t>(read[i])] == name)
            return kInputs + modbusmap::kInputHeaderRegisters + static_cast<int>(i);
    }
    ADD_FAILURE() << "the program reads no " << name;
    return kInputs;
}

// The sample program (data/fcd300_sample.scenario.json): "Running" starts it at
// step 0; "Digital input 18" takes step 0, which starts timer 0 (here 2 s); comparator 0
// is "Motor speed" greater than 1200.
TEST(SimRunTest, TheSampleProgramRunsAsItsInputsSay)
{
    using modbusmap::kTimerIdle;
    const testsupport::ScratchFolder scratch;
    linktest::DriveSimulator sim(
        hosttest::copyOfSample(scratch, "fcd300_sample.json", {}, "\"5.00\"", "\"2.00\""),
        {"--run"});
    Client client(sim.port());

    ControllerStatus status = client.await("the controller with its objects, stopped", [](auto& s) {
        return s.timers.size() == 8 && s.comparators.size() == 6 && s.logicRules.size() == 6;
    });
    EXPECT_EQ(status.timers, std::vector<long long>(8, kTimerIdle)) << "no timer started";
    EXPECT_FALSE(status.running);
    EXPECT_EQ(status.activeStep, -1);
    const std::vector<std::uint16_t> count = client.read(kInputs, 1);
    ASSERT_EQ(count.size(), 1u);
    EXPECT_EQ(count[0], 7) << "the inputs the program reads";

    EXPECT_EQ(client.write(inputRegister("Running"), {1}), 0);
    client.await("step 0", [](auto& s) { return s.running && s.activeStep == 0; });
    EXPECT_EQ(client.read(inputRegister("Running"), 1), std::vector<std::uint16_t>{1});

    EXPECT_EQ(client.write(inputRegister("Digital input 18"), {1}), 0);
    status = client.await("step 1 with timer 0 running", [](auto& s) {
        return s.activeStep == 1 && s.timers[0] > 0 && s.timers[0] < 2000;
    });
    const long long started = status.timers[0];
    EXPECT_EQ(client.write(inputRegister("Digital input 18"), {0}), 0);
    client.await("timer 0 running down",
                 [started](auto& s) { return s.timers[0] < started || s.activeStep != 1; });

    EXPECT_FALSE(client.status().comparators[0]);
    EXPECT_EQ(client.write(inputRegister("Motor speed"), {1500}), 0);
    client.await("comparator 0 true", [](auto& s) { return s.comparators[0]; });
    // A timer that ran out is told apart from one never started.
    status = client.await("timer 0 ran out",
                          [](auto& s) { return s.timers[0] == modbusmap::kTimerRanOut; });
    EXPECT_EQ(status.timers[2], kTimerIdle);

    // A program parameter written: the controller starts anew on the new program,
    // the inputs kept ("Running" starts it again at once, "Digital input 18" is off).
    const int unusedTimer = 220 + 2 * 7;
    EXPECT_EQ(client.write(unusedTimer, {0, 100}), 0);
    client.await("step 0 again, every timer idle", [](auto& s) {
        return s.running && s.activeStep == 0 &&
               s.timers == std::vector<long long>(8, modbusmap::kTimerIdle);
    });
    EXPECT_TRUE(client.status().comparators[0]) << "Motor speed kept";
    EXPECT_EQ(sim.stop(), 0);
}

// The input block's header tells the layout number of the inputs it holds; a
// written program that reads other inputs changes it, as a master sees.
TEST(SimRunTest, TheInputBlockTellsItsLayout)
{
    const testsupport::ScratchFolder scratch;
    linktest::DriveSimulator sim(hosttest::copyOfSample(scratch, "fcd300_sample.json"), {"--run"});
    Client client(sim.port());
    SimulatedDrive drive(hosttest::sampleImage("fcd300_sample.json"), SimulatedDrive::Access::Read);
    NEBPT::ProgramData program = NEBPT::ProgramWorkflow().exportProgram(drive);
    const int pair0Event = 140;
    const struct
    {
        const char* name;
        std::uint16_t event; // of pair 0, written
    } rows[] = {{"the sample: Digital input 18", 19}, {"Digital input 19 instead", 20}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(client.write(pair0Event, {row.event}), 0);
        program.parameters[1].values[0] = std::to_string(row.event);
        const NEBPT::ProgramRuntime runtime(program);
        const std::uint16_t layout = modbusmap::inputLayoutOf(runtime);
        std::vector<std::uint16_t> header;
        client.await("the layout in the header", [&](auto&) {
            header = client.read(kInputs, modbusmap::kInputHeaderRegisters);
            return header.size() == 2u && header[1] == layout;
        });
        EXPECT_EQ(header[0], runtime.inputsRead().size());
    }
    EXPECT_EQ(sim.stop(), 0);
}

// nebpt-host --set sets a running drive's inputs by name; what it cannot set
// by name sets nothing.
TEST(SimRunTest, SetSetsInputsByName)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    const std::string noBlocks =
        hosttest::copyOfSample(scratch, "fcd300_sample.json", "bare.json",
                               "\"inputRegister\": 2400,\n        \"statusRegister\": 2000,", "");
    linktest::DriveSimulator sim(image, {"--run"});
    Client client(sim.port());
    const struct
    {
        const char* name;
        std::vector<std::string> sets;
        std::string profile;
        int status;
        std::string told; // on stdout when done, else on stderr
    } rows[] = {
        {"an input the program does not read",
         {"Running=true", "Nope=1"},
         image,
         1,
         "the drive's program reads no input \"Nope\"; no input set"},
        {"a value that is no condition or whole number",
         {"Running=maybe"},
         image,
         2,
         "none of true, false, a whole number"},
        {"no input block in the profile", {"Running=true"}, noBlocks, 1, "has no input block"},
        {"by name", {"Running=true", "Motor speed=1500"}, image, 0, "set Motor speed = 1500\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> command{NEBPT_HOST_EXECUTABLE};
        for (const std::string& set : row.sets)
            command.insert(command.end(), {"--set", set});
        command.insert(command.end(), {"--connect", sim.address(), "--profile", row.profile});
        const hosttest::Run set = run(command);
        EXPECT_EQ(set.status, row.status) << set.errors;
        EXPECT_THAT(row.status == 0 ? set.out : set.errors, HasSubstr(row.told));
        if (row.status != 0) {
            EXPECT_EQ(client.read(inputRegister("Running"), 1), std::vector<std::uint16_t>{0})
                << "nothing set";
        }
    }
    client.await("running, comparator 0 true",
                 [](auto& s) { return s.running && s.comparators[0]; });
    EXPECT_EQ(sim.stop(), 0);
}

// What nebpt-host --record saw of the drive while its inputs were set with --set
// replays on the model of the controller with the drive's program; on another
// program the replay names the first disagreement.
TEST(SimRunTest, ARecordedRunReplaysOnTheModel)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    const std::string other = hosttest::copyOfSample(scratch, "fcd300_sample.json", "other.json",
                                                     "\"19\",\n                \"34\"",
                                                     "\"20\",\n                \"34\"");
    const std::string recorded = scratch.file("recorded.json");
    linktest::DriveSimulator sim(image, {"--run"});
    Client client(sim.port());
    const std::vector<std::string> link{"--connect", sim.address(), "--profile", image};
    const auto host = [&link](std::vector<std::string> words) {
        words.insert(words.begin(), NEBPT_HOST_EXECUTABLE);
        words.insert(words.end(), link.begin(), link.end());
        return run(words);
    };
    hosttest::Run recording;
    std::thread recorder([&] { recording = host({"--record", recorded, "--for", "3"}); });
    for (const char* set : {"Running=true", "Digital input 18=true"})
        EXPECT_EQ(host({"--set", set}).status, 0) << set;
    client.await("step 1", [](auto& s) { return s.activeStep == 1; });
    recorder.join();
    ASSERT_EQ(recording.status, 0) << recording.errors;
    const std::string scenario = testsupport::ScratchFolder::readFile(recorded);
    EXPECT_THAT(scenario, HasSubstr("\"Digital input 18\""));
    EXPECT_THAT(scenario, HasSubstr("\"within\": 0.25"));

    const struct
    {
        const char* name;
        std::string image;
        int status;
        std::string told;
    } replays[] = {{"the drive's program", image, 0, "expectations hold"},
                   {"another program", other, 1, "step 1 expected, not so then"}};
    for (const auto& replay : replays) {
        SCOPED_TRACE(replay.name);
        const hosttest::Run simulated =
            run({NEBPT_HOST_EXECUTABLE, "--simulate", replay.image, "--scenario", recorded});
        EXPECT_EQ(simulated.status, replay.status) << simulated.out << simulated.errors;
        EXPECT_THAT(simulated.out + simulated.errors, HasSubstr(replay.told));
    }
    EXPECT_EQ(sim.stop(), 0);
}

// A poll later than the period (a loaded machine, a slow link) saw an input
// that was set somewhere since the poll before: from then on each expectation
// allows the longest gap between two polls so far, as the model, taking the
// input at the poll, may run that far behind the drive.
TEST(SimRunTest, ARecordingAllowsTheLongestGapBetweenItsPolls)
{
    scenario::RecordingWriter recording({"Running"}, std::chrono::milliseconds(250));
    const struct
    {
        long long sinceFirstMs;
        double within;
    } polls[] = {{0, 0.25}, {250, 0.25}, {1150, 0.9}, {1400, 0.9}, {1600, 0.9}};
    for (const auto& poll : polls)
        recording.polled(poll.sinceFirstMs, 0, {1});
    const QJsonArray expects =
        QJsonDocument::fromJson(QByteArray::fromStdString(recording.text()))["expect"].toArray();
    ASSERT_EQ(expects.size(), std::size(polls));
    for (std::size_t i = 0; i < std::size(polls); ++i) {
        EXPECT_DOUBLE_EQ(expects[qsizetype(i)]["at"].toDouble(),
                         0.25 + polls[i].sinceFirstMs / 1000.0);
        EXPECT_DOUBLE_EQ(expects[qsizetype(i)]["within"].toDouble(), polls[i].within) << i;
    }
}

// The blocks answer only while the program runs; the status block and the input
// count are read-only, and so is what lies past the inputs the program reads.
TEST(SimRunTest, TheBlocksTakeWhatTheyShould)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    const std::string noBlocks =
        hosttest::copyOfSample(scratch, "fcd300_sample.json", "bare.json",
                               "\"inputRegister\": 2400,\n        \"statusRegister\": 2000,", "");
    struct Case
    {
        const char* name;
        std::string image;
        std::vector<std::string> options;
        int address;
        std::vector<std::uint16_t> written; // empty: read one register
        int error;                          // 0: taken
    };
    const std::vector<Case> cases{
        {"--run: the status block is read", image, {"--run"}, kStatus + 200, {}, 0},
        {"--run: the status block refuses a write", image, {"--run"}, kStatus, {1}, EMBXILADD},
        {"--run: the input count is read-only", image, {"--run"}, kInputs, {7}, EMBXILADD},
        {"--run: the layout number is read-only", image, {"--run"}, kInputs + 1, {7}, EMBXILADD},
        {"--run: past the inputs read", image, {"--run"}, kInputs + 9, {1}, EMBXILADD},
        {"--run: a write across the block's end",
         image,
         {"--run"},
         kInputs + 255,
         {1, 1},
         EMBXILADD},
        {"--run: the inputs together", image, {"--run"}, kInputs + 2, {1, 2, 3, 4, 5, 6, 7}, 0},
        {"without --run no status block", image, {}, kStatus, {}, EMBXILADD},
        {"without --run no input block", image, {}, kInputs + 2, {1}, EMBXILADD},
        {"--run without blocks in the profile", noBlocks, {"--run"}, kStatus, {}, EMBXILADD},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        linktest::DriveSimulator sim(c.image, c.options);
        Client client(sim.port());
        if (c.written.empty()) {
            const bool read = !client.read(c.address, 1).empty();
            EXPECT_EQ(read ? 0 : client.error, c.error) << modbus_strerror(client.error);
        } else {
            EXPECT_EQ(client.write(c.address, c.written), c.error);
        }
        EXPECT_EQ(client.read(0, 1).size(), 1u) << "the drive still answers";
    }
}

// A program written that the model refuses (a comparison it does not know, which
// this drive offers) silences both blocks until the program can run again.
TEST(SimRunTest, AWrittenProgramTheModelRefusesSilencesTheBlocks)
{
    const testsupport::ScratchFolder scratch;
    const std::string image =
        hosttest::copyOfSample(scratch, "fcd300_sample.json", {}, "\"2:Greater than\"",
                               "\"2:Greater than\", \"3:Between\"");
    linktest::DriveSimulator sim(image, {"--run"});
    Client client(sim.port());
    const int comparison = 540; // 1311, comparator 0's, read by pair 2's event
    const struct
    {
        std::uint16_t comparison;
        int error; // of a status read and an input write
    } steps[] = {{3, EMBXSFAIL}, {2, 0}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.comparison);
        EXPECT_EQ(client.write(comparison, {step.comparison}), 0) << "the drive takes it";
        const bool read = !client.read(kStatus, 5).empty();
        EXPECT_EQ(read ? 0 : client.error, step.error);
        EXPECT_EQ(client.write(inputRegister("Running"), {1}), step.error);
    }
    client.await("running again", [](auto& s) { return s.running; });
}

TEST(SimRunTest, AProgramTheModelRefusesEndsTheSimulator)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json", {},
                                                     "\"unit\": \"s\"", "\"unit\": \"furlong\"");
    const hosttest::Run refused = run({kSim, "--run", "--port", "0", image});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.errors, HasSubstr(image + ": the program cannot be run: "));
    EXPECT_THAT(refused.errors, HasSubstr("the unit \"furlong\" of parameter 1303"));
    EXPECT_EQ(refused.out, "") << "it never listened";

    // Served without --run, the same image answers.
    linktest::DriveSimulator sim(image);
    EXPECT_EQ(Client(sim.port()).read(0, 1).size(), 1u);

    EXPECT_THAT(run({kSim, "--help"}).out, HasSubstr("--run"));
}

} // namespace
