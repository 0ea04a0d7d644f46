#include "HostTestSupport.h"
#include "LinkTestSupport.h"
#include "ModbusClient.h"
#include "ProgramRuntime.h"
#include "RegisterMap.h"
#include "SimulatedDrive.h"

#include <modbus.h>

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
            return kInputs + 1 + static_cast<int>(i);
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
        {"--run: past the inputs read", image, {"--run"}, kInputs + 8, {1}, EMBXILADD},
        {"--run: a write across the block's end",
         image,
         {"--run"},
         kInputs + 255,
         {1, 1},
         EMBXILADD},
        {"--run: the inputs together", image, {"--run"}, kInputs + 1, {1, 2, 3, 4, 5, 6, 7}, 0},
        {"without --run no status block", image, {}, kStatus, {}, EMBXILADD},
        {"without --run no input block", image, {}, kInputs + 1, {1}, EMBXILADD},
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
