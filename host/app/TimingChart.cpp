#include "TimingChart.h"

#include "framework/AtomicFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace timingchart {

namespace {

using timeline::Lane;
using timeline::Point;
using timeline::Timeline;

// The heights of the chart's rows, in text lines.
constexpr qreal kTitleLines = 1.6, kAxisLines = 1.5, kLevelLines = 1.4, kValueLines = 2.0,
                kStepLines = 1.5, kTimerLines = 2.0, kMarkLines = 1.2, kPairLines = 1.5;
// The rows of action texts, and the failures listed under the chart, at most.
constexpr int kActionRows = 4, kFailuresListed = 12;

const QColor kInk(0x20, 0x20, 0x20), kGrid(0xd8, 0xd8, 0xd8), kHigh(0xcf, 0xe8, 0xcf),
    kStepFill(0xdd, 0xe8, 0xf6), kStepFill2(0xc6, 0xd8, 0xef), kTimer(0xc0, 0x60, 0x00),
    kAction(0x20, 0x50, 0xa0), kFailure(0xd0, 0x10, 0x10), kShade(0xb0, 0xb0, 0xb0);

int actionRows(const Timeline& timeline, const Options& options)
{
    return options.compact || timeline.actions.empty() ? 1 : kActionRows;
}

int failuresListed(const Timeline& timeline, const Options& options)
{
    if (options.compact || timeline.failures.empty())
        return 0;
    const int count = static_cast<int>(timeline.failures.size());
    return count > kFailuresListed ? kFailuresListed + 1 : count;
}

// The rows from the top, in lines.
qreal lines(const Timeline& timeline, const Options& options)
{
    qreal total = kAxisLines + kStepLines + actionRows(timeline, options) * kMarkLines;
    if (!options.compact)
        total += kTitleLines;
    for (const Lane& lane : timeline.inputs)
        total += lane.kind == Lane::Kind::Level ? kLevelLines : kValueLines;
    total += kTimerLines * static_cast<qreal>(timeline.timers.size());
    if (!timeline.failures.empty())
        total += kMarkLines;
    if (!options.compact && !timeline.pairReached.empty())
        total += kPairLines;
    return total + failuresListed(timeline, options);
}

QString secondsText(long long ms, long long stepMs)
{
    const int decimals = stepMs >= 1000 ? 0 : stepMs >= 100 ? 1 : stepMs >= 10 ? 2 : 3;
    return QString::number(static_cast<double>(ms) / 1000.0, 'f', decimals);
}

QString valueText(double value)
{
    return QString::number(value, 'g', 10);
}

class Chart
{
public:
    Chart(QPainter& painter, const QRectF& area, const Timeline& timeline, const Options& options)
        : m_painter(painter), m_timeline(timeline), m_options(options)
    {
        const QFontMetricsF metrics(painter.font());
        m_line = std::max(metrics.height(), area.height() / lines(timeline, options));
        m_textHeight = metrics.height();
        m_penWidth = std::max<qreal>(1.0, m_textHeight / 16);
        // A span shown from the start until it is full, then its last part.
        m_t0 = options.spanMs > 0 ? std::max(timeline.fromMs, timeline.untilMs - options.spanMs)
                                  : timeline.fromMs;
        m_t1 = options.spanMs > 0 ? m_t0 + options.spanMs : timeline.untilMs;
        m_end = std::min(m_t1, timeline.untilMs); // nothing is drawn after it
        if (m_t1 <= m_t0)
            m_t1 = m_t0 + 1;
        qreal labels = 0;
        for (const Lane& lane : timeline.inputs)
            labels = std::max(labels, metrics.horizontalAdvance(QString::fromStdString(lane.name)));
        for (const Lane& lane : timeline.timers)
            labels = std::max(labels, metrics.horizontalAdvance(QString::fromStdString(lane.name)));
        for (const QString& word :
             {options.words.step, options.words.actions, options.words.failed, options.words.pairs})
            labels = std::max(labels, metrics.horizontalAdvance(word));
        m_labelWidth = std::min(labels + metrics.averageCharWidth() * 2,
                                area.width() * (options.compact ? 0.35 : 0.3));
        m_area = area;
        // Room at the right for half a time at the axis.
        const qreal right = metrics.horizontalAdvance(QStringLiteral("0000.0")) / 2;
        m_plot = QRectF(area.left() + m_labelWidth, area.top(), area.width() - m_labelWidth - right,
                        area.height());
        m_y = area.top();
    }

    void draw()
    {
        m_painter.save();
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.fillRect(m_area, Qt::white);
        if (!m_options.compact)
            title();
        const qreal lanesTop = m_y;
        axis();
        for (const Lane& lane : m_timeline.inputs)
            input(lane);
        steps();
        for (const Lane& lane : m_timeline.timers)
            timer(lane);
        actions();
        failures(lanesTop);
        if (!m_options.compact && !m_timeline.pairReached.empty())
            pairs();
        failureList();
        m_painter.restore();
    }

private:
    qreal x(long long ms) const
    {
        return m_plot.left() +
               static_cast<qreal>(ms - m_t0) * m_plot.width() / static_cast<qreal>(m_t1 - m_t0);
    }

    // A row of `height` lines; its label at the left, a line under it.
    QRectF row(qreal height, const QString& label, bool shaded = false)
    {
        const QRectF r(m_plot.left(), m_y, m_plot.width(), height * m_line);
        m_y += r.height();
        if (shaded)
            m_painter.fillRect(r, QBrush(kShade, Qt::BDiagPattern));
        m_painter.setPen(kInk);
        const QRectF text(m_area.left(), r.top(), m_labelWidth - m_textHeight * 0.7, r.height());
        m_painter.drawText(
            text, Qt::AlignRight | Qt::AlignVCenter,
            QFontMetricsF(m_painter.font()).elidedText(label, Qt::ElideRight, text.width()));
        m_painter.setPen(QPen(kGrid, m_penWidth));
        m_painter.drawLine(QPointF(m_area.left(), r.bottom()), QPointF(m_plot.right(), r.bottom()));
        return r;
    }

    void title()
    {
        QString text = QString::fromStdString(m_timeline.title);
        if (m_timeline.cutAtMs >= 0) {
            text += QStringLiteral("  (") +
                    m_options.words.cut.arg(secondsText(m_timeline.cutAtMs, 1) + QLatin1Char(' ') +
                                            m_options.words.seconds) +
                    QLatin1Char(')');
        }
        const QRectF r(m_area.left(), m_y, m_area.width(), kTitleLines * m_line);
        m_painter.setPen(kInk);
        m_painter.drawText(
            r, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetricsF(m_painter.font()).elidedText(text, Qt::ElideRight, r.width()));
        m_y += r.height();
    }

    // Ticks at 1, 2 or 5 times a power of ten, some 8 character widths apart at least.
    void axis()
    {
        const QRectF r = row(kAxisLines, m_options.words.seconds);
        const QFontMetricsF metrics(m_painter.font());
        const double span = static_cast<double>(m_t1 - m_t0);
        const double least = span * metrics.horizontalAdvance(QStringLiteral("00000.000")) /
                             std::max<qreal>(m_plot.width(), 1);
        long long step = 1;
        for (long long power = 1; step < least; power *= 10) {
            for (const long long factor : {1LL, 2LL, 5LL}) {
                step = factor * power;
                if (step >= least)
                    break;
            }
        }
        const long long first = (m_t0 + step - 1) / step * step;
        m_ticks.clear();
        for (long long t = first; t <= m_t1; t += step) {
            const qreal at = x(t);
            m_ticks.push_back(at);
            m_painter.setPen(QPen(kInk, m_penWidth));
            m_painter.drawLine(QPointF(at, r.bottom() - r.height() * 0.25),
                               QPointF(at, r.bottom()));
            const QString label = secondsText(t, step);
            const qreal width = metrics.horizontalAdvance(label);
            m_painter.drawText(QRectF(at - width / 2, r.top(), width, r.height() * 0.75),
                               Qt::AlignCenter, label);
        }
    }

    // Grid lines at the ticks through a lane.
    void grid(const QRectF& r)
    {
        m_painter.setPen(QPen(kGrid, m_penWidth, Qt::DotLine));
        for (const qreal at : m_ticks)
            m_painter.drawLine(QPointF(at, r.top()), QPointF(at, r.bottom()));
    }

    // The segments of a lane that holds a value from each point to the next,
    // within the time shown; `segment` gets its value and its left and right x.
    // Segments narrower than a quarter of a unit are joined to the one before
    // (a lane that changes every scan over a day is drawn by the pixel).
    template <typename Segment> void segments(const std::vector<Point>& points, Segment segment)
    {
        if (points.empty())
            return;
        auto at = std::upper_bound(points.begin(), points.end(), m_t0,
                                   [](long long t, const Point& p) { return t < p.atMs; });
        double value = at == points.begin() ? points.front().value : (at - 1)->value;
        qreal left = x(m_t0);
        bool busy = false;
        for (; at != points.end() && at->atMs <= m_t1; ++at) {
            const qreal right = x(at->atMs);
            if (right - left >= 0.25) {
                segment(value, left, right, busy);
                left = right;
                busy = false;
            } else if (at->value != value) {
                busy = true;
            }
            value = at->value;
        }
        segment(value, left, x(m_end), busy);
    }

    void input(const Lane& lane)
    {
        const bool level = lane.kind == Lane::Kind::Level;
        const QRectF r = row(level ? kLevelLines : kValueLines, QString::fromStdString(lane.name));
        grid(r);
        const qreal high = r.top() + r.height() * 0.2, low = r.bottom() - r.height() * 0.2;
        QPainterPath path;
        bool first = true;
        const QFontMetricsF metrics(m_painter.font());
        segments(lane.points, [&](double value, qreal left, qreal right, bool busy) {
            if (level) {
                const qreal y = value != 0 ? high : low;
                if (value != 0 || busy)
                    m_painter.fillRect(QRectF(left, high, right - left, low - high), kHigh);
                first ? path.moveTo(left, y) : path.lineTo(left, y);
                path.lineTo(right, y);
            } else {
                // A number: a band with its value written in it where it fits.
                m_painter.setPen(QPen(kInk, m_penWidth));
                m_painter.drawLine(QPointF(left, high), QPointF(left, low));
                const QString text = busy ? QString() : valueText(value);
                if (metrics.horizontalAdvance(text) + 4 < right - left)
                    m_painter.drawText(QRectF(left + 2, high, right - left - 4, low - high),
                                       Qt::AlignLeft | Qt::AlignVCenter, text);
            }
            first = false;
        });
        if (level) {
            m_painter.setPen(QPen(kInk, m_penWidth));
            m_painter.drawPath(path);
        } else {
            m_painter.setPen(QPen(kInk, m_penWidth));
            m_painter.drawLine(QPointF(x(m_t0), high), QPointF(x(m_end), high));
            m_painter.drawLine(QPointF(x(m_t0), low), QPointF(x(m_end), low));
        }
    }

    void steps()
    {
        const QRectF r = row(kStepLines, m_options.words.step);
        const QFontMetricsF metrics(m_painter.font());
        const QRectF band(r.left(), r.top() + r.height() * 0.15, r.width(), r.height() * 0.7);
        int shown = 0;
        segments(m_timeline.steps, [&](double value, qreal left, qreal right, bool busy) {
            const int step = static_cast<int>(value);
            const QRectF box(left, band.top(), right - left, band.height());
            if (busy) {
                m_painter.fillRect(box, QBrush(kAction, Qt::Dense6Pattern));
                return;
            }
            if (step < 0) {
                m_painter.setPen(QPen(kGrid, m_penWidth));
                m_painter.drawLine(QPointF(left, band.center().y()),
                                   QPointF(right, band.center().y()));
                const QString text = m_options.words.notRunning;
                if (metrics.horizontalAdvance(text) + 4 < box.width()) {
                    m_painter.setPen(kShade);
                    m_painter.drawText(box, Qt::AlignCenter, text);
                }
                return;
            }
            m_painter.fillRect(box, (shown++ % 2) ? kStepFill2 : kStepFill);
            m_painter.setPen(QPen(kInk, m_penWidth));
            m_painter.drawRect(box);
            const QString text = QString::number(step);
            if (metrics.horizontalAdvance(text) + 2 < box.width())
                m_painter.drawText(box, Qt::AlignCenter, text);
        });
    }

    void timer(const Lane& lane)
    {
        const QRectF r = row(kTimerLines, QString::fromStdString(lane.name), lane.shaded);
        grid(r);
        const auto& points = lane.points;
        if (points.empty())
            return;
        double most = 1;
        for (const Point& p : points)
            most = std::max(most, p.value);
        const qreal top = r.top() + r.height() * 0.1, bottom = r.bottom() - r.height() * 0.1;
        const auto y = [&](double ms) { return bottom - (bottom - top) * ms / most; };
        // A line through the corners; the line before the first corner shown
        // and after the last one is cut at the time shown.
        auto first = std::lower_bound(points.begin(), points.end(), m_t0,
                                      [](const Point& p, long long t) { return p.atMs < t; });
        QPainterPath path;
        if (first == points.begin()) {
            path.moveTo(x(std::max(m_t0, points.front().atMs)), y(points.front().value));
        } else {
            const Point& a = *(first - 1);
            double value = a.value;
            if (first != points.end() && first->atMs > a.atMs) {
                value += (first->value - a.value) * static_cast<double>(m_t0 - a.atMs) /
                         static_cast<double>(first->atMs - a.atMs);
            }
            path.moveTo(x(m_t0), y(value));
        }
        qreal lastX = path.currentPosition().x();
        double low = 1e300, high = -1e300;
        for (auto p = first; p != points.end() && p->atMs <= m_t1; ++p) {
            const qreal px = x(p->atMs);
            // Corners closer than a quarter unit become one upright stroke.
            if (px - lastX < 0.25 && std::next(p) != points.end()) {
                low = std::min(low, p->value);
                high = std::max(high, p->value);
                continue;
            }
            if (low <= high) {
                path.lineTo(lastX, y(low));
                path.lineTo(lastX, y(high));
                low = 1e300;
                high = -1e300;
            }
            path.lineTo(px, y(p->value));
            lastX = px;
        }
        // After the last corner a timer left running counts down until it runs out.
        if (const Point& last = points.back(); last.atMs < m_end) {
            const long long out = last.atMs + static_cast<long long>(last.value);
            if (last.value > 0 && out > last.atMs) {
                const long long to = std::clamp(out, std::max(m_t0, last.atMs), m_end);
                path.lineTo(x(to),
                            y(std::max(0.0, last.value - static_cast<double>(to - last.atMs))));
            }
            path.lineTo(x(m_end),
                        y(std::max(0.0, last.value - static_cast<double>(m_end - last.atMs))));
        }
        m_painter.setPen(QPen(kTimer, m_penWidth));
        m_painter.drawPath(path);
        if (most <= 1)
            return; // never started: no scale
        m_painter.setPen(kInk);
        // The scale over the lane's upper half, whole even in the narrow strip chart.
        m_painter.drawText(QRectF(r.left() + 2, r.top(), r.width() - 4, r.height() * 0.5),
                           Qt::AlignLeft | Qt::AlignTop,
                           secondsText(static_cast<long long>(most), 1) + QLatin1Char(' ') +
                               m_options.words.seconds);
    }

    void actions()
    {
        const int rows = actionRows(m_timeline, m_options);
        const QRectF r = row(rows * kMarkLines, m_options.words.actions);
        const QFontMetricsF metrics(m_painter.font());
        std::vector<qreal> free(static_cast<size_t>(rows), -1e300);
        qreal lastMark = -1e300;
        for (const timeline::Mark& mark : m_timeline.actions) {
            if (mark.atMs < m_t0 || mark.atMs > m_t1)
                continue;
            const qreal at = x(mark.atMs);
            if (at - lastMark >= 0.5) {
                m_painter.setPen(QPen(kAction, m_penWidth));
                m_painter.drawLine(QPointF(at, r.top()), QPointF(at, r.bottom()));
                lastMark = at;
            }
            if (m_options.compact)
                continue;
            const QString text = QString::fromStdString(mark.text);
            const qreal width = metrics.horizontalAdvance(text) + m_textHeight * 0.5;
            for (size_t k = 0; k < free.size(); ++k) {
                if (free[k] > at || at + width > m_plot.right())
                    continue;
                m_painter.drawText(QRectF(at + 2,
                                          r.top() + static_cast<qreal>(k) * kMarkLines * m_line,
                                          width, kMarkLines * m_line),
                                   Qt::AlignLeft | Qt::AlignVCenter, text);
                free[k] = at + width;
                break;
            }
        }
    }

    // A red line through the lanes at each failure, numbered in its row.
    void failures(qreal lanesTop)
    {
        if (m_timeline.failures.empty())
            return;
        const QRectF r = row(kMarkLines, m_options.words.failed);
        int number = 0;
        for (const timeline::Mark& mark : m_timeline.failures) {
            ++number;
            if (mark.atMs < m_t0 || mark.atMs > m_t1)
                continue;
            const qreal at = x(mark.atMs);
            m_painter.setPen(QPen(kFailure, m_penWidth, Qt::DashLine));
            m_painter.drawLine(QPointF(at, lanesTop), QPointF(at, r.bottom()));
            m_painter.setPen(kFailure);
            if (!m_options.compact)
                m_painter.drawText(QRectF(at + 2, r.top(), m_textHeight * 3, r.height()),
                                   Qt::AlignLeft | Qt::AlignVCenter, QString::number(number));
        }
    }

    // A box for each used pair, shaded when no run reached it.
    void pairs()
    {
        const QRectF r = row(kPairLines, m_options.words.pairs);
        const auto count = static_cast<qreal>(m_timeline.pairReached.size());
        const qreal width = r.width() / std::max<qreal>(count, 1);
        const QFontMetricsF metrics(m_painter.font());
        for (size_t i = 0; i < m_timeline.pairReached.size(); ++i) {
            const QRectF box(r.left() + width * static_cast<qreal>(i), r.top() + r.height() * 0.15,
                             width, r.height() * 0.7);
            const bool reached = m_timeline.pairReached[i];
            m_painter.fillRect(box, reached ? QBrush(kStepFill) : QBrush(kShade, Qt::BDiagPattern));
            m_painter.setPen(QPen(kInk, m_penWidth));
            m_painter.drawRect(box);
            QString text = QString::number(i);
            if (!reached && metrics.horizontalAdvance(text + QLatin1Char(' ') +
                                                      m_options.words.neverReached) < box.width())
                text += QLatin1Char(' ') + m_options.words.neverReached;
            if (metrics.horizontalAdvance(text) < box.width())
                m_painter.drawText(box, Qt::AlignCenter, text);
        }
    }

    void failureList()
    {
        const int listed = failuresListed(m_timeline, m_options);
        m_painter.setPen(kFailure);
        const QFontMetricsF metrics(m_painter.font());
        for (int i = 0; i < listed; ++i) {
            const QRectF r(m_area.left(), m_y, m_area.width(), m_line);
            m_y += m_line;
            QString text;
            if (i == kFailuresListed) {
                text = QStringLiteral("… %1").arg(m_timeline.failures.size() - kFailuresListed);
            } else {
                text = QString::number(i + 1) + QStringLiteral("  ") +
                       QString::fromStdString(m_timeline.failures[static_cast<size_t>(i)].text);
            }
            m_painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter,
                               metrics.elidedText(text, Qt::ElideRight, r.width()));
        }
    }

    QPainter& m_painter;
    const Timeline& m_timeline;
    const Options& m_options;
    QRectF m_area, m_plot;
    qreal m_line = 1, m_textHeight = 1, m_penWidth = 1, m_labelWidth = 0, m_y = 0;
    long long m_t0 = 0, m_t1 = 1, m_end = 1;
    std::vector<qreal> m_ticks;
};

// The pictures' fonts and sizes.
constexpr int kImageWidth = 2000, kImageFontPixels = 16, kSvgWidth = 1400, kSvgFontPixels = 12;
constexpr qreal kPdfFontPoints = 7.5;

qreal heightOf(const std::vector<Timeline>& timelines, qreal line)
{
    qreal height = 0;
    for (const Timeline& timeline : timelines)
        height += heightFor(timeline, line) + line;
    return height;
}

// Paints the timelines one under the other, with a line between them.
void paintAll(QPainter& painter, const std::vector<Timeline>& timelines, qreal width)
{
    const qreal line = QFontMetricsF(painter.font()).height();
    qreal y = 0;
    for (const Timeline& timeline : timelines) {
        const qreal height = heightFor(timeline, line);
        paint(painter, QRectF(0, y, width, height), timeline);
        y += height + line;
    }
}

} // namespace

void paint(QPainter& painter, const QRectF& area, const timeline::Timeline& timeline,
           const Options& options)
{
    Chart(painter, area, timeline, options).draw();
}

qreal heightFor(const timeline::Timeline& timeline, qreal lineHeight, const Options& options)
{
    return lines(timeline, options) * lineHeight;
}

bool write(const std::vector<timeline::Timeline>& timelines, const std::string& path,
           std::string& reason)
{
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QFont font(QStringLiteral("DejaVu Sans"));
    if (suffix == QLatin1String("png")) {
        font.setPixelSize(kImageFontPixels);
        const qreal height = heightOf(timelines, QFontMetricsF(font).height());
        QImage image(kImageWidth, static_cast<int>(std::ceil(height)), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setFont(font);
            paintAll(painter, timelines, kImageWidth);
        }
        if (!image.save(&buffer, "PNG")) {
            reason = path + ": the picture cannot be made";
            return false;
        }
    } else if (suffix == QLatin1String("svg")) {
        font.setPixelSize(kSvgFontPixels);
        const qreal height = heightOf(timelines, QFontMetricsF(font).height());
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(kSvgWidth, static_cast<int>(std::ceil(height))));
        svg.setViewBox(QRectF(0, 0, kSvgWidth, std::ceil(height)));
        svg.setTitle(timelines.empty() ? QString()
                                       : QString::fromStdString(timelines.front().title));
        QPainter painter(&svg);
        painter.setFont(font);
        paintAll(painter, timelines, kSvgWidth);
    } else if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(&buffer);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        pdf.setResolution(300);
        pdf.setCreator(QStringLiteral("nebpt-host"));
        QPainter painter(&pdf);
        font.setPointSizeF(kPdfFontPoints);
        painter.setFont(font);
        const QRectF page = pdf.pageLayout().paintRectPixels(pdf.resolution());
        const qreal line = QFontMetricsF(painter.font()).height();
        for (size_t i = 0; i < timelines.size(); ++i) {
            if (i > 0)
                pdf.newPage();
            // A timeline of more lanes than a page holds is drawn smaller.
            const qreal height = heightFor(timelines[i], line);
            const qreal scale = height > page.height() ? page.height() / height : 1.0;
            painter.save();
            painter.scale(scale, scale);
            paint(painter,
                  QRectF(0, 0, page.width() / scale, std::clamp(height * 2, height, page.height())),
                  timelines[i]);
            painter.restore();
        }
    } else {
        reason = path + ": the picture's file name ends in .svg, .png or .pdf";
        return false;
    }
    buffer.close();
    return fw::writeFileAtomically(path, bytes.toStdString(), reason);
}

} // namespace timingchart
