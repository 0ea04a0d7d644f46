#include "SimulationClock.h"

#include <algorithm>
#include <deque>

SimulationClock::SimulationClock(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &SimulationClock::tick);
}

void SimulationClock::start()
{
    m_clock.start();
    m_lagMs = 0;
    m_baseMs = 0;
    m_timer.start();
}

void SimulationClock::stop()
{
    m_timer.stop();
}

void SimulationClock::setRate(int rate)
{
    if (m_clock.isValid()) {
        m_baseMs = nowMs();
        m_lagMs = 0;
        m_clock.restart();
    }
    m_rate = std::max(rate, 1);
}

long long SimulationClock::nowMs() const
{
    return m_baseMs + m_clock.elapsed() * m_rate - m_lagMs;
}

std::vector<SimulationClock::Stepped>
SimulationClock::catchUp(NEBPT::ProgramRuntime& runtime, std::size_t most, const Scanned& scanned)
{
    const long long now = nowMs();
    long long scans = 0;
    std::deque<Stepped> stepped;
    while (runtime.nextScanMs() <= now && scans++ < kMostScansATick) {
        const NEBPT::ProgramRuntime::Scan scan = runtime.scan();
        if (scanned)
            scanned(scan);
        if (scan.change != NEBPT::ProgramRuntime::Change::Stepped)
            continue;
        stepped.push_back({scan.timeMs, scan.from});
        if (stepped.size() > most)
            stepped.pop_front();
    }
    if (runtime.nextScanMs() <= now)
        m_lagMs += now - runtime.nextScanMs() + 1;
    return {stepped.begin(), stepped.end()};
}
