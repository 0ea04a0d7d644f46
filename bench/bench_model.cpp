// Opening, reloading and editing the sample program through the simulated drive,
// with every host call counted as taking 20 ms, as a drive on a slow link would
// (counted, not slept: the plug-in's own time is the wall time). Prints the host
// calls each step makes and the plug-in's own time beside the host time; the
// last line is `ratio <own time / host time>` over all steps.

#include "SimulatedDrive.h"
#include "support/InterceptedDrive.h"

#include "EventDispacher.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CSettingsManager.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "framework/SystemPaths.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kCallDelay(20);
constexpr int kRepeats = 3;

struct Totals
{
    double ownSeconds = 0;
    double hostSeconds = 0;
};

double seconds(std::chrono::nanoseconds duration)
{
    return std::chrono::duration<double>(duration).count();
}

// Runs `step` `repeats` times and prints calls and times per run.
void measure(const char* name, int repeats, testsupport::InterceptedDrive& drive, Totals& totals,
             const std::function<void()>& step)
{
    drive.resetCalls();
    const auto start = Clock::now();
    for (int i = 0; i < repeats; ++i)
        step();
    const auto wall = Clock::now() - start;
    const double host = seconds(drive.simulatedDelay());
    const double own = seconds(wall);
    totals.ownSeconds += own;
    totals.hostSeconds += host;
    std::printf("%-8s calls %4zu   host %8.3f ms   own %8.3f ms   (per run, %d runs)\n", name,
                drive.callCount() / repeats, host * 1000 / repeats, own * 1000 / repeats, repeats);
}

CNEB_EAPair& pairAt(NEBPT::CNEB_Program& program, size_t position)
{
    auto it = program.getPairs().begin();
    std::advance(it, position);
    return **it;
}

} // namespace

int main()
{
    const std::filesystem::path folder =
        std::filesystem::path(fw::tempFolder()) / ("nebpt-bench-model-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string image = (folder / "fcd300_sample.json").string();
    std::filesystem::copy_file(std::string(NEBPT_DATA_DIR) + "/fcd300_sample.json", image,
                               std::filesystem::copy_options::overwrite_existing);

    int status = 0;
    try {
        SimulatedDrive simulated(image);
        testsupport::InterceptedDrive drive(simulated);
        drive.setCallDelay(kCallDelay);
        std::printf("simulated host call: %lld ms\n", static_cast<long long>(kCallDelay.count()));
        Totals totals;

        // Open: the dispatcher over the host, its initialisation, the program, and
        // the texts of every event and action as the flow view shows them.
        std::unique_ptr<CEventDispacher> dispatcher;
        NEBPT::CNEB_Program program;
        measure("open", 1, drive, totals, [&] {
            dispatcher = std::make_unique<CEventDispacher>(&drive);
            dispatcher->init();
            program = dispatcher->getSettingsManager().getProgram();
            for (const auto& pair : program.getPairs()) {
                program.lookupChoicelistItemObject(pair->getEvent().getItem());
                program.lookupChoicelistItemObject(pair->getAction().getItem());
            }
        });

        measure("reload", kRepeats, drive, totals, [&] { program.reload(); });

        // One user command: another event for pair 1, written and re-read.
        unsigned long choice = 23;
        measure("command", kRepeats, drive, totals, [&] {
            CNEB_Event& event = pairAt(program, 1).getEvent();
            event.setItem(event.getChoicelist().findItem(choice));
            choice = choice == 23 ? 24 : 23;
            dispatcher->modifyEvent(program);
            program.reload();
        });

        std::printf("own %.3f ms, host %.3f ms in all\n", totals.ownSeconds * 1000,
                    totals.hostSeconds * 1000);
        std::printf("ratio %.6f\n", totals.ownSeconds / totals.hostSeconds);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_model: %s\n", error.what());
        status = 1;
    } catch (...) {
        std::fprintf(stderr, "bench_model: the plug-in failed (see its log file)\n");
        status = 1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
