// The scenario reader with the run behind it: what nebpt-host --simulate does
// with the input as the scenario file, on the FCD-300 sample's program. A
// scenario refused is one line naming the file; one read has every time within
// its range and its settings in time order; one short enough is run, with a
// trace cut after a few lines, to an exit status of 0, 1 or 2.
#include "FuzzSupport.h"

#include "HostCommands.h"
#include "SimulatedDrive.h"

#include <algorithm>
#include <sstream>

using fuzzsupport::check;

namespace {

// Runs of longer scenarios take too long for a fuzz input; they are only read.
constexpr long long kLongestRunMs = 30000;
constexpr std::size_t kTraceLines = 20;
const char* const kSample = NEBPT_DATA_DIR "/fcd300_sample.json";

void checkOneLine(const std::string& errors, const std::string& file, const std::string& what)
{
    check(std::count(errors.begin(), errors.end(), '\n') == 1 && errors.back() == '\n',
          what + ": one line on errors: " + errors);
    check(errors.rfind(file + ": ", 0) == 0, what + ": the line names the file: " + errors);
}

void checkTimes(const scenario::Scenario& planned)
{
    using Kind = scenario::Expectation::Kind;
    check(planned.untilMs > 0 && planned.untilMs <= scenario::Scenario::kLongestMs,
          "\"until\" within a day");
    const auto within = [&planned](long long ms) { return ms >= 0 && ms <= planned.untilMs; };
    for (size_t i = 0; i < planned.settings.size(); ++i) {
        check(within(planned.settings[i].atMs), "a setting within the run");
        check(i == 0 || planned.settings[i - 1].atMs <= planned.settings[i].atMs,
              "settings in time order");
    }
    for (const scenario::Expectation& e : planned.expectations) {
        if (e.kind == Kind::NoAction)
            check(within(e.fromMs) && within(e.toMs) && e.fromMs <= e.toMs, "a span in the run");
        else
            check(within(e.atMs) && within(e.withinMs), "a time and tolerance within the run");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SimulatedDrive drive(kSample, SimulatedDrive::Access::Read);
    fuzzsupport::Sandbox& sandbox = fuzzsupport::sandbox();
    const std::string input = fuzzsupport::text(data, size);
    sandbox.folder.writeText("scenario.json", input);
    const std::string file = sandbox.folder.file("scenario.json");

    scenario::Scenario planned;
    std::ostringstream refused;
    const int loaded = hostcommands::loadScenario(file, planned, refused);
    if (loaded != 0) {
        check(loaded == 2, "a scenario that cannot be used is a wrong command line");
        checkOneLine(refused.str(), file, "load");
    } else {
        check(refused.str().empty(), "no complaints about a scenario read");
        checkTimes(planned);
    }
    if (loaded == 0 && planned.untilMs <= kLongestRunMs) {
        std::ostringstream out, errors;
        hostcommands::Simulation simulation;
        simulation.scenarios.push_back(planned);
        simulation.traceLimit = kTraceLines;
        const int status = hostcommands::simulateProgram(drive, DriveName::ofImage(kSample),
                                                         simulation, out, errors);
        const std::string trace = out.str(), failed = errors.str();
        const auto lines = std::count(trace.begin(), trace.end(), '\n');
        if (status == 2) {
            checkOneLine(failed, file, "check");
            check(trace.empty(), "refused before it runs");
        } else {
            check(status == 0 || status == 1, "exit status 0, 1 or 2");
            check((status == 0) == failed.empty(), "exit status 1 with each failure told");
            check(lines >= 1 && static_cast<std::size_t>(lines) <= kTraceLines + 2,
                  "the trace cut after its limit, a note and the count");
            check(trace.find("expectation") != std::string::npos && trace.back() == '\n',
                  "the count of expectations that hold last");
        }
    }
    check(sandbox.folder.readText("scenario.json") == input, "the scenario is only read");
    sandbox.takeLog();
    sandbox.takeBoxes();
    return 0;
}
