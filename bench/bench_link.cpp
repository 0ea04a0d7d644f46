// The editor's model over the Modbus link to nebpt-drive-sim, which waits 5 ms
// before every answer as a drive on a slow line does: opening the program, a
// refresh, and one user command (another event for a pair, written, read back
// and shown). The drive configuration is a large one made here: the shipped
// drives_conf.xml with many more drive entries before its own (at least 3 MB
// of XML), gzipped beside links to the language libraries, where the library
// looks for it.
//
// Prints `configuration <size> MB`; `configuration loads <n>`, how often the
// process parsed a configuration while the window connected to the drive the
// first time (HostWindow::connectDrive: the support question, the document's
// program workflow, the editor); `max stall <ms> ms`, the longest time the
// window's event loop did not run while the window connected and opened the
// program kOpens times (offscreen platform, a 1 ms timer on the GUI thread
// noting the gaps between its ticks); for each step the plug-in's host calls,
// the Modbus requests they took and the wall time; the last line is
// `ratio <requests per command / host calls per command>`.

#include "HostWindow.h"
#include "ModbusDrive.h"
#include "support/InterceptedDrive.h"

#include "BenchSimulator.h"
#include "EventDispacher.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CSettingsManager.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "framework/MessageBox.h"
#include "framework/SystemPaths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLatencyMs = 5;
constexpr int kRepeats = 5;
constexpr int kOpens = 5;
// The configuration made here holds at least this much XML.
constexpr size_t kConfigurationBytes = 3 * 1000 * 1000;

// The shipped configuration with copies of its drive entries, renamed so that
// none is chosen, before its own, until it holds `bytes` of XML.
std::string largeConfiguration(size_t bytes)
{
    std::ifstream in(NEBPT_DATA_DIR "/drives_conf.xml");
    const std::string shipped{std::istreambuf_iterator<char>(in), {}};
    const size_t first = shipped.find("<drive ");
    const size_t end = shipped.rfind("</drive>");
    if (first == std::string::npos || end == std::string::npos)
        throw std::runtime_error("drives_conf.xml holds no drive entry");
    const std::string entries = shipped.substr(first, end + 8 - first);
    std::string copies;
    for (int n = 0; shipped.size() + copies.size() < bytes; ++n) {
        std::string copy = entries;
        for (size_t at = copy.find("<drive name=\""); at != std::string::npos;
             at = copy.find("<drive name=\"", at + 1))
            copy.insert(at + 13, "COPY" + std::to_string(n) + "-");
        copies += copy + "\n  ";
    }
    return shipped.substr(0, first) + copies + shipped.substr(first);
}

// Writes the configuration gzipped as drives_conf.neb into `folder`, with the
// language libraries beside it, and makes the library look there.
void useConfiguration(const std::filesystem::path& folder, const std::string& xml)
{
    const std::string file = (folder / "drives_conf.neb").string();
    gzFile out = gzopen(file.c_str(), "wb6");
    if (!out || gzwrite(out, xml.data(), static_cast<unsigned>(xml.size())) <= 0 ||
        gzclose(out) != Z_OK)
        throw std::runtime_error("cannot write " + file);
    const std::filesystem::path here = fw::executableDirectory();
    for (const char* library : {"NEBPT_english.so", "NEBPT_german.so"})
        std::filesystem::create_symlink(here / library, folder / library);
    fw::overrideExecutableDirectory(folder.string());
}

// How often the process has parsed a configuration: the benchmark's own copy
// of the model and the library's (the window's editor) each count theirs.
size_t configurationParses()
{
    size_t parses = NEBPT::configurationParses();
    using Count = size_t (*)();
    if (void* library = dlopen("libNEBPT.so", RTLD_LAZY | RTLD_NOLOAD)) {
        const auto count =
            reinterpret_cast<Count>(dlsym(library, "_ZN5NEBPT19configurationParsesEv"));
        if (count && count != &NEBPT::configurationParses)
            parses += count();
        dlclose(library);
    }
    return parses;
}

struct Step
{
    double calls = 0, requests = 0, milliseconds = 0; // per run
};

// Runs `step` `repeats` times and prints the host calls that reached `calls`,
// the requests `drive` sent and the time, per run.
Step measure(const char* name, int repeats, testsupport::InterceptedDrive& calls,
             ModbusDrive& drive, const std::function<void()>& step)
{
    calls.resetCalls();
    drive.resetCounts();
    const auto start = Clock::now();
    for (int i = 0; i < repeats; ++i)
        step();
    const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    Step result{static_cast<double>(calls.callCount()) / repeats,
                static_cast<double>(drive.requestCount()) / repeats, wall / repeats};
    std::printf("%-8s host calls %5.1f   requests %5.1f (read %.1f, write %.1f)   %8.1f ms   "
                "(per run, %d runs)\n",
                name, result.calls, result.requests,
                static_cast<double>(drive.requestCount(ModbusDrive::Request::Read)) / repeats,
                static_cast<double>(drive.requestCount(ModbusDrive::Request::Write)) / repeats,
                result.milliseconds, repeats);
    return result;
}

CNEB_EAPair& pairAt(NEBPT::CNEB_Program& program, size_t position)
{
    auto it = program.getPairs().begin();
    std::advance(it, position);
    return **it;
}

// Runs the event loop until `job` has ended; whether it succeeded.
bool finished(DriveJob* job)
{
    if (!job)
        return false;
    bool succeeded = false;
    QEventLoop loop;
    QObject::connect(job, &DriveJob::finished, [&](bool done) {
        succeeded = done;
        loop.quit();
    });
    loop.exec();
    return succeeded;
}

// Runs the event loop for `milliseconds`.
void runEvents(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

struct WindowFigures
{
    size_t loads = 0;   // configuration parses while the window connected first
    double stallMs = 0; // the longest gap of the window's event loop
};

// The window connects to the drive and shows its program `opens` times (each a
// new connection), with what follows until it is idle again: the parses of the
// first connection, and the longest gap in milliseconds between the ticks of a
// 1 ms timer on the GUI thread meanwhile.
WindowFigures connectWindow(const std::string& address, const std::string& profile)
{
    std::string told;
    const auto previous =
        fw::setMessageBoxHandler([&told](const std::string& text, const std::string&, unsigned) {
            if (told.empty())
                told = text;
            return fw::IDNO;
        });
    HostWindow window;
    window.show();
    QElapsedTimer clock;
    qint64 lastTick = -1, longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0)
            longest = std::max(longest, now - lastTick);
        lastTick = now;
    });
    clock.start();
    tick.start();
    runEvents(50); // the window shown and idle
    longest = 0;
    WindowFigures figures;
    for (int i = 0; i < kOpens; ++i) {
        const size_t parsesBefore = configurationParses();
        const bool opened = finished(
            window.connectDrive(QString::fromStdString(address), QString::fromStdString(profile)));
        if (i == 0)
            figures.loads = configurationParses() - parsesBefore;
        runEvents(50);
        if (!opened || !told.empty()) {
            fw::setMessageBoxHandler(previous);
            throw std::runtime_error("the window did not open the program: " + told);
        }
    }
    fw::setMessageBoxHandler(previous);
    figures.stallMs = static_cast<double>(longest) / 1e6;
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    const std::filesystem::path folder =
        std::filesystem::path(fw::tempFolder()) / ("nebpt-bench-link-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string image = (folder / "fcd300_sample.json").string();
    const std::string profile = std::string(NEBPT_DATA_DIR) + "/fcd300_sample.json";
    std::filesystem::copy_file(profile, image, std::filesystem::copy_options::overwrite_existing);

    int status = 0;
    try {
        const std::string configuration = largeConfiguration(kConfigurationBytes);
        useConfiguration(folder, configuration);
        bench::Simulator simulator(image, kLatencyMs);
        // First: nothing in the process has parsed the configuration yet.
        const WindowFigures window = connectWindow(simulator.address(), profile);
        ModbusDrive drive(simulator.address(), profile);
        testsupport::InterceptedDrive calls(drive); // the plug-in's way to the drive
        std::printf("drive answers after %d ms\n", kLatencyMs);
        std::printf("configuration %.1f MB (%zu bytes of XML)\n",
                    static_cast<double>(configuration.size()) / 1e6, configuration.size());
        std::printf("configuration loads %zu (the window's first connect; goal 1)\n", window.loads);

        std::unique_ptr<CEventDispacher> dispatcher;
        NEBPT::CNEB_Program program;
        measure("open", 1, calls, drive, [&] {
            dispatcher = std::make_unique<CEventDispacher>(&calls);
            dispatcher->init();
            program = dispatcher->getSettingsManager().getProgram();
            for (const auto& pair : program.getPairs()) {
                program.lookupChoicelistItemObject(pair->getEvent().getItem());
                program.lookupChoicelistItemObject(pair->getAction().getItem());
            }
        });

        measure("refresh", kRepeats, calls, drive, [&] {
            drive.forgetValues();
            program.reload();
        });

        // One user command: another event for pair 1, written and re-read.
        unsigned long choice = 23;
        const Step command = measure("command", kRepeats, calls, drive, [&] {
            CNEB_Event& event = pairAt(program, 1).getEvent();
            event.setItem(event.getChoicelist().findItem(choice));
            choice = choice == 23 ? 24 : 23;
            dispatcher->modifyEvent(program);
            program.reload();
        });

        std::printf("edit round trip %.1f ms (goal < 100 ms)\n", command.milliseconds);
        std::printf("max stall %.1f ms (the window's event loop while it connected and opened the "
                    "program %d times; goal <= 50 ms)\n",
                    window.stallMs, kOpens);
        std::printf("ratio %.3f\n", command.requests / command.calls);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_link: %s\n", error.what());
        status = 1;
    } catch (...) {
        std::fprintf(stderr, "bench_link: the plug-in failed (see its log file)\n");
        status = 1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
