#include "MonitorChart.h"

#include "Timeline.h"
#include "TimingChart.h"

#include <QPainter>

#include <cmath>

namespace {

timingchart::Options options()
{
    timingchart::Options options;
    options.spanMs = MonitorChart::kSpanMs;
    options.compact = true;
    options.words.step = MonitorChart::tr("Step");
    options.words.notRunning = MonitorChart::tr("not running");
    options.words.actions = MonitorChart::tr("Actions");
    options.words.failed = MonitorChart::tr("Failed");
    options.words.seconds = MonitorChart::tr("s", "seconds on the time axis");
    return options;
}

} // namespace

MonitorChart::MonitorChart(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("monitorChart"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
}

void MonitorChart::setTimeline(const timeline::Timeline* timeline)
{
    m_timeline = timeline;
    setVisible(timeline != nullptr);
    updateGeometry();
    update();
}

QSize MonitorChart::sizeHint() const
{
    const qreal height =
        m_timeline ? timingchart::heightFor(*m_timeline, fontMetrics().height(), options()) : 0;
    return {fontMetrics().averageCharWidth() * 40, static_cast<int>(std::ceil(height))};
}

QSize MonitorChart::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * 20, sizeHint().height()};
}

void MonitorChart::paintEvent(QPaintEvent*)
{
    if (!m_timeline)
        return;
    QPainter painter(this);
    timingchart::paint(painter, rect(), *m_timeline, options());
}
