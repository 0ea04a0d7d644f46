#pragma once

#include <QWidget>

namespace timeline {
struct Timeline;
}

// The monitor's strip chart: the last kSpanMs of what the monitor records
// (timeline::Recorder: the inputs the program reads, the active step, its
// timers, the actions performed), drawn by the same painter as the pictures of
// --simulate --plot (TimingChart.h) in its compact form. It draws the timeline
// it is shown, which its owner keeps and forgets the past of; it paints when
// told (refresh()), not for every change recorded.
class MonitorChart : public QWidget
{
    Q_OBJECT

public:
    static constexpr long long kSpanMs = 60000;

    explicit MonitorChart(QWidget* parent = nullptr);

    // The timeline to draw (null: none); kept by the caller while shown.
    void setTimeline(const timeline::Timeline* timeline);
    // Paints what the timeline holds now.
    void refresh() { update(); }
    const timeline::Timeline* timeline() const { return m_timeline; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const timeline::Timeline* m_timeline = nullptr;
};
