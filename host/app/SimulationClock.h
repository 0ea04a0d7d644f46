#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

namespace NEBPT {
class ProgramRuntime;
}

// Runs a program's model of the controller in real time: `tick` comes every
// kTickMs while the clock runs, and catchUp() then runs the scans that are due
// by the real time since start(). A window held up for longer than
// kMostScansATick scans goes on from where it is rather than rushing through
// the time it lost.
class SimulationClock : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTickMs = 20;
    static constexpr long long kMostScansATick = 5000;

    // A step of the program the controller moved on from, at the scan's time.
    struct Stepped
    {
        long long timeMs = 0;
        int step = 0;
    };

    explicit SimulationClock(QObject* parent = nullptr);

    // Counts the model's time from now.
    void start();
    void stop();
    bool running() const { return m_timer.isActive(); }
    // Runs the scans of `runtime` due by now; the steps moved on from, the
    // last `most` of them.
    std::vector<Stepped> catchUp(NEBPT::ProgramRuntime& runtime, std::size_t most);

signals:
    void tick();

private:
    QTimer m_timer;
    QElapsedTimer m_clock; // real time since the model started
    long long m_lagMs = 0; // real time the model did not catch up with
};
