#include "HostWindow.h"
#include "HostWindowTestSupport.h"
#include "LinkTestSupport.h"
#include "SimulatedDrive.h"
#include "WorkflowTestSupport.h"

#include "framework/MessageBox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <unistd.h>

// A drive over a link that fails in the middle of things, as the user of
// nebpt-host sees it: a download either ends with the drive holding what was
// asked, or tells exactly what it holds; no printed, checked or filed value comes
// from a read that failed; and an answer, however slow, waits no longer than the
// timeout.

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string kSample = "fcd300_sample.json";
const std::string kProfile = hosttest::sampleImage(kSample);

using Program = std::map<unsigned long, std::vector<std::string>>; // parameter -> values

// The program parameters of an image, as its file holds them.
Program programOf(const std::string& image)
{
    SimulatedDrive drive(image, SimulatedDrive::Access::Read);
    Program program;
    for (unsigned long number :
         {1300, 1301, 1302, 1303, 1305, 1306, 1310, 1311, 1312, 1320, 1321, 1322, 1323, 1324}) {
        const long count = static_cast<long>(drive.GetElementCount(std::to_string(number)));
        for (long e = count ? 0 : -1; e < count; ++e)
            program[number].push_back(drive.value(number, e));
    }
    return program;
}

std::set<unsigned long> differing(const Program& a, const Program& b)
{
    std::set<unsigned long> numbers;
    for (const auto& [number, values] : a)
        if (b.at(number) != values)
            numbers.insert(number);
    return numbers;
}

// The parameters a message names after "partly written program".
std::set<unsigned long> named(const std::string& message)
{
    std::set<unsigned long> numbers;
    const std::string word = "parameter ";
    for (size_t at = message.find(word, message.find("partly")); at != std::string::npos;
         at = message.find(word, at + 1))
        numbers.insert(std::strtoul(message.c_str() + at + word.size(), nullptr, 10));
    return numbers;
}

hosttest::Run host(const std::vector<std::string>& arguments, const std::string& address,
                   const std::string& timeout = "2000")
{
    std::vector<std::string> command{NEBPT_HOST_EXECUTABLE};
    command.insert(command.end(), arguments.begin(), arguments.end());
    command.insert(command.end(),
                   {"--connect", address, "--profile", kProfile, "--timeout", timeout});
    return hosttest::run(command);
}

// A drive and a program file that differs from it in four runs of registers
// (two 16-bit elements, a 32-bit one, a single value, an element of a rule).
class DownloadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // What an import left unfinished is remembered here, for this test alone.
        setenv("XDG_STATE_HOME", scratch.path().c_str(), 1);
        hosttest::copyOfSample(scratch, kSample, "old.json");
        workflowtest::sampleWith(scratch,
                                 {{1301, {{0, "2"}, {1, "3"}}},
                                  {1303, {{1, "7.50"}}},
                                  {1306, {{0, "5"}}},
                                  {1320, {{3, "22"}}}},
                                 kSample, "new.json");
        ASSERT_EQ(
            hosttest::run({NEBPT_HOST_EXECUTABLE, "--export", program, scratch.file("new.json")})
                .status,
            0);
        oldProgram = programOf(scratch.file("old.json"));
        newProgram = programOf(scratch.file("new.json"));
    }

    // A drive that holds the old program.
    std::string freshDrive() const
    {
        return hosttest::copyOfSample(scratch, "fcd300_sample.json", "drive.json");
    }

    // The drive `image` (served again) refuses the program's stop event: its
    // choice list lacks it, though the profile's has it.
    void refuseTheStopEvent(const std::string& image) const
    {
        std::string text = hosttest::fileBytes(image);
        const std::string choice = "\"5:Torque limit\",";
        ASSERT_NE(text.find(choice), std::string::npos);
        text.erase(text.find(choice), choice.size());
        scratch.writeText(image.substr(scratch.path().size()), text);
    }

    // What an import that did not finish says holds; then the same import finishes it.
    void expectTheTruthAndFinish(const hosttest::Run& run, const std::string& image)
    {
        const Program holds = programOf(image);
        if (run.status == 0) {
            EXPECT_EQ(holds, newProgram) << "exit status 0 with another program on the drive";
            return;
        }
        if (run.status == 1) {
            EXPECT_EQ(holds, oldProgram) << run.errors;
        } else {
            ASSERT_EQ(run.status, 3) << run.errors;
            EXPECT_THAT(run.errors, HasSubstr("partly written program"));
            const std::set<unsigned long> told = named(run.errors);
            for (unsigned long number : differing(holds, newProgram))
                EXPECT_TRUE(told.count(number)) << number << " differs, untold: " << run.errors;
        }
        linktest::DriveSimulator again(image);
        const hosttest::Run finished = host({"--import", program}, again.address());
        EXPECT_EQ(finished.status, 0) << finished.errors;
        EXPECT_EQ(programOf(image), newProgram);
    }

    const testsupport::ScratchFolder scratch;
    const std::string program = scratch.file("program.json");
    Program oldProgram, newProgram;
};

} // namespace

// The link is cut at each request in turn (the request lost, or taken and its
// answer lost): the import either ends with the drive holding the new program,
// read back, or tells the truth; never a mix with exit status 0.
TEST_F(DownloadTest, AnImportCutAtAnyRequestIsVerified)
{
    for (const std::string fault : {"drop:", "lose:"}) {
        int reconnected = 0;
        // From a request before the first write (identification and program reads come first).
        for (int n = 12;; ++n) {
            SCOPED_TRACE(fault + std::to_string(n));
            const std::string image = freshDrive();
            hosttest::Run run;
            {
                linktest::DriveSimulator sim(image, {"--fault", fault + std::to_string(n)});
                run = host({"--import", program}, sim.address());
            }
            expectTheTruthAndFinish(run, image);
            if (run.status == 0 && run.errors.find("made anew") == std::string::npos)
                break; // the fault would have come after the last request
            reconnected += run.status == 0;
            ASSERT_LT(n, 60);
        }
        EXPECT_GE(reconnected, 8) << "every write and read-back of four runs";
    }
}

// The drive dies in the middle of the download and does not come back.
TEST_F(DownloadTest, AnImportWhoseDriveDiesTellsWhatItMayHold)
{
    const std::string image = freshDrive();
    const std::string before = hosttest::fileBytes(image);
    linktest::DriveSimulator sim(image, {"--latency", "80"});
    hosttest::Run run;
    std::thread import([&] { run = host({"--import", program}, sim.address()); });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (hosttest::fileBytes(image) == before && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    sim.kill(); // after the first write it took
    import.join();
    EXPECT_THAT(run.status, ::testing::AnyOf(1, 3)) << run.errors;
    expectTheTruthAndFinish(run, image);
}

const std::string kRefused =
    "the drive refuses \"Torque limit\" for Controller: stop event (1306): Illegal data value";

// A drive that refuses one of the program's values takes the import back. Cut
// at any request (four requests dropped: one and the three tries to connect
// anew), the import tells what the drive holds: what it held before, or a
// mixed program; it names the value refused, and promises that the same
// import finishes the program only when nothing was refused.
TEST_F(DownloadTest, ARefusedValueIsNamedAndNoRerunPromised)
{
    std::set<std::string> seen;
    for (int n = 12; n <= 30; ++n) {
        SCOPED_TRACE(n);
        const std::string image = freshDrive();
        refuseTheStopEvent(image);
        std::vector<std::string> faults;
        for (int k = n; k < n + 4; ++k)
            faults.insert(faults.end(), {"--fault", "drop:" + std::to_string(k)});
        hosttest::Run run;
        {
            linktest::DriveSimulator sim(image, faults);
            run = host({"--import", program}, sim.address());
        }
        const Program holds = programOf(image);
        const bool refused = run.errors.find(kRefused) != std::string::npos;
        const bool again = run.errors.find("the same --import again") != std::string::npos;
        if (run.status == 1) {
            EXPECT_EQ(holds, oldProgram) << run.errors;
            EXPECT_FALSE(again) << run.errors;
            seen.insert(refused ? "refused, as before" : "failed");
            continue;
        }
        ASSERT_EQ(run.status, 3) << run.errors;
        EXPECT_NE(refused, again) << run.errors;
        const std::set<unsigned long> told = named(run.errors);
        for (unsigned long number : differing(holds, newProgram))
            EXPECT_TRUE(told.count(number)) << number << " differs, untold: " << run.errors;
        if (refused) { // the link froze while taking it back: both are told
            EXPECT_THAT(run.errors, HasSubstr("Illegal data value; then "));
        }
        seen.insert(refused ? "refused, mixed" : "cut, partly");
    }
    EXPECT_EQ(seen, (std::set<std::string>{"failed", "cut, partly", "refused, mixed",
                                           "refused, as before"}));
}

// An import cut off leaves a mixed program. When the drive then refuses one of
// the program's values, the next import is taken back and tells that the drive
// still holds that mix, not only that it failed; once the drive takes the
// value, the same import finishes the program, and a later refusal is one of
// a drive that held a whole program.
TEST_F(DownloadTest, ARefusalAfterACutImportTellsTheMixLeft)
{
    const std::string image = freshDrive();
    {
        // The first write is taken; its read-back and the tries to connect anew are dropped.
        linktest::DriveSimulator sim(image, {"--fault", "drop:17", "--fault", "drop:18", "--fault",
                                             "drop:19", "--fault", "drop:20"});
        const hosttest::Run cut = host({"--import", program}, sim.address());
        ASSERT_EQ(cut.status, 3) << cut.errors;
    }
    const Program mix = programOf(image);
    ASSERT_NE(mix, oldProgram);
    const std::string mixText = hosttest::fileBytes(image);
    refuseTheStopEvent(image);
    {
        linktest::DriveSimulator refusing(image);
        const hosttest::Run run = host({"--import", program}, refusing.address());
        EXPECT_EQ(run.status, 3);
        EXPECT_THAT(run.errors,
                    HasSubstr(kRefused + "; it holds a mixed program, left so by an earlier "
                                         "--import that did not finish: Timer 1 (1303.1), Logic "
                                         "rule 3: operand 1 (1320.3), Controller: stop event "
                                         "(1306) differ from the program\n"));
        EXPECT_THAT(run.errors, Not(HasSubstr("again")));
        EXPECT_EQ(programOf(image), mix);
    }
    // The drive takes the value again.
    scratch.writeText("drive.json", mixText);
    {
        linktest::DriveSimulator taking(image);
        EXPECT_EQ(host({"--import", program}, taking.address()).status, 0);
        EXPECT_EQ(programOf(image), newProgram);
    }
    EXPECT_THAT(hosttest::fileBytes(scratch.file("nebpt/unfinished-imports.json")),
                Not(HasSubstr("FCD-300")))
        << "forgotten once finished";
    const std::string other = freshDrive();
    refuseTheStopEvent(other);
    linktest::DriveSimulator refusingAgain(other);
    const hosttest::Run run = host({"--import", program}, refusingAgain.address());
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.errors, HasSubstr(kRefused + "; it holds what it held before\n"));
}

// A read that fails (the drive refuses the register, or answers too late) fails
// every command that shows, checks or files the program, naming the parameter;
// nothing is printed or written.
TEST(NoValueUnread, AFailedReadFailsTheCommandNamingTheParameter)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    const std::string output = scratch.file("output");
    struct Fault
    {
        std::string option, told, timeout;
    };
    for (const Fault& fault :
         {Fault{"refuse:340", "reading parameter 1306 ", "5000"}, // stop event
          Fault{"refuse:100", "reading parameter 1300 ", "5000"}, // mode
          Fault{"refuse:300", "reading parameter 1305 ", "5000"}, // start event
          Fault{"late:8:10000", "reading parameter 13", "1000"}}) {
        for (const std::vector<std::string>& command : {std::vector<std::string>{"--print"},
                                                        {"--check"},
                                                        {"--pdf", output},
                                                        {"--export", output}}) {
            SCOPED_TRACE(fault.option + " " + command.front());
            linktest::DriveSimulator sim(image, {"--fault", fault.option});
            const hosttest::Run run = host(command, sim.address(), fault.timeout);
            EXPECT_EQ(run.status, 1) << "failed, whatever the command";
            EXPECT_THAT(run.errors, HasSubstr(fault.told));
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(access(output.c_str(), F_OK), -1) << "an output file was written";
        }
    }
}

// An answer sent a byte at a time ends at the timeout, not when its last byte comes.
TEST(Deadline, ATrickledAnswerEndsAtTheTimeout)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    linktest::DriveSimulator sim(image, {"--fault", "trickle:3:300"}); // 49 bytes: 15 s
    const auto start = std::chrono::steady_clock::now();
    const hosttest::Run run = host({"--print"}, sim.address(), "500");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.errors, HasSubstr("timed out"));
}

// File > Import over a link whose drive dies mid-download: the window tells what
// the drive may hold and, once the drive is back, writes the program again.
TEST_F(DownloadTest, TheWindowOffersToWriteAPartlyWrittenProgramAgain)
{
    testsupport::TempFolderGuard tmp(scratch.path());
    const std::string image = freshDrive();
    const std::string before = hosttest::fileBytes(image);
    auto sim = std::make_unique<linktest::DriveSimulator>(
        image, std::vector<std::string>{"--latency", "80"});
    const std::string port = std::to_string(sim->port());
    HostWindow window;
    window.show();
    ASSERT_TRUE(hosttest::done(window.connectDrive(QString::fromStdString(sim->address()),
                                                   QString::fromStdString(kProfile), 5000)));
    // Online an import goes to the drive at once (offline, into the working copy).
    ASSERT_TRUE(hosttest::done(window.setOnline(true)));

    std::thread killer;
    std::vector<std::string> shown;
    const auto previous =
        fw::setMessageBoxHandler([&](const std::string& text, const std::string&, unsigned) {
            shown.push_back(text);
            if (text.find("Import the program") == 0) { // the drive dies during the download
                killer = std::thread([&] {
                    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
                    while (hosttest::fileBytes(image) == before &&
                           std::chrono::steady_clock::now() < giveUp)
                        std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    sim->kill();
                });
            } else if (text.find("Write it again?") != std::string::npos && killer.joinable()) {
                killer.join(); // and comes back
                sim = std::make_unique<linktest::DriveSimulator>(
                    image, std::vector<std::string>{"--port", port});
            }
            return fw::IDYES;
        });
    EXPECT_TRUE(hosttest::done(window.importProgram(QString::fromStdString(program))));
    fw::setMessageBoxHandler(previous);
    if (killer.joinable())
        killer.join();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_THAT(shown[1], HasSubstr("partly written program"));
    EXPECT_THAT(shown[1], HasSubstr(sim->address()));
    EXPECT_EQ(programOf(image), newProgram);
    hosttest::idle(window);
    EXPECT_EQ(hosttest::firstEvent(window), "Running") << "the editor read the drive anew";
}
