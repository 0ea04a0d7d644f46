#pragma once

#include "ProgramRuntime.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

// Runs a program's model of the controller in real time: `tick` comes every
// kTickMs while the clock runs, and catchUp() then runs the scans that are due
// by the real time since start(). A window held up for longer than
// kMostScansATick scans goes on from where it is rather than rushing through
// the time it lost. The model's time may run faster than real time (setRate:
// tests see a minute of it in a second).
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
    // The model's time runs `rate` times as fast as real time from now on (1 at start).
    void setRate(int rate);
    // Runs the scans of `runtime` due by now, each handed to `scanned` when
    // given, as it ran; the steps moved on from, the last `most` of them.
    using Scanned = std::function<void(const NEBPT::ProgramRuntime::Scan&)>;
    std::vector<Stepped> catchUp(NEBPT::ProgramRuntime& runtime, std::size_t most,
                                 const Scanned& scanned = {});

signals:
    void tick();

private:
    long long nowMs() const;

    QTimer m_timer;
    QElapsedTimer m_clock;  // real time since the model started or its rate changed
    long long m_lagMs = 0;  // model time not caught up with, skipped
    long long m_baseMs = 0; // the model's time when m_clock started
    int m_rate = 1;
};
