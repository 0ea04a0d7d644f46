#include "LinkTestSupport.h"
#include "SimulatedDrive.h"
#include "WorkflowTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

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
    EXPECT_EQ(diff.out, "From " + target + ": drive FCD-300, AOC 02.10, database 02.40\nTo " +
                            program +
                            ": drive FCD-300, AOC 02.10, database 02.40\nTimer 1: 7.50 s -> "
                            "12.50 s\n");
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

// The program document: every page numbered, the title block as given, the
// flow drawn from the program (its pairs' boxes and the values of the objects
// they refer to are text, before the tables), rule formulas bracketed; the
// first page renders to a portrait page that shows something.
// A timer without a unit of its own is shown as the editor shows it: in ms when
// its range reaches beyond 4000, the maximum read as the whole number the editor
// keeps of it (and the controller counts it by), otherwise without a unit.
TEST(WorkflowCommandTest, ATimerWithoutUnitIsShownInTheEditorsUnit)
{
    const testsupport::ScratchFolder scratch;
    const struct
    {
        const char* maximum;
        const char *printed, *changed;
    } rows[] = {{"4000.5", "Timer 2: 0.75  (limits 0 to 4000)", "Timer 2: 0.75 -> 0.80\n"},
                {"4001", "Timer 2: 0.75 ms (limits 0 to 4001)", "Timer 2: 0.75 ms -> 0.80 ms\n"}};
    for (const auto& row : rows) {
        std::string text = hosttest::fileBytes(hosttest::sampleImage("fcd300_sample.json"));
        const std::string indent = ",\n            ";
        for (const auto& [from, to] :
             {std::pair{"\"maximum\": \"3600\"" + indent + "\"minimum\": \"0\"" + indent +
                            "\"name\": \"Step timer\"",
                        "\"maximum\": \"" + std::string(row.maximum) + "\"" + indent +
                            "\"minimum\": \"0\"" + indent + "\"name\": \"Step timer\""},
              std::pair{"\"register\": 220" + indent + "\"unit\": \"s\"",
                        "\"register\": 220" + indent + "\"unit\": \"\""}}) {
            const size_t at = text.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            text.replace(at, from.size(), to);
        }
        scratch.writeText("timers.json", text);
        text.replace(text.find("\"0.75\""), 6, "\"0.80\"");
        scratch.writeText("changed.json", text);
        EXPECT_THAT(host({"--print", scratch.file("timers.json")}).out, HasSubstr(row.printed))
            << row.maximum;
        EXPECT_THAT(host({"--diff", scratch.file("timers.json"), scratch.file("changed.json")}).out,
                    HasSubstr(row.changed))
            << row.maximum;
    }
}

// A choice text with more colons ("19:Digital input 18:NPN") is shown, printed
// and compared by the text the editor shows: up to the second colon.
TEST(WorkflowCommandTest, AChoiceIsShownByTheTextTheEditorShows)
{
    const testsupport::ScratchFolder scratch;
    std::string text = hosttest::fileBytes(hosttest::sampleImage("fcd300_sample.json"));
    const std::string plain = "\"19:Digital input 18\"";
    text.replace(text.find(plain), plain.size(), "\"19:Digital input 18:NPN\"");
    scratch.writeText("npn.json", text);
    text.replace(text.find("\"19\",\n"), 4, "\"20\"");
    scratch.writeText("changed.json", text);
    EXPECT_THAT(host({"--print", scratch.file("npn.json")}).out,
                HasSubstr("Pair 0: Digital input 18 -> Start timer 0\n"));
    EXPECT_THAT(host({"--diff", scratch.file("npn.json"), scratch.file("changed.json")}).out,
                HasSubstr("Pair 0: event \"Digital input 18\" -> \"Digital input 19\"\n"));
}

TEST(WorkflowCommandTest, WritesTheProgramDocument)
{
    if (std::system("command -v pdftoppm >/dev/null && command -v pdftotext >/dev/null") != 0)
        GTEST_SKIP() << "poppler-utils is missing (scripts/setup installs it)";
    const testsupport::ScratchFolder scratch;
    const std::string pdf = scratch.file("program.pdf");
    const std::string image = hosttest::sampleImage("fcd300_sample.json");
    EXPECT_EQ(host({"--pdf", pdf, "--revision", "", image}).status, 2) << "an empty value";
    EXPECT_EQ(host({"--print", "--project", "Line 4", image}).status, 2) << "goes with --pdf";
    ASSERT_EQ(host({"--pdf", pdf, "--project", "Line 4 conveyor", "--author", "J. Smith",
                    "--revision", "C-7", image})
                  .status,
              0);
    const std::vector<std::string> pages = workflowtest::pdfPages(pdf);
    ASSERT_FALSE(pages.empty());
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_THAT(pages[i], HasSubstr("Page " + std::to_string(i + 1) + " of " +
                                        std::to_string(pages.size())));
    }
    EXPECT_THAT(pages.front(),
                AllOf(HasSubstr("Controller program Drive FCD-300, AOC 02.10, database 02.40"),
                      HasSubstr("PROJECT"), HasSubstr("Line 4 conveyor"), HasSubstr("AUTHOR"),
                      HasSubstr("J. Smith"), HasSubstr("REVISION"), HasSubstr("C-7")));
    std::string text;
    for (const std::string& page : pages)
        text += page;
    const std::string flow = text.substr(0, text.find("Pairs: 6 of 20"));
    for (const char* shown :
         {"Program flow", "Mode On, start event Running, stop event Alarm (trip)", "Pair 0",
          "Digital input 18", "Start timer 0", "5.00 s", "Pair 2",
          "Motor speed Greater than 1200.000", "Pair 3", "Set relay 1 high",
          "(Logic rule 0 OR Comparator 2) AND NOT Timeout 2", "Pair 5",
          "Comparator 1 AND Digital input 19", "0.75 s", "End of the program"})
        EXPECT_NE(flow.find(shown), std::string::npos) << shown;
    EXPECT_THAT(text, AllOf(HasSubstr("Logic rule 1 (Logic rule 0 OR Comparator 2) AND NOT "
                                      "Timeout 2"),
                            HasSubstr("Timer 1 12.50 s 0 to 3600"),
                            HasSubstr("Stop event Alarm (trip)")));

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

// A program of 255 pairs in German: the flow goes on over pages through
// connectors, the pair table repeats its heading and its columns on each page it
// continues on, and every word of the document is German.
TEST(WorkflowCommandTest, BreaksALongProgramDocumentAcrossPagesInGerman)
{
    if (std::system("command -v pdftotext >/dev/null") != 0)
        GTEST_SKIP() << "poppler-utils is missing (scripts/setup installs it)";
    const testsupport::ScratchFolder scratch;
    const std::string pdf = scratch.file("program.pdf");
    ASSERT_EQ(
        host({"--pdf", pdf, "--language", "german", workflowtest::bigProgram(scratch)}).status, 0);
    const std::vector<std::string> pages = workflowtest::pdfPages(pdf);
    ASSERT_GT(pages.size(), 10u);
    int flowPages = 0, tablePages = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i + 1));
        const std::string& page = pages[i];
        EXPECT_THAT(page, HasSubstr("Seite " + std::to_string(i + 1) + " von " +
                                    std::to_string(pages.size())));
        if (page.find("Programmablauf (Fortsetzung)") != std::string::npos) {
            ++flowPages;
            EXPECT_THAT(page, HasSubstr("Fortsetzung von Seite " + std::to_string(i)));
        }
        if (page.find("Paare: 255 von 255 (Fortsetzung) Paar Ereignis Aktion") != std::string::npos)
            ++tablePages;
    }
    EXPECT_GT(flowPages, 10);
    EXPECT_GT(tablePages, 2);
    std::string text;
    for (const std::string& page : pages)
        text += page;
    for (const char* german : {"Steuerungsprogramm",
                               "Antrieb FCD-300, AOC 02.10, Datenbank 02.40",
                               "PROJEKT",
                               "BEARBEITER",
                               "DATUM",
                               "Programmablauf",
                               "Modus On, Startereignis Running",
                               "Paar 254",
                               "Wenn",
                               "Dann",
                               "Programmende",
                               "Paare: 255 von 255 Paar Ereignis Aktion",
                               "Vergleicher Vergleicher Bedingung Grenzen",
                               "Motor speed Greater than 1200,000",
                               "-100000 bis 100000",
                               "Logikregeln Logikregel Formel",
                               "(Logic rule 0 ODER Comparator 2) UND NICHT Timeout 2",
                               "Timer Timer Zeit Grenzen",
                               "12,50 s",
                               "Steuerungseinstellungen Einstellung Wert Modus On"})
        EXPECT_NE(text.find(german), std::string::npos) << german;
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
    EXPECT_THAT(overLink({"--diff", changed}).out, EndsWith("Timer 1: 9.00 s -> 12.50 s\n"))
        << "in the order typed";
    ASSERT_EQ(host({"--export", program, changed}).status, 0);
    EXPECT_EQ(overLink({"--import", program}).status, 0);
    EXPECT_EQ(overLink({"--diff", changed}).status, 0);
    EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1303, 1), "9.00");
    ASSERT_EQ(overLink({"--export", scratch.file("linked.json")}).status, 0);
    EXPECT_EQ(host({"--diff", scratch.file("linked.json"), changed}).status, 0);
}

// What --diff, --print and --dry-run print, and how a link whose drive has
// another database than its profile is refused: each command with what it must
// print (`out`: the whole output or, with `part`, a part of it or of stderr) and
// what it must not.
TEST(WorkflowCommandTest, ComparesValuesNamesTheSidesAndEscapesTexts)
{
    const testsupport::ScratchFolder scratch;
    const std::string sample = hosttest::copyOfSample(scratch, "fcd300_sample.json", "a.json");
    // The same timers kept with three decimals: "12.500 s" where the sample shows "12.50 s".
    const std::string finer = hosttest::copyOfSample(scratch, "fcd300_sample.json", "finer.json",
                                                     "\"decimals\": 2,", "\"decimals\": 3,");
    const std::string compact = hosttest::copyOfSample(scratch, "fcd50m_sample.json", "m.json");
    // A choice text that would make lines of its own, on a drive that uses it
    // (forged.json, Pair 3) and on one that also has it in Pair 0 (both.json).
    const auto forge = [&](const std::string& name, const std::string& from) {
        std::string text = hosttest::fileBytes(from);
        const std::string plain = "\"25:Set relay 1 high\"";
        text.replace(text.find(plain), plain.size(), "\"25:Set relay 1 high\\nPair 9\\u001b[2J\"");
        scratch.writeText(name, text);
        return scratch.file(name);
    };
    const std::string other = workflowtest::sampleWith(scratch, {{1302, {{0, "25"}}}},
                                                       "fcd300_sample.json", "other.json");
    const std::string forged = forge("forged.json", sample), both = forge("both.json", other);
    const std::string program = scratch.file("other.nebpt.json");
    ASSERT_EQ(host({"--export", program, other}).status, 0);
    const std::string target = hosttest::copyOfSample(scratch, "fcd300_sample.json", "target.json");
    EXPECT_EQ(host({"--import", finer, target}).out, "0 elements written\n") << "as --diff says";
    // A drive of database 03.00, which keeps the program in parameters 2300 and on,
    // behind a profile of database 02.40.
    const std::string newer =
        hosttest::copyOfSample(scratch, "fcd300_sample.json", "newer.json",
                               "\"databaseVersion\": \"02.40\"", "\"databaseVersion\": \"03.00\"");
    linktest::DriveSimulator sim(sample), newerSim(newer);
    const std::string profile = hosttest::sampleImage("fcd300_sample.json");
    const std::string side = ": drive FCD-300, AOC 02.10, database 02.40\n";
    const std::string escaped = "Set relay 1 high\\nPair 9\\x1b[2J";

    struct Case
    {
        std::vector<std::string> command;
        int status;
        std::string out; // the whole output, or with `part` a part of stdout or stderr
        bool part = false;
    };
    const std::vector<Case> cases{
        {{"--diff", sample, finer},
         0,
         "From " + sample + side + "To " + finer + side + "No differences\n"},
        {{"--diff", finer, "--connect", sim.address(), "--profile", profile},
         0,
         "From " + finer + side + "To " + sim.address() + side + "No differences\n"},
        {{"--connect", sim.address(), "--profile", profile, "--diff", finer},
         0,
         "From " + sim.address() + side + "To " + finer + side + "No differences\n"},
        {{"--diff", sample, compact},
         4,
         "Two drive types: FCD-300 and FCD-50M\nFrom " + sample,
         true},
        {{"--print", forged}, 0, "  Pair 3: Logic rule 1 -> " + escaped + "\n", true},
        {{"--diff", sample, both},
         4,
         "Pair 0: action \"Start timer 0\" -> \"" + escaped + "\"\n",
         true},
        {{"--import", program, "--dry-run", forged},
         0,
         "Pair 0: action \"Start timer 0\" -> \"" + escaped + "\" (1302.0)\n",
         true},
        {{"--diff", sample, "--connect", newerSim.address(), "--profile", profile},
         1,
         newerSim.address() + ": the drive has database 03.00, the profile " + profile +
             " is for database 02.40, which keeps the program in other parameters\n"},
        {{"--print", "--connect", newerSim.address(), "--profile", profile},
         1,
         "the drive has database 03.00, the profile",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.front() + " " + c.command.back());
        const hosttest::Run run = host(c.command);
        EXPECT_EQ(run.status, c.status) << run.errors;
        const std::string& told = c.status == 1 ? run.errors : run.out;
        if (c.part)
            EXPECT_THAT(told, HasSubstr(c.out));
        else
            EXPECT_EQ(told, c.out);
        EXPECT_THAT(run.out + run.errors, Not(HasSubstr("\nPair 9")))
            << "no line of the drive's making";
        EXPECT_THAT(run.errors, Not(HasSubstr("no parameter 2300")));
    }
}
