// Rebuilding the flow view (CWorkFlow::reReadData: every element window
// destroyed and created anew) for programs of 20, 100, 255, 1,000 and 4,096
// pairs, on Qt's offscreen platform with the English language library. Beside
// each figure, the floor measured in the same run: destroying and creating as
// many plain empty child widgets as the rebuild creates element windows (two
// arrows and three windows per pair), shown and placed the same way. One line
// per size:
//   <n> pairs: <rebuild> ms rebuild, <floor> ms floor, ratio <rebuild / floor>
// before them, the memory an open flow of 255 and of 4,096 pairs adds to the
// process, and last how the rebuild grows from 255 to 4,096 pairs (linear: 16.1
// times). For a profiler: `bench_flow 20` rebuilds only 20 pairs, `bench_flow
// --open 4096` only opens a flow of 4,096 pairs.

#include "DLGManager.h"
#include "Dialogs/WorkFlow.h"
#include "EventDispacher.h"
#include "Settings_Manager/CNEB_Program.h"
#include "support/FakeHost.h"

#include "framework/Library.h"
#include "framework/MessageBox.h"
#include "framework/Resources.h"
#include "framework/SystemPaths.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr unsigned long kPairElements = 255;

// The sample drive image in the fake host, its EVENT and ACTION parameters grown
// to 255 elements (or to `pairs` elements for a larger program), with `pairs`
// steps that show every kind of object button.
testsupport::FakeHost sampleDriveWith(unsigned pairs)
{
    const unsigned long elements = std::max<unsigned long>(kPairElements, pairs);
    testsupport::FakeHost drive =
        testsupport::FakeHost::fromImage(NEBPT_DATA_DIR "/fcd300_sample.json");
    // Events: true, comparator 0, timeout 0, logic rule 0, digital input 18.
    // Actions: start, start timer 0, stop, select set-up 1, no action.
    const char* stepEvents[] = {"1", "22", "34", "28", "19"};
    const char* stepActions[] = {"16", "30", "18", "2", "1"};
    for (auto [number, step] : {std::pair{1301UL, stepEvents}, {1302UL, stepActions}}) {
        testsupport::FakeHost::Parameter& parameter = drive.parameter(number);
        parameter.elementCount = elements;
        parameter.values.assign(elements, "0");
        for (unsigned i = 0; i < pairs; ++i)
            parameter.values[i] = step[i % 5];
    }
    return drive;
}

// The plug-in's tree over one drive: dispatcher, command layer with the program.
struct Session
{
    explicit Session(unsigned pairs) : drive(sampleDriveWith(pairs)), dispatcher(&drive)
    {
        dispatcher.init();
        manager = std::make_unique<CDLGManager>(dispatcher);
        manager->init();
    }
    testsupport::FakeHost drive;
    CEventDispacher dispatcher;
    std::unique_ptr<CDLGManager> manager;
};

double residentMegabytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// The processor time of this thread, in milliseconds: what a step costs, without
// the time a virtual machine's host takes away from it now and then.
double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The median processor time of `runs` steps.
double millisecondsPerRun(int runs, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = cpuMilliseconds();
        step();
        times.push_back(cpuMilliseconds() - start);
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

// What the floor rebuilds: as many plain child widgets, destroyed and created
// anew, shown and placed like the element windows (pairs hold their boxes).
class PlainColumn
{
public:
    PlainColumn(QWidget& parent, unsigned pairs) : m_parent(parent), m_pairs(pairs) {}
    ~PlainColumn() { destroy(); }
    void rebuild()
    {
        destroy();
        int y = 0;
        m_widgets.push_back(place(new QWidget(&m_parent), 53, y, 56, 28));
        y += 28;
        for (unsigned i = 0; i < m_pairs; ++i) {
            QWidget* pair = place(new QWidget(&m_parent), 40, y, 400, 76);
            place(new QWidget(pair), 21, 10, 372, 28);
            place(new QWidget(pair), 50, 40, 343, 28);
            m_widgets.push_back(pair);
            y += 76;
        }
        m_widgets.push_back(place(new QWidget(&m_parent), 53, y, 56, 28));
        m_parent.resize(m_parent.width(), y + 56);
    }

private:
    static QWidget* place(QWidget* widget, int x, int y, int w, int h)
    {
        widget->show();
        widget->setGeometry(x, y, w, h);
        return widget;
    }
    void destroy()
    {
        for (QWidget* widget : m_widgets)
            delete widget;
        m_widgets.clear();
    }
    QWidget& m_parent;
    unsigned m_pairs;
    std::vector<QWidget*> m_widgets;
};

// What to run: every figure, or (for a profiler) the rebuilds of the sizes
// named and the open flows of those after --open.
struct Options
{
    std::vector<unsigned> open{unsigned(kPairElements), 4096};
    std::vector<unsigned> rebuild{20, 100, 255, 1000, 4096};
    bool chosen = false;

    static Options parse(int argc, char** argv)
    {
        Options options;
        if (argc < 2)
            return options;
        options = Options{{}, {}, true};
        for (int i = 1; i < argc; ++i) {
            const bool open = std::string(argv[i]) == "--open" && i + 1 < argc;
            const long pairs = std::strtol(argv[open ? ++i : i], nullptr, 10);
            if (pairs <= 0 || pairs > 4096)
                return Options{{}, {}, true};
            (open ? options.open : options.rebuild).push_back(unsigned(pairs));
        }
        return options;
    }
};

} // namespace

int main(int argc, char** argv)
{
    const Options options = Options::parse(argc, argv);
    if (options.rebuild.empty() && options.open.empty()) {
        std::fprintf(stderr, "usage: %s [PAIRS...] [--open PAIRS]...\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    fw::setMessageBoxHandler([](const std::string& text, const std::string&, unsigned) {
        std::fprintf(stderr, "unexpected message box: %s\n", text.c_str());
        return fw::IDNO;
    });
    const fw::LibraryHandle english =
        fw::loadLibrary(fw::executableDirectory() + "NEBPT_english.so");
    if (!english) {
        std::fprintf(stderr, "NEBPT_english.so not found beside the benchmark\n");
        return 1;
    }
    fw::setCurrentResourceLibrary(english);

    QWidget hostWindow;
    hostWindow.resize(600, 800);
    QWidget* view = new QWidget(&hostWindow);
    view->setGeometry(0, 0, 600, 800);
    hostWindow.show();
    QApplication::processEvents();

    // Memory of an open flow of 255 and of 4,096 pairs (the most the editor lays
    // out): the process's resident size with the program loaded, before and
    // after the flow's windows are built and painted. The heap gives what earlier
    // runs freed back first, so that the flow does not fill it unseen.
    for (unsigned pairs : options.open) {
        Session session(pairs);
        QApplication::processEvents();
        malloc_trim(0);
        const double before = residentMegabytes();
        auto flow = std::make_unique<CWorkFlow>(*session.manager);
        flow->createYourself(*view);
        QApplication::processEvents();
        const double after = residentMegabytes();
        std::printf("open flow of %u pairs adds %.1f MB resident memory (%.1f -> %.1f MB)\n", pairs,
                    after - before, before, after);
        flow.reset();
        QApplication::processEvents();
    }

    std::vector<std::pair<unsigned, double>> rebuilds; // pairs, milliseconds
    for (unsigned pairs : options.rebuild) {
        Session session(pairs);
        if (session.manager->getNEBProgram().getPairs().size() != pairs) {
            std::fprintf(stderr, "the program has %zu pairs, not %u\n",
                         session.manager->getNEBProgram().getPairs().size(), pairs);
            return 1;
        }
        const int runs = pairs <= 20 ? 41 : pairs <= 255 ? 11 : 5;
        double rebuild = 0;
        {
            CWorkFlow flow(*session.manager);
            flow.createYourself(*view);
            QApplication::processEvents();
            flow.reReadData(); // warm-up, and what it posted processed as the runs' are
            QApplication::processEvents();
            rebuild = millisecondsPerRun(runs, [&] {
                flow.reReadData();
                QApplication::processEvents();
            });
        }
        double floor = 0;
        {
            QWidget parent(view);
            parent.setGeometry(0, 0, 470, 300);
            parent.show();
            PlainColumn column(parent, pairs);
            column.rebuild(); // warm-up
            QApplication::processEvents();
            floor = millisecondsPerRun(runs, [&] {
                column.rebuild();
                QApplication::processEvents();
            });
        }
        std::printf("%u pairs: %.1f ms rebuild, %.1f ms floor, ratio %.1f\n", pairs, rebuild, floor,
                    rebuild / floor);
        rebuilds.emplace_back(pairs, rebuild);
    }
    // How the rebuild grows: linear would be the ratio of the pairs.
    if (!options.chosen) {
        const auto [fewPairs, few] = rebuilds[2];
        const auto [manyPairs, many] = rebuilds.back();
        std::printf("%u pairs rebuild in %.1f times the time of %u (%.1f times the pairs)\n",
                    manyPairs, many / few, fewPairs, double(manyPairs) / fewPairs);
    }
    return 0;
}
