#include "Recording.h"

#include "framework/AtomicFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace scenario {

namespace {

// Seconds as the scenario takes them, from milliseconds.
double seconds(long long ms)
{
    return static_cast<double>(ms) / 1000.0;
}

} // namespace

RecordingWriter::RecordingWriter(std::vector<std::string> inputs, std::chrono::milliseconds period)
    : m_inputs(std::move(inputs)), m_periodMs(period.count()), m_longestGapMs(period.count())
{}

void RecordingWriter::polled(long long sinceFirstMs, int activeStep, const std::vector<int>& values)
{
    const long long atMs = m_periodMs + sinceFirstMs;
    const bool first = m_steps.empty();
    if (!first)
        m_longestGapMs = std::max(m_longestGapMs, atMs - m_untilMs);
    for (std::size_t i = 0; i < m_inputs.size() && i < values.size(); ++i) {
        if (!first && values[i] == m_last[i])
            continue;
        m_sets.push_back({atMs, i, values[i]});
    }
    m_last = values;
    m_last.resize(m_inputs.size(), 0);
    m_steps.push_back({atMs, activeStep, m_longestGapMs});
    m_untilMs = atMs;
}

std::string RecordingWriter::text() const
{
    QJsonArray sets, expects;
    for (const Set& set : m_sets)
        sets.append(
            QJsonObject{{QStringLiteral("at"), seconds(set.atMs)},
                        {QStringLiteral("input"), QString::fromStdString(m_inputs[set.input])},
                        {QStringLiteral("value"), set.value}});
    for (const Step& step : m_steps)
        expects.append(
            QJsonObject{{QStringLiteral("at"), seconds(step.atMs)},
                        {QStringLiteral("step"),
                         step.step >= 0 ? QJsonValue(step.step) : QJsonValue(QJsonValue::Null)},
                        {QStringLiteral("within"), seconds(step.withinMs)}});
    const QJsonObject scenario{{QStringLiteral("until"), seconds(m_untilMs)},
                               {QStringLiteral("set"), sets},
                               {QStringLiteral("expect"), expects}};
    return QJsonDocument(scenario).toJson(QJsonDocument::Indented).toStdString();
}

bool RecordingWriter::write(const std::string& path, std::string& reason) const
{
    return fw::writeFileAtomically(path, text(), reason);
}

} // namespace scenario
