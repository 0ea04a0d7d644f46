// Rebuilding the flow view (CWorkFlow::reReadData: every element window
// destroyed and created anew) for programs of 20, 100 and 255 pairs, on Qt's
// offscreen platform with the English language library. Beside each figure,
// the floor measured in the same run: destroying and creating as many plain
// empty child widgets as the rebuild creates element windows (two arrows and
// three windows per pair), shown and placed the same way. One line per size:
//   <n> pairs: <rebuild> ms rebuild, <floor> ms floor, ratio <rebuild / floor>
// and, before them, the memory an open flow of 255 pairs adds to the process.

#include "DLGManager.h"
#include "Dialogs/WorkFlow.h"
#include "EventDispacher.h"
#include "IExtParamInterface.h"
#include "Settings_Manager/CNEB_Program.h"

#include "framework/Library.h"
#include "framework/MessageBox.h"
#include "framework/Resources.h"
#include "framework/SystemPaths.h"

#include <QApplication>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned long kPairElements = 255;

// An in-memory drive of type "FCD-300", database 02.40, whose EVENT and ACTION
// parameters have 255 elements.
class MemoryDrive : public IExtParamInterface
{
public:
    struct Parameter
    {
        std::string name;
        unsigned long elements = 0;
        std::vector<std::string> values;
        std::vector<std::string> choices;
    };

    explicit MemoryDrive(unsigned pairs)
    {
        std::vector<std::string> events = {
            "0:False",        "1:True",    "2:Running",       "3:On reference",
            "4:Torque limit", "5:Warning", "16:Alarm (trip)", "19:Digital input 18"};
        for (unsigned i = 0; i < 6; ++i)
            events.push_back(std::to_string(22 + i) + ":Comparator " + std::to_string(i));
        for (unsigned i = 0; i < 6; ++i)
            events.push_back(std::to_string(28 + i) + ":Logic rule " + std::to_string(i));
        for (unsigned i = 0; i < 8; ++i)
            events.push_back(std::to_string(34 + i) + ":Timeout " + std::to_string(i));
        std::vector<std::string> actions = {"0:Disabled", "1:No action", "2:Select set-up 1",
                                            "22:Start", "24:Stop"};
        for (unsigned i = 0; i < 8; ++i)
            actions.push_back(std::to_string(30 + i) + ":Start timer " + std::to_string(i));
        const std::vector<std::string> operators = {"0:DISABLED", "1:AND",         "2:OR",
                                                    "3:AND NOT",  "4:OR NOT",      "5:NOT AND",
                                                    "6:NOT OR",   "7:NOT AND NOT", "8:NOT OR NOT"};

        add(1300, "Logic controller mode", 0, {"0:Off", "1:On"});
        add(1301, "Controller event", kPairElements, events);
        add(1302, "Controller action", kPairElements, actions);
        add(1303, "Controller timer", 8, {}, "0.000000");
        add(1305, "Start event", 0, events);
        add(1306, "Stop event", 0, events);
        add(1310, "Comparator operand", 6, {"0:Disabled", "1:Reference", "3:Motor speed"});
        add(1311, "Comparator operator", 6, {"0:Less than", "1:Approx. equal", "2:Greater than"});
        add(1312, "Comparator value", 6, {}, "0.000000");
        for (unsigned long n : {1320UL, 1322UL, 1324UL})
            add(n, "Logic rule operand", 6, events);
        for (unsigned long n : {1321UL, 1323UL})
            add(n, "Logic rule operator", 6, operators);

        // Steps that show every kind of object button, cycling.
        const char* stepEvents[] = {"1", "22", "34", "28", "19"};
        const char* stepActions[] = {"22", "30", "24", "2", "1"};
        for (unsigned i = 0; i < pairs && i < kPairElements; ++i) {
            m_parameters[1301].values[i] = stepEvents[i % 5];
            m_parameters[1302].values[i] = stepActions[i % 5];
        }
    }

    std::string GetParameterName(const std::string& number) override { return find(number).name; }
    int ReadParameterValue(const std::string& number, int index, std::string& value,
                           const std::string&) override
    {
        value = element(number, index);
        return 1;
    }
    int WriteParameterValues(const std::vector<std::string>& identifiers,
                             const std::vector<std::string>& values, const std::string&,
                             int) override
    {
        for (size_t i = 0; i < identifiers.size() && i < values.size(); ++i) {
            const size_t dot = identifiers[i].find('.');
            const int index =
                dot == std::string::npos ? -1 : std::stoi(identifiers[i].substr(dot + 1));
            element(identifiers[i].substr(0, dot), index) = values[i];
        }
        return 1;
    }
    std::vector<std::string> GetChoiceList(const std::string& identifier) override
    {
        return find(identifier.substr(0, identifier.find('.'))).choices;
    }
    unsigned long GetElementCount(const std::string& number) override
    {
        return find(number).elements;
    }
    int GetParameterAttributes(const std::string&, int, std::string& minimum, std::string& maximum,
                               std::string& unit, std::string& decimals) override
    {
        minimum = "0";
        maximum = "3600";
        unit = "s";
        decimals = "2";
        return 1;
    }
    int GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                         std::string& dbVersion) override
    {
        driveName = "FCD-300";
        aocVersion = "02.10";
        dbVersion = "02.40";
        return 1;
    }
    int RegisterParameters(const std::vector<std::string>&) override { return 1; }
    std::string GetLanguage() override { return "english"; }
    int GetIndexBase() override { return 0; }

private:
    void add(unsigned long number, const std::string& name, unsigned long elements,
             std::vector<std::string> choices, const std::string& value = "0")
    {
        Parameter& p = m_parameters[number];
        p.name = name;
        p.elements = elements;
        p.values.assign(elements == 0 ? 1 : elements, value);
        p.choices = std::move(choices);
    }
    Parameter& find(const std::string& number)
    {
        const auto it = m_parameters.find(std::stoul(number));
        if (it == m_parameters.end())
            throw std::runtime_error("no parameter " + number);
        return it->second;
    }
    std::string& element(const std::string& number, int index)
    {
        Parameter& p = find(number);
        const size_t at = index < 0 ? 0 : static_cast<size_t>(index);
        if (at >= p.values.size())
            throw std::runtime_error("no element " + std::to_string(index) + " of " + number);
        return p.values[at];
    }

    std::map<unsigned long, Parameter> m_parameters;
};

// The plug-in's tree over one drive: dispatcher, command layer with the program.
struct Session
{
    explicit Session(unsigned pairs) : drive(pairs), dispatcher(&drive)
    {
        dispatcher.init();
        manager = std::make_unique<CDLGManager>(dispatcher);
        manager->init();
    }
    MemoryDrive drive;
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

double millisecondsPerRun(int runs, const std::function<void()>& step)
{
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i)
        step();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / runs;
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

} // namespace

int main(int argc, char** argv)
{
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

    // Memory of an open flow of 255 pairs: the process's resident size with the
    // program loaded, before and after the flow's windows are built and painted.
    {
        Session session(kPairElements);
        QApplication::processEvents();
        const double before = residentMegabytes();
        auto flow = std::make_unique<CWorkFlow>(*session.manager);
        flow->createYourself(*view);
        QApplication::processEvents();
        const double after = residentMegabytes();
        std::printf("open flow of %lu pairs adds %.1f MB resident memory (%.1f -> %.1f MB)\n",
                    kPairElements, after - before, before, after);
        flow.reset();
        QApplication::processEvents();
    }

    for (unsigned pairs : {20u, 100u, 255u}) {
        Session session(pairs);
        if (session.manager->getNEBProgram().getPairs().size() != pairs) {
            std::fprintf(stderr, "the program has %zu pairs, not %u\n",
                         session.manager->getNEBProgram().getPairs().size(), pairs);
            return 1;
        }
        const int runs = pairs <= 20 ? 40 : pairs <= 100 ? 10 : 5;
        double rebuild = 0;
        {
            CWorkFlow flow(*session.manager);
            flow.createYourself(*view);
            flow.reReadData(); // warm-up
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
            floor = millisecondsPerRun(runs, [&] {
                column.rebuild();
                QApplication::processEvents();
            });
        }
        std::printf("%u pairs: %.1f ms rebuild, %.1f ms floor, ratio %.1f\n", pairs, rebuild, floor,
                    rebuild / floor);
    }
    return 0;
}
