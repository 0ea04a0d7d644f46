#include "HostTestSupport.h"
#include "SimulatedDrive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// nebpt-host run as a user runs it: the built executable beside drives_conf.neb,
// and the same after `cmake --install` from the one folder the host is laid out in.

using hosttest::fileBytes;
using hosttest::run;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

const std::string kHost = NEBPT_HOST_EXECUTABLE;

TEST(HostProcessTest, PrintsTheProgramOfBothSamples)
{
    testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    const SimulatedDrive otherHost(image); // a host has the image open
    const std::string before = fileBytes(image);
    hosttest::Run printed = run({kHost, "--print", image});
    EXPECT_EQ(printed.status, 0) << printed.errors;
    EXPECT_EQ(printed.errors, "");
    for (const char* line :
         {"Program: 6 of 20 pairs", "Pair 0: Digital input 18 -> Start timer 0",
          "Pair 5: Logic rule 0 -> Start timer 2",
          "Comparator 0: Motor speed Greater than 1200.000",
          "Logic rule 1: Logic rule 0 OR Comparator 2 AND NOT Timeout 2", "Timer 2: 0.75 s",
          "mode On, start event Running, stop event Alarm (trip)"})
        EXPECT_THAT(printed.out, HasSubstr(line));
    EXPECT_THAT(printed.out, Not(HasSubstr("Pair 6"))) << "the end marker is no step";
    EXPECT_THAT(printed.out, Not(HasSubstr("Comparator 3:"))) << "only what the program uses";
    EXPECT_EQ(fileBytes(image), before);

    printed = run({kHost, "--print", hosttest::sampleImage("fcd50m_sample.json")});
    EXPECT_EQ(printed.status, 0) << printed.errors;
    for (const char* line :
         {"Program: 4 of 10 pairs", "Pair 3: Comparator 0 -> Start timer 1",
          "Logic rule 0: Timeout 1 AND NOT Digital input 27", "Timer 0: 1500 ms"})
        EXPECT_THAT(printed.out, HasSubstr(line));
}

// The printer's refusals, one line naming the image, are replayed by fuzz_image;
// here the executable passes them on.
TEST(HostProcessTest, UnusableImageGivesOneLineAndAFailingStatus)
{
    testsupport::ScratchFolder scratch;
    const std::string image =
        hosttest::copyOfSample(scratch, "fcd300_sample.json", {}, "\"FCD-300\"", "\"FCD-999\"");
    const hosttest::Run printed = run({kHost, "--print", image});
    EXPECT_EQ(printed.status, 1);
    EXPECT_EQ(printed.out, "");
    EXPECT_THAT(printed.errors, MatchesRegex("[^\n]+\n")) << "one line";
    EXPECT_THAT(printed.errors, AllOf(StartsWith(image + ": "), HasSubstr("is not supported")));

    // No picture of a broken image.
    scratch.writeText("broken.json", "{");
    EXPECT_EQ(
        run({kHost, "--screenshot", scratch.file("none.png"), scratch.file("broken.json")}).status,
        1);
    EXPECT_EQ(fileBytes(scratch.file("none.png")), "");
}

TEST(HostProcessTest, OptionsCombineAndAWrongCommandLineGetsTheUsage)
{
    const std::string image = hosttest::sampleImage("fcd300_sample.json");
    const hosttest::Run english = run({kHost, "--print", image});
    const hosttest::Run german = run({kHost, image, "--language", "german", "--print"});
    EXPECT_EQ(german.status, 0) << german.errors;
    EXPECT_EQ(german.out, english.out) << "the program is the drive's, in any language";

    const hosttest::Run version = run({kHost, "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_THAT(version.out, MatchesRegex("nebpt-host [0-9]+\\.[0-9]+(\\.[0-9]+)?\n"));
    const hosttest::Run helped = run({kHost, "--help"});
    EXPECT_EQ(helped.status, 0);
    EXPECT_THAT(helped.out, AllOf(HasSubstr("--print"), HasSubstr("--screenshot"),
                                  HasSubstr("--language <name>")));

    const std::vector<std::vector<std::string>> wrong = {
        {kHost, "--show"},
        {kHost, "--print"},
        {kHost, "--print", "--screenshot", "out.png", image},
        {kHost, image, image},
    };
    for (const auto& command : wrong) {
        SCOPED_TRACE(command.back());
        const hosttest::Run refused = run(command);
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(refused.out, "");
        EXPECT_THAT(refused.errors, AllOf(StartsWith("nebpt-host: "), HasSubstr("Usage: ")));
    }
}

TEST(HostProcessTest, TheInstalledHostRunsFromItsFolder)
{
    testsupport::ScratchFolder prefix;
    ASSERT_EQ(
        run({NEBPT_CMAKE_COMMAND, "--install", NEBPT_BUILD_DIR, "--prefix", prefix.path()}).status,
        0);
    const std::string folder = prefix.path() + NEBPT_INSTALL_DIR + "/";
    for (const char* name :
         {"nebpt-host", "libNEBPT.so", "libNEBPTframework.so", "libNEBPTframeworkWidgets.so",
          "NEBPT_english.so", "NEBPT_german.so", "drives_conf.neb", "data/fcd300_sample.json",
          "data/fcd50m_sample.json"})
        EXPECT_FALSE(fileBytes(folder + name).empty()) << name;

    const std::string image = folder + "data/fcd300_sample.json";
    const hosttest::Run printed = run({prefix.path() + "bin/nebpt-host", "--print", image});
    EXPECT_EQ(printed.status, 0) << printed.errors;
    EXPECT_THAT(printed.out, HasSubstr("Program: 6 of 20 pairs"));

    // A picture of the window, in German from the installed language library;
    // taking it leaves the image alone.
    const std::string picture = prefix.file("editor.png");
    const hosttest::Run shot =
        run({folder + "nebpt-host", "--language", "german", "--screenshot", picture, image});
    EXPECT_EQ(shot.status, 0) << shot.errors;
    const std::string png = fileBytes(picture);
    EXPECT_GT(png.size(), 1000u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(fileBytes(image), fileBytes(hosttest::sampleImage("fcd300_sample.json")));
}

} // namespace
