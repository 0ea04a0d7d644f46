#pragma once

#include "Timeline.h"

#include <QRectF>
#include <QString>

#include <string>
#include <vector>

class QPainter;

// A timing diagram of a run (Timeline.h), drawn with QPainter on whatever it
// paints: nebpt-host --simulate --plot (SVG, PNG, PDF) and the monitor's strip
// chart. From the top: the time axis, a lane per input (a condition as a level,
// a number as a step line with its values), the active step as labelled
// segments, a lane per timer (its time left falling), the actions performed as
// marks with their texts, the expectations that failed as red marks; what runs
// never reached (pairs, timers that never ran out) is shaded.
namespace timingchart {

// The chart's own words, in the language of whoever shows it.
struct Words
{
    QString step = QStringLiteral("Step");
    QString notRunning = QStringLiteral("not running");
    QString actions = QStringLiteral("Actions");
    QString failed = QStringLiteral("Failed");
    QString pairs = QStringLiteral("Pairs");
    QString neverReached = QStringLiteral("never reached");
    QString cut = QStringLiteral("cut at %1: more changes than a picture keeps");
    QString seconds = QStringLiteral("s");
};

struct Options
{
    // The time shown: the last `spanMs` before the timeline's untilMs (the monitor's
    // 60 s); 0: from its fromMs to its untilMs.
    long long spanMs = 0;
    // The monitor's strip: no title, no texts at the action marks, no pairs row.
    bool compact = false;
    Words words;
};

// Draws `timeline` into `area` with the painter's font; lanes share the area's
// height, at least a text line each.
void paint(QPainter& painter, const QRectF& area, const timeline::Timeline& timeline,
           const Options& options = {});

// The height `timeline` needs with lines `lineHeight` high.
qreal heightFor(const timeline::Timeline& timeline, qreal lineHeight, const Options& options = {});

// Writes the timelines as a picture to `path`, atomically, by its suffix: ".svg"
// and ".png" one under the other, ".pdf" one per A4 landscape page. False with
// `reason` (a suffix it does not know, a file it cannot write).
bool write(const std::vector<timeline::Timeline>& timelines, const std::string& path,
           std::string& reason);

} // namespace timingchart
