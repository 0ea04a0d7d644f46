#include "HostTestSupport.h"
#include "LinkTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <QXmlStreamReader>

#include <set>
#include <sstream>

// nebpt-host --simulate run as a user runs it: the sample programs through their
// scenarios (data/*.scenario.json), on an image and over a link, and the exit
// statuses of a scenario that holds, one that fails and one that cannot be used;
// a trace cut by --trace-limit.

using hosttest::run;
using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace {

const std::string kHost = NEBPT_HOST_EXECUTABLE;

std::string scenarioOf(const std::string& sample)
{
    return hosttest::sampleImage(sample.substr(0, sample.find('.')) + ".scenario.json");
}

TEST(SimulateCommandTest, TheSampleProgramsPassTheirScenarios)
{
    const testsupport::ScratchFolder scratch;
    const std::vector<std::pair<std::string, std::vector<std::string>>> samples{
        {"fcd300_sample.json",
         {"   0.500 s  start at step 0  Running\n",
          "   6.000 s  step 1 -> 2  Timeout 0 -> Select preset reference 1\n",
          "   8.000 s  step 3 -> 4  Logic rule 1 -> Set relay 1 high\n",
          "  24.000 s  stop at step 0  Alarm (trip)\n", "12 of 12 expectations hold\n"}},
        {"fcd50m_sample.json",
         {"   2.500 s  step 1 -> 2  Timeout 0 -> Start\n", "  10.001 s  Warning = false\n",
          "9 of 9 expectations hold\n"}},
    };
    for (const auto& [sample, lines] : samples) {
        SCOPED_TRACE(sample);
        const std::string image = hosttest::copyOfSample(scratch, sample);
        const std::string before = hosttest::fileBytes(image);
        const hosttest::Run simulated =
            run({kHost, "--simulate", image, "--scenario", scenarioOf(sample)});
        EXPECT_EQ(simulated.status, 0) << simulated.errors;
        EXPECT_EQ(simulated.errors, "");
        for (const std::string& line : lines)
            EXPECT_THAT(simulated.out, HasSubstr(line));
        EXPECT_THAT(simulated.out, EndsWith(lines.back()));
        EXPECT_EQ(hosttest::fileBytes(image), before) << "only read";
    }

    // The program read from a drive over a link runs the same.
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json", "drive.json");
    linktest::DriveSimulator sim(image);
    const hosttest::Run linked = run({kHost, "--simulate", "--connect", sim.address(), "--profile",
                                      hosttest::sampleImage("fcd300_sample.json"), "--scenario",
                                      scenarioOf("fcd300_sample.json")});
    EXPECT_EQ(linked.status, 0) << linked.errors;
    EXPECT_EQ(
        linked.out,
        run({kHost, "--simulate", image, "--scenario", scenarioOf("fcd300_sample.json")}).out);
}

TEST(SimulateCommandTest, ExitStatusTellsWhetherEveryExpectationHolds)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::sampleImage("fcd50m_sample.json");
    struct Case
    {
        std::string scenario;
        int status;
        std::string error; // the first line on stderr holds it
    };
    const std::vector<Case> cases{
        {R"({"until": 3, "set": [{"at": 1, "input": "Digital input 19", "value": true}],
             "expect": [{"at": 2.5, "action": "Start"}, {"at": 1, "running": true}]})",
         0, ""},
        {R"({"until": 5, "expect": [{"at": 1, "step": 3}, {"at": 2, "action": "Start"},
             {"from": 0, "to": 5, "noAction": "Start timer 0"}]})",
         1,
         "expect[0] at 1.000 s: step 3 expected, step 0 active\n"
         "expect[1]: \"Start\" expected at 2.000 s, not performed then\n"},
        {R"({"until": 5, "set": [{"at": 1, "input": "Digital input 19", "value": true}],
             "expect": [{"from": 0, "to": 5, "noAction": "Start timer 0"}]})",
         1,
         "expect[0]: \"Start timer 0\" performed at 1.000 s, expected not from 0.000 s to "
         "5.000 s\n"},
        // A state expected within a tolerance (a recording's poll period) holds in some
        // scan of the window around its time.
        {R"({"until": 3, "set": [{"at": 1, "input": "Digital input 19", "value": true}],
             "expect": [{"at": 0.9, "step": 1, "within": 0.1},
                        {"at": 2.6, "step": 1, "within": 0.101}]})",
         0, ""},
        {R"({"until": 3, "set": [{"at": 1, "input": "Digital input 19", "value": true}],
             "expect": [{"at": 0.8, "step": 1, "within": 0.1},
                        {"at": 2.6, "step": 1, "within": 0.1},
                        {"at": 2, "running": false, "within": 0.5}]})",
         1,
         "expect[0] at 0.800 s (within 0.100 s): step 1 expected, not so then\n"
         "expect[1] at 2.600 s (within 0.100 s): step 1 expected, not so then\n"
         "expect[2] at 2.000 s (within 0.500 s): not running expected, not so then\n"},
        {R"({"until": 5, "set": [{"at": 1, "input": "Motor sped", "value": 3}]})", 2,
         "set[0]: no input \"Motor sped\" in the program's choice lists"},
        {R"({"until": 5, "expect": [{"at": 1, "action": "Launch"}]})", 2,
         "expect[0]: no action \"Launch\" in the program's choice list"},
        {R"({"until": 5, "expect": [{"at": 1, "step": 4}]})", 2,
         "expect[0]: step 4: the program has 4 steps"},
        {R"({"until": 5, "expect": [{"at": 1, "stpe": 3}]})", 2, "expect[0]: unknown key \"stpe\""},
        {R"({"until": 5, "expect": [{"at": 1}]})", 2,
         "expect[0]: needs one of \"step\", \"running\", \"action\", \"noAction\""},
        {R"({"until": 5, "expect": [{"at": 1, "step": 1, "running": true}]})", 2,
         "expect[0]: needs one of \"step\", \"running\", \"action\", \"noAction\""},
        {R"({"until": 5, "expect": [{"at": 1, "from": 0, "to": 5, "noAction": "Start timer 0"}]})",
         2, "expect[0]: unknown key \"at\""},
        {R"({"until": 5, "expect": [{"at": 6, "running": true}]})", 2,
         "expect[0]: \"at\" needs a time in seconds from 0 to 5.000 s"},
        // Times too large for whole milliseconds are refused, not wrapped to another time.
        {R"({"until": 1e19})", 2, "\"until\" needs a time in seconds from 0 to 86400.000 s"},
        {R"({"until": 5, "set": [{"at": 1e300, "input": "Warning", "value": true}]})", 2,
         "set[0]: \"at\" needs a time in seconds from 0 to 5.000 s"},
        {R"({"until": 5, "expect": [{"at": 1, "action": "Start", "within": 9.3e15}]})", 2,
         "expect[0]: \"within\" needs a time in seconds from 0 to 5.000 s"},
        {R"({"until": 5, "set": [{"at": 1, "input": "Warning"}]})", 2,
         "set[0]: \"value\" needs true, false or a number"},
        {R"({"set": []})", 2, "\"until\" is missing"},
        {"{", 2, "no JSON"},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.scenario);
        const std::string file = "s" + std::to_string(i) + ".json";
        scratch.writeText(file, c.scenario);
        const hosttest::Run simulated =
            run({kHost, "--simulate", image, "--scenario", scratch.file(file)});
        EXPECT_EQ(simulated.status, c.status) << simulated.errors;
        if (c.status != 2) {
            EXPECT_EQ(simulated.errors, c.error);
            continue;
        }
        EXPECT_THAT(simulated.errors, MatchesRegex("[^\n]+\n")) << "one line";
        EXPECT_THAT(simulated.errors,
                    AllOf(HasSubstr(scratch.file(file) + ": "), HasSubstr(c.error)));
        EXPECT_EQ(simulated.out, "") << "refused before it runs";
    }

    // --trace-limit N: the first N lines of the trace, then how many were left
    // out; the result and the exit status stay (a passing and a failing run).
    for (const auto& [file, limit] :
         {std::pair<std::string, size_t>{"s0.json", 1}, {"s1.json", 0}}) {
        SCOPED_TRACE(file);
        const hosttest::Run whole =
            run({kHost, "--simulate", image, "--scenario", scratch.file(file)});
        const hosttest::Run cut = run({kHost, "--simulate", image, "--scenario", scratch.file(file),
                                       "--trace-limit", std::to_string(limit)});
        std::vector<std::string> lines;
        std::istringstream in(whole.out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line + "\n");
        ASSERT_GT(lines.size(), limit + 1);
        std::string expected;
        for (size_t i = 0; i < limit; ++i)
            expected += lines[i];
        const size_t left = lines.size() - 1 - limit;
        expected += "... " + std::to_string(left) + (left == 1 ? " more line" : " more lines") +
                    " of the trace left out (the trace is cut after " + std::to_string(limit) +
                    " lines)\n" + lines.back();
        EXPECT_EQ(cut.out, expected);
        EXPECT_EQ(cut.status, whole.status);
        EXPECT_EQ(cut.errors, whole.errors);
    }

    // A wrong command line gets the usage; a program that cannot be read fails.
    const std::string scenario = scratch.file("s0.json");
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{kHost, "--simulate", image},
          std::vector<std::string>{kHost, "--scenario", scenario, image},
          std::vector<std::string>{kHost, "--simulate", "--scenario", scenario},
          std::vector<std::string>{kHost, "--simulate", image, "--scenario", scenario,
                                   "--trace-limit", "-1"},
          std::vector<std::string>{kHost, "--print", image, "--trace-limit", "5"},
          std::vector<std::string>{kHost, "--print", image, "--coverage"},
          std::vector<std::string>{kHost, "--simulate", image, "--scenario", scenario, "--plot",
                                   scratch.file("run.jpg")},
          std::vector<std::string>{kHost, "--simulate", image, "--scenario", scenario, "--plot",
                                   scratch.file("run.svg"), "--plot", scratch.file("b.svg")}}) {
        const hosttest::Run refused = run(command);
        EXPECT_EQ(refused.status, 2);
        EXPECT_THAT(refused.errors, HasSubstr("Usage: "));
    }
    const std::string other =
        hosttest::copyOfSample(scratch, "fcd50m_sample.json", {}, "\"FCD-50M\"", "\"FCD-999\"");
    const hosttest::Run failed = run({kHost, "--simulate", other, "--scenario", scenario});
    EXPECT_EQ(failed.status, 1);
    EXPECT_THAT(failed.errors, MatchesRegex("[^\n]+\n"));
}

// The texts of an SVG picture, as a program reading it finds them.
std::set<std::string> svgTexts(const std::string& path)
{
    QXmlStreamReader svg(QByteArray::fromStdString(hosttest::fileBytes(path)));
    std::set<std::string> texts;
    while (!svg.atEnd()) {
        if (svg.readNext() == QXmlStreamReader::StartElement && svg.name() == u"text")
            texts.insert(svg.readElementText().toStdString());
    }
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
    return texts;
}

// --plot: the run as a timing diagram in each format, every lane named, a failed
// expectation in red and listed; the picture is written when an expectation
// fails too, and never over an input.
TEST(SimulateCommandTest, APlotShowsEveryLaneInEachFormat)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::sampleImage("fcd300_sample.json");
    const std::string scenario = scenarioOf("fcd300_sample.json");
    const std::vector<std::string> lanes{"Motor speed",
                                         "Motor current",
                                         "DC link voltage",
                                         "Running",
                                         "Alarm (trip)",
                                         "Digital input 18",
                                         "Digital input 19",
                                         "Step",
                                         "Timer 0",
                                         "Timer 1",
                                         "Timer 2",
                                         "Actions",
                                         "Select preset reference 1",
                                         "Set relay 1 high"};

    const hosttest::Run svg = run(
        {kHost, "--simulate", image, "--scenario", scenario, "--plot", scratch.file("run.svg")});
    EXPECT_EQ(svg.status, 0) << svg.errors;
    const std::set<std::string> texts = svgTexts(scratch.file("run.svg"));
    for (const std::string& lane : lanes)
        EXPECT_EQ(texts.count(lane), 1u) << lane;

    const hosttest::Run png = run(
        {kHost, "--simulate", image, "--scenario", scenario, "--plot", scratch.file("run.png")});
    EXPECT_EQ(png.status, 0) << png.errors;
    const QImage picture(QString::fromStdString(scratch.file("run.png")));
    EXPECT_EQ(picture.width(), 2000);
    EXPECT_GT(picture.height(), 400);
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 3) {
        for (int x = 0; x < picture.width(); x += 3)
            colours.insert(picture.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 8u) << "not blank";

    // On A4 landscape, one page a scenario, read back as text.
    const hosttest::Run pdf = run({kHost, "--simulate", image, "--scenario", scenario, "--scenario",
                                   scenario, "--plot", scratch.file("run.pdf")});
    EXPECT_EQ(pdf.status, 0) << pdf.errors;
    const hosttest::Run text = run({"pdftotext", scratch.file("run.pdf"), "-"});
    ASSERT_EQ(text.status, 0) << text.errors;
    const std::string& pages = text.out;
    EXPECT_EQ(std::count(pages.begin(), pages.end(), '\f'), 2);
    for (const std::string& lane : lanes)
        EXPECT_THAT(pages, HasSubstr(lane));

    // A failed expectation: a red line at its time, its reason under the chart.
    scratch.writeText("fails.json", R"({"until": 10, "expect": [{"at": 4, "step": 3}]})");
    const hosttest::Run failed = run({kHost, "--simulate", image, "--scenario",
                                      scratch.file("fails.json"), "--plot", scratch.file("f.svg")});
    EXPECT_EQ(failed.status, 1);
    const std::string drawn = hosttest::fileBytes(scratch.file("f.svg"));
    EXPECT_THAT(drawn, HasSubstr("stroke=\"#d01010\""));
    EXPECT_EQ(svgTexts(scratch.file("f.svg"))
                  .count("1  expect[0] at 4.000 s: step 3 expected, no step (not running) active"),
              1u);

    // A scenario whose name ends as a picture's is still read only.
    scratch.writeText("scenario.svg", hosttest::fileBytes(scratch.file("fails.json")));
    const hosttest::Run over =
        run({kHost, "--simulate", image, "--scenario", scratch.file("scenario.svg"), "--plot",
             scratch.file("scenario.svg")});
    EXPECT_EQ(over.status, 2);
    EXPECT_THAT(over.errors, HasSubstr("--plot: "));
    EXPECT_EQ(hosttest::fileBytes(scratch.file("scenario.svg")),
              hosttest::fileBytes(scratch.file("fails.json")));
}

// --coverage: what the scenarios reached, added up over several; it changes no
// exit status.
TEST(SimulateCommandTest, CoverageAddsUpOverScenarios)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::sampleImage("fcd300_sample.json");
    scratch.writeText("short.json", R"({"until": 2,
        "set": [{"at": 0.5, "input": "Running", "value": true},
                {"at": 1, "input": "Digital input 18", "value": true}],
        "expect": [{"at": 2, "step": 3}]})");
    struct Case
    {
        std::vector<std::string> scenarios;
        int status;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases{
        {{scratch.file("short.json")},
         1,
         {"pairs reached                      2 of 6\n",
          "  pair 2: Comparator 0 -> Start timer 1  never reached\n",
          "timers that ran out                0 of 3\n"}},
        {{scenarioOf("fcd300_sample.json")},
         0,
         {"pairs reached                      6 of 6\n", "  comparator 1  never false\n",
          "comparators true and false         2 of 3\n",
          "logic rules true and false         2 of 2\n",
          "timers that ran out                3 of 3\n"}},
        {{scratch.file("short.json"), scenarioOf("fcd300_sample.json")},
         1,
         {"Coverage of 2 scenarios:\n", "pairs reached                      6 of 6\n",
          "timers that ran out                3 of 3\n"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> command{kHost, "--simulate", image, "--coverage"};
        for (const std::string& scenario : c.scenarios)
            command.insert(command.end(), {"--scenario", scenario});
        SCOPED_TRACE(command.back());
        const hosttest::Run covered = run(command);
        EXPECT_EQ(covered.status, c.status) << covered.errors;
        for (const std::string& line : c.lines)
            EXPECT_THAT(covered.out, HasSubstr(line));
        command.erase(command.begin() + 3);
        EXPECT_EQ(run(command).status, c.status) << "without --coverage";
    }
}

} // namespace
