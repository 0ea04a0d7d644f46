#include "LinkTestSupport.h"
#include "SimulatedDrive.h"
#include "WorkflowTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>

using ::testing::HasSubstr;

namespace {

hosttest::Run host(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), NEBPT_HOST_EXECUTABLE);
    return hosttest::run(arguments);
}

} // namespace

// nebpt-host as an engineer uses it between two drives: check, export, compare,
// a dry run, the import, and a refusal that leaves the image as it was.
TEST(WorkflowCommandTest, CopiesAProgramBetweenDrivesFromTheCommandLine)
{
    const testsupport::ScratchFolder scratch;
    const std::string source = hosttest::copyOfSample(scratch, "fcd300_sample.json", "a.json");
    const std::string target =
        workflowtest::sampleWith(scratch, {{1303, {{1, "7.50"}}}}, "fcd300_sample.json", "b.json");
    const std::string program = scratch.file("program.json");

    EXPECT_EQ(host({"--check", source}).status, 0);
    ASSERT_EQ(host({"--export", program, source}).status, 0);
    const hosttest::Run diff = host({"--diff", target, program});
    EXPECT_EQ(diff.status, 4) << "found: the programs differ";
    EXPECT_EQ(diff.out, "Timer 1: 7.50 s -> 12.50 s\n");
    const std::string before = hosttest::fileBytes(target);
    const hosttest::Run dry = host({"--import", program, "--dry-run", target});
    EXPECT_EQ(dry.status, 0);
    EXPECT_EQ(dry.out, "Timer 1: 7.50 s -> 12.50 s (1303.1)\n1 element would change; nothing "
                       "written\n");
    EXPECT_EQ(hosttest::fileBytes(target), before);
    EXPECT_EQ(host({"--import", program, target}).status, 0);
    EXPECT_EQ(host({"--diff", target, source}).status, 0);

    const std::string other = hosttest::copyOfSample(scratch, "fcd50m_sample.json");
    const std::string otherBefore = hosttest::fileBytes(other);
    const hosttest::Run refused = host({"--import", program, other});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.errors, HasSubstr("drive type \"FCD-300\""));
    EXPECT_EQ(hosttest::fileBytes(other), otherBefore);
    const hosttest::Run findings = host({"--check", other});
    EXPECT_EQ(findings.status, 4) << "found: what is probably wrong";
    EXPECT_THAT(findings.out, HasSubstr("Logic rule 1 is set up but used by no pair"));
    EXPECT_EQ(host({"--diff", source}).status, 2) << "a wrong command line";
    const std::string unknown = hosttest::copyOfSample(
        scratch, "fcd300_sample.json", "unknown.json", "\"FCD-300\"", "\"FCD-999\"");
    EXPECT_EQ(host({"--diff", unknown, source}).status, 1) << "a drive without configuration";
}

// The program document: its first page renders to a portrait page that shows
// something, and its text holds the identity, the flow's objects and the tables.
TEST(WorkflowCommandTest, WritesTheProgramDocument)
{
    if (std::system("command -v pdftoppm >/dev/null && command -v pdftotext >/dev/null") != 0)
        GTEST_SKIP() << "poppler-utils is missing (scripts/setup installs it)";
    const testsupport::ScratchFolder scratch;
    const std::string pdf = scratch.file("program.pdf");
    ASSERT_EQ(host({"--pdf", pdf, hosttest::sampleImage("fcd300_sample.json")}).status, 0);
    const hosttest::Run text = hosttest::run({"pdftotext", pdf, "-"});
    EXPECT_THAT(text.out, HasSubstr("Drive FCD-300, AOC 02.10, database 02.40"));
    EXPECT_THAT(text.out, HasSubstr("Logic rule 0 OR Comparator 2 AND NOT Timeout 2"));

    ASSERT_EQ(hosttest::run({"pdftoppm", "-f", "1", "-l", "1", "-r", "30", "-png", "-singlefile",
                             pdf, scratch.file("page")})
                  .status,
              0);
    const QImage page(QString::fromStdString(scratch.file("page.png")));
    ASSERT_LT(page.width(), page.height()) << "a portrait page";
    int dark = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x)
            dark += page.pixelColor(x, y).lightness() < 128;
    }
    EXPECT_GT(dark, 200) << "the flow, the text and the tables";
}

// The same over a Modbus link: the drive simulator serves the image.
TEST(WorkflowCommandTest, WorksOnADriveOverALink)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json", "drive.json");
    const std::string changed =
        workflowtest::sampleWith(scratch, {{1303, {{1, "9.00"}}}}, "fcd300_sample.json", "b.json");
    const std::string program = scratch.file("program.json");
    linktest::DriveSimulator sim(image);
    const std::vector<std::string> link{"--connect", sim.address(), "--profile",
                                        hosttest::sampleImage("fcd300_sample.json")};
    const auto overLink = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), link.begin(), link.end());
        return host(arguments);
    };

    EXPECT_EQ(overLink({"--check"}).status, 0);
    EXPECT_EQ(overLink({"--diff", changed}).out, "Timer 1: 12.50 s -> 9.00 s\n");
    ASSERT_EQ(host({"--export", program, changed}).status, 0);
    EXPECT_EQ(overLink({"--import", program}).status, 0);
    EXPECT_EQ(overLink({"--diff", changed}).status, 0);
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1303, 1), "9.00");
    ASSERT_EQ(overLink({"--export", scratch.file("linked.json")}).status, 0);
    EXPECT_EQ(host({"--diff", scratch.file("linked.json"), changed}).status, 0);
}
