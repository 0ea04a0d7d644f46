#include "ProgramPrintout.h"

#include "framework/AtomicFile.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPolygonF>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <vector>

QVariant TitleBlock::toVariant() const
{
    return QStringList{project, author, revision};
}

TitleBlock TitleBlock::fromVariant(const QVariant& kept)
{
    const QStringList fields = kept.toStringList();
    return {fields.value(0), fields.value(1), fields.value(2)};
}

namespace {

// The ink of headings, lines and the flow, and the fills.
const QColor kInk(0x1f, 0x3a, 0x5f);
const QColor kActionInk(0x2e, 0x6b, 0x5e);
const QColor kText(0x1a, 0x1a, 0x1a);
const QColor kMuted(0x55, 0x5d, 0x66);
const QColor kBoxFill(0xee, 0xf2, 0xf7);
const QColor kStripe(0xf3, 0xf5, 0xf8);
const QColor kRule(0xc5, 0xcd, 0xd8);

// A text from a drive, a file or the user as the document shows it: a control
// character as "\xNN", as the terminal shows it, so that none breaks a line.
QString shown(const std::string& text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return QString::fromStdString(escaped);
}

QString shown(const QString& text)
{
    return shown(text.toStdString());
}

// The document laid out page by page (what each page shows, as paintings at
// their places), then painted with the number of pages known.
class Document
{
public:
    Document(QPagedPaintDevice& device, const NEBPT::ProgramSections& program,
             const TitleBlock& title, const QDateTime& when, const PrintoutTables& extra)
        : m_device(device), m_program(program), m_words(program.words), m_title(title),
          m_when(when.toString(QStringLiteral("yyyy-MM-dd HH:mm"))), m_extra(extra)
    {}

    bool write()
    {
        m_device.setPageSize(QPageSize(QPageSize::A4));
        m_device.setPageMargins(QMarginsF(20, 12, 15, 10), QPageLayout::Millimeter);
        m_mm = m_device.logicalDpiY() / 25.4;
        m_width = m_device.width();
        m_bottom = m_device.height() - mm(10);
        m_boxLeft = mm(24);
        m_boxWidth = mm(74);
        m_valueLeft = m_boxLeft + m_boxWidth + mm(6);
        m_valueWidth = m_width - m_valueLeft;
        m_flowX = m_boxLeft + m_boxWidth / 2;

        newPage();
        titleBlock();
        for (const NEBPT::ProgramTable& table : m_extra.first)
            this->table(table);
        flow();
        for (const NEBPT::ProgramTable& table : m_program.tables)
            this->table(table);
        for (const NEBPT::ProgramTable& table : m_extra.last)
            this->table(table);

        QPainter painter;
        if (!painter.begin(&m_device))
            return false;
        painter.setRenderHint(QPainter::Antialiasing);
        const int pages = static_cast<int>(m_pages.size());
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                m_device.newPage();
            frame(painter, page + 1, pages);
            for (const Painting& painting : m_pages[static_cast<size_t>(page)]) {
                painter.save();
                painting(painter);
                painter.restore();
            }
        }
        return painter.end();
    }

private:
    using Painting = std::function<void(QPainter&)>;

    double mm(double millimetres) const { return millimetres * m_mm; }

    static QFont font(double points, QFont::Weight weight = QFont::Normal, bool italic = false)
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        font.setWeight(weight);
        font.setItalic(italic);
        // Spaced (by nothing one sees) so that no ligature is set: a PDF's text
        // reads back as it was written ("fl", not one glyph for both).
        font.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
        return font;
    }

    // The height of `text` wrapped at words to `width`.
    double height(const QFont& font, const QString& text, double width) const
    {
        const QFontMetricsF metrics(font, &m_device);
        if (text.isEmpty())
            return metrics.height();
        return metrics.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, text).height();
    }

    QString elided(const QFont& font, const QString& text, double width) const
    {
        return QFontMetricsF(font, &m_device).elidedText(text, Qt::ElideRight, width);
    }

    // Adds a page; what follows is laid out from its top (below the header).
    void newPage()
    {
        m_pages.emplace_back();
        m_y = top();
    }
    double top() const { return m_pages.size() == 1 ? 0 : mm(10); }
    int pageNumber() const { return static_cast<int>(m_pages.size()); }
    bool fits(double height) const { return m_y + height <= m_bottom || m_y == top(); }
    void add(Painting painting) { m_pages.back().push_back(std::move(painting)); }

    // The header (from the second page) and the footer of a page.
    void frame(QPainter& painter, int page, int pages) const
    {
        const QFont small = font(7.5);
        painter.save();
        painter.setFont(small);
        painter.setPen(QPen(kRule, mm(0.25)));
        const double half = m_width / 2 - mm(2);
        if (page > 1) {
            painter.drawLine(QPointF(0, mm(6.5)), QPointF(m_width, mm(6.5)));
            QString left = shown(m_words.title);
            if (!m_title.project.isEmpty())
                left += QStringLiteral(" \u2013 ") + shown(m_title.project);
            QString right = m_when;
            if (!m_title.revision.isEmpty())
                right = shown(m_words.revision) + QLatin1Char(' ') + shown(m_title.revision) +
                        QStringLiteral("  \u00b7  ") + right;
            painter.setPen(kMuted);
            painter.drawText(QRectF(0, 0, half, mm(5.5)), Qt::AlignLeft | Qt::AlignBottom,
                             elided(small, left, half));
            painter.drawText(QRectF(m_width - half, 0, half, mm(5.5)),
                             Qt::AlignRight | Qt::AlignBottom, elided(small, right, half));
        }
        const double foot = m_device.height() - mm(6.5);
        painter.setPen(QPen(kRule, mm(0.25)));
        painter.drawLine(QPointF(0, foot), QPointF(m_width, foot));
        painter.setPen(kMuted);
        const QRectF line(0, foot + mm(1), m_width, mm(5));
        painter.drawText(line, Qt::AlignLeft | Qt::AlignTop,
                         elided(small, shown(m_program.driveLine), m_width * 0.7));
        painter.drawText(line, Qt::AlignRight | Qt::AlignTop,
                         shown(m_words.page).arg(QString::number(page), QString::number(pages)));
        painter.restore();
    }

    // The title, the drive, and the fields the document is filed under.
    void titleBlock()
    {
        const QFont titleFont = font(17, QFont::Bold), driveFont = font(9), labelFont = font(6.5),
                    valueFont = font(9.5, QFont::DemiBold);
        const double pad = mm(2.5);
        const QString title = shown(m_words.title), drive = shown(m_program.driveLine);
        const double titleHeight = height(titleFont, title, m_width - 2 * pad);
        const double driveHeight = height(driveFont, drive, m_width - 2 * pad);
        const double head = pad + titleHeight + mm(1) + driveHeight + pad;

        const QStringList labels{shown(m_words.project), shown(m_words.author),
                                 shown(m_words.revision), shown(m_words.date)};
        const QStringList values{shown(m_title.project), shown(m_title.author),
                                 shown(m_title.revision), m_when};
        const std::vector<double> shares{0.37, 0.26, 0.13, 0.24};
        std::vector<double> xs{0};
        for (double share : shares)
            xs.push_back(xs.back() + share * m_width);
        const double labelHeight = height(labelFont, labels.front(), m_width);
        double valueHeight = 0;
        for (int i = 0; i < values.size(); ++i)
            valueHeight =
                std::max(valueHeight,
                         height(valueFont, values[i], xs[size_t(i) + 1] - xs[size_t(i)] - 2 * pad));
        const double fields = pad + labelHeight + mm(1) + valueHeight + pad;
        const QRectF box(0, m_y, m_width, head + fields);

        add([=, this](QPainter& painter) {
            painter.fillRect(QRectF(box.topLeft(), QSizeF(box.width(), head)), kBoxFill);
            painter.setPen(kInk);
            painter.setFont(titleFont);
            painter.drawText(QRectF(pad, box.top() + pad, box.width() - 2 * pad, titleHeight),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, title);
            painter.setPen(kText);
            painter.setFont(driveFont);
            painter.drawText(QRectF(pad, box.top() + pad + titleHeight + mm(1),
                                    box.width() - 2 * pad, driveHeight),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, drive);
            painter.setPen(QPen(kInk, mm(0.25)));
            painter.drawLine(QPointF(0, box.top() + head), QPointF(box.width(), box.top() + head));
            for (int i = 0; i < labels.size(); ++i) {
                const double x = xs[size_t(i)], width = xs[size_t(i) + 1] - x;
                if (i > 0) {
                    painter.setPen(QPen(kInk, mm(0.25)));
                    painter.drawLine(QPointF(x, box.top() + head), QPointF(x, box.bottom()));
                }
                painter.setPen(kMuted);
                painter.setFont(labelFont);
                painter.drawText(
                    QRectF(x + pad, box.top() + head + pad, width - 2 * pad, labelHeight),
                    Qt::AlignLeft | Qt::AlignTop, labels[i].toUpper());
                painter.setPen(kText);
                painter.setFont(valueFont);
                painter.drawText(QRectF(x + pad, box.top() + head + pad + labelHeight + mm(1),
                                        width - 2 * pad, valueHeight),
                                 Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, values[i]);
            }
            painter.setPen(QPen(kInk, mm(0.5)));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(box);
        });
        m_y = box.bottom() + mm(8);
    }

    double headingHeight() const
    {
        return (m_y == top() ? 0 : mm(3)) +
               height(font(12, QFont::Bold), QStringLiteral("X"), 1e9) + mm(3);
    }

    // A heading across the page, ruled below.
    void heading(const QString& text)
    {
        const QFont headingFont = font(12, QFont::Bold);
        if (m_y != top())
            m_y += mm(3);
        const double textHeight = height(headingFont, text, m_width);
        const QRectF line(0, m_y, m_width, textHeight);
        add([=, this](QPainter& painter) {
            painter.setPen(kInk);
            painter.setFont(headingFont);
            painter.drawText(line, Qt::AlignLeft | Qt::AlignBottom,
                             elided(headingFont, text, m_width));
            painter.setPen(QPen(kInk, mm(0.35)));
            painter.drawLine(QPointF(0, line.bottom() + mm(0.8)),
                             QPointF(m_width, line.bottom() + mm(0.8)));
        });
        m_y += textHeight + mm(3);
    }

    QString continued(const QString& heading) const
    {
        return shown(m_words.continued).arg(heading);
    }

    // The flow's measures.
    QFont boxFont() const { return font(9); }
    QFont valueFont() const { return font(8.5, QFont::Normal, true); }
    double boxHeight(const std::string& value) const
    {
        return std::max(mm(6.8), height(valueFont(), shown(value), m_valueWidth) + mm(1.6));
    }
    double stepHeight(const NEBPT::ProgramStep& step) const
    {
        return boxHeight(step.eventValue) + mm(1.2) + boxHeight(step.actionValue);
    }

    // A line down the flow from `from` to `to`, with its head at `to`.
    void arrow(double from, double to)
    {
        const double x = m_flowX, head = mm(2.2), wing = mm(1.3);
        add([=, this](QPainter& painter) {
            painter.setPen(QPen(kInk, mm(0.35), Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(QPointF(x, from), QPointF(x, to - head * 0.8));
            painter.setPen(Qt::NoPen);
            painter.setBrush(kInk);
            painter.drawPolygon(QPolygonF{QPointF(x, to), QPointF(x - wing, to - head),
                                          QPointF(x + wing, to - head)});
        });
    }

    // A note beside the flow's line, at height `middle`.
    void note(double middle, const QString& text)
    {
        const QFont noteFont = font(8, QFont::Normal, true);
        const double x = m_flowX + mm(6);
        add([=, this](QPainter& painter) {
            painter.setPen(kMuted);
            painter.setFont(noteFont);
            painter.drawText(QRectF(x, middle - mm(3), m_width - x, mm(6)),
                             Qt::AlignLeft | Qt::AlignVCenter, elided(noteFont, text, m_width - x));
        });
    }

    // An off-page connector at `top`, with the page the flow goes on to or came
    // from inside it and `text` beside it.
    static constexpr double kConnector = 7; // mm high
    void connector(double top, int page, const QString& text)
    {
        const double x = m_flowX, w = mm(4.5), h = mm(kConnector);
        const QFont numberFont = font(7.5, QFont::Bold);
        add([=, this](QPainter& painter) {
            painter.setPen(QPen(kInk, mm(0.35)));
            painter.setBrush(kBoxFill);
            painter.drawPolygon(QPolygonF{QPointF(x - w, top), QPointF(x + w, top),
                                          QPointF(x + w, top + h * 0.55), QPointF(x, top + h),
                                          QPointF(x - w, top + h * 0.55)});
            painter.setPen(kInk);
            painter.setFont(numberFont);
            painter.drawText(QRectF(x - w, top, 2 * w, h * 0.6), Qt::AlignCenter,
                             QString::number(page));
        });
        note(top + h / 2, text);
    }

    // An event or action box: its tag ("If") in `ink` on the left, the choice
    // text, and what its object holds beside it.
    void box(const QRectF& rect, const QString& tag, const QColor& ink, const QString& text,
             const QString& value)
    {
        const QFont textFont = boxFont(), tagFont = font(7.5, QFont::Bold),
                    shownValue = valueFont();
        const double tagWidth = mm(11);
        add([=, this](QPainter& painter) {
            QPainterPath outline;
            outline.addRoundedRect(rect, mm(1.2), mm(1.2));
            painter.fillPath(outline, kBoxFill);
            painter.setClipPath(outline);
            painter.fillRect(QRectF(rect.left(), rect.top(), tagWidth, rect.height()), ink);
            painter.setClipping(false);
            painter.setPen(QPen(ink, mm(0.3)));
            painter.drawPath(outline);
            painter.setPen(Qt::white);
            painter.setFont(tagFont);
            painter.drawText(QRectF(rect.left(), rect.top(), tagWidth, rect.height()),
                             Qt::AlignCenter, elided(tagFont, tag, tagWidth - mm(1)));
            const QRectF inside(rect.left() + tagWidth + mm(2), rect.top(),
                                rect.width() - tagWidth - mm(3), rect.height());
            painter.setPen(kText);
            painter.setFont(textFont);
            painter.drawText(inside, Qt::AlignLeft | Qt::AlignVCenter,
                             elided(textFont, text, inside.width()));
            if (value.isEmpty())
                return;
            painter.setPen(QPen(kRule, mm(0.3), Qt::DotLine));
            painter.drawLine(QPointF(rect.right() + mm(1), rect.center().y()),
                             QPointF(m_valueLeft - mm(1.5), rect.center().y()));
            painter.setPen(kMuted);
            painter.setFont(shownValue);
            painter.drawText(QRectF(m_valueLeft, rect.top(), m_valueWidth, rect.height()),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, value);
        });
    }

    // A pair: its number, its event box above its action box.
    void step(const NEBPT::ProgramStep& pair)
    {
        const double eventHeight = boxHeight(pair.eventValue);
        const double actionHeight = boxHeight(pair.actionValue);
        const QRectF event(m_boxLeft, m_y, m_boxWidth, eventHeight);
        const QRectF action(m_boxLeft, event.bottom() + mm(1.2), m_boxWidth, actionHeight);
        const QString label = shown(pair.label);
        const QFont labelFont = font(9, QFont::Bold);
        add([=, this](QPainter& painter) {
            painter.setPen(kInk);
            painter.setFont(labelFont);
            painter.drawText(
                QRectF(0, event.top(), m_boxLeft - mm(3), action.bottom() - event.top()),
                Qt::AlignRight | Qt::AlignVCenter, elided(labelFont, label, m_boxLeft - mm(3)));
        });
        box(event, shown(m_words.eventTag), kInk, shown(pair.event), shown(pair.eventValue));
        box(action, shown(m_words.actionTag), kActionInk, shown(pair.action),
            shown(pair.actionValue));
        m_y = action.bottom();
    }

    // The program's flow: the top arrow, the pairs with arrows between them,
    // the bottom arrow; broken between pairs where a page ends.
    void flow()
    {
        const std::vector<NEBPT::ProgramStep>& steps = m_program.steps;
        const QString name = shown(m_words.flow);
        const double dot = mm(2.6), line = mm(5.5), end = mm(8);
        const double breakRoom = mm(3) + mm(kConnector);
        const double first = dot + line + (steps.empty() ? end : stepHeight(steps.front()));
        if (!fits(headingHeight() + first + breakRoom))
            newPage();
        heading(name);

        // The top arrow: where the controller starts.
        const double start = m_y + mm(1);
        add([=, this](QPainter& painter) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kInk);
            painter.drawEllipse(QPointF(m_flowX, start + dot / 2), dot / 2, dot / 2);
        });
        note(start + dot / 2, shown(m_program.flowStart));
        arrow(start + dot / 2, start + dot + line);
        m_y = start + dot + line;

        for (size_t i = 0; i < steps.size(); ++i) {
            const double after = i + 1 == steps.size() ? end : breakRoom;
            if (i > 0 && fits(line + stepHeight(steps[i]) + after)) {
                arrow(m_y, m_y + line);
                m_y += line;
            } else if (i > 0) {
                // On to the next page through a connector, and in from it there.
                const int page = pageNumber();
                add([x = m_flowX, from = m_y, length = mm(3), this](QPainter& painter) {
                    painter.setPen(QPen(kInk, mm(0.35)));
                    painter.drawLine(QPointF(x, from), QPointF(x, from + length));
                });
                connector(m_y + mm(3), page + 1,
                          shown(m_words.continuedOn).arg(QString::number(page + 1)));
                newPage();
                heading(continued(name));
                connector(m_y, page, shown(m_words.continuedFrom).arg(QString::number(page)));
                arrow(m_y + mm(kConnector), m_y + mm(kConnector) + line);
                m_y += mm(kConnector) + line;
            }
            step(steps[i]);
        }

        // The bottom arrow, onto the end bar.
        const double bar = m_y + line;
        arrow(m_y, bar);
        add([=, this](QPainter& painter) {
            painter.setPen(QPen(kInk, mm(0.6), Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(QPointF(m_flowX - mm(4.5), bar), QPointF(m_flowX + mm(4.5), bar));
        });
        note(bar, shown(m_program.flowEnd));
        m_y = bar + mm(8);
    }

    // How wide each column is: the names' column as its longest text needs (at
    // most a third of the page), the others sharing the rest in proportion to
    // what theirs need. When they need more than there is, a column that needs
    // less than an even share of what is left gets what it needs, and the
    // longest texts wrap in what remains.
    std::vector<double> columnWidths(const QStringList& columns,
                                     const std::vector<QStringList>& rows, const QFont& cellFont,
                                     const QFont& headFont, double pad) const
    {
        const QFontMetricsF cell(cellFont, &m_device), head(headFont, &m_device);
        std::vector<double> natural;
        for (int c = 0; c < columns.size(); ++c) {
            double width = head.horizontalAdvance(columns[c]);
            for (const QStringList& row : rows)
                width = std::max(width, cell.horizontalAdvance(row.value(c)));
            natural.push_back(width + 2 * pad + mm(2));
        }
        std::vector<double> widths(natural.size());
        if (natural.empty())
            return widths;
        widths[0] = natural.size() == 1 ? m_width : std::min(natural[0], m_width / 3);
        const double rest = m_width - widths[0];
        const double wanted = std::accumulate(natural.begin() + 1, natural.end(), 0.0);
        if (wanted <= rest) {
            for (size_t c = 1; c < natural.size(); ++c)
                widths[c] = natural[c] * rest / wanted;
            return widths;
        }
        std::vector<size_t> narrowFirst(natural.size() - 1);
        std::iota(narrowFirst.begin(), narrowFirst.end(), size_t(1));
        std::stable_sort(narrowFirst.begin(), narrowFirst.end(),
                         [&natural](size_t a, size_t b) { return natural[a] < natural[b]; });
        double left = rest;
        for (size_t i = 0; i < narrowFirst.size(); ++i) {
            const size_t c = narrowFirst[i];
            widths[c] = std::min(natural[c], left / double(narrowFirst.size() - i));
            left -= widths[c];
        }
        return widths;
    }

    // A table under its heading, its columns' headings on each page it takes.
    void table(const NEBPT::ProgramTable& table)
    {
        const QFont cellFont = font(8.5), headFont = font(8.5, QFont::Bold);
        const double pad = mm(1.5);
        const QString name = shown(table.heading);
        QStringList columns;
        for (const std::string& column : table.columns)
            columns << shown(column);
        std::vector<QStringList> rows;
        for (const std::vector<std::string>& cells : table.rows) {
            QStringList row;
            for (const std::string& cell : cells)
                row << shown(cell);
            rows.push_back(row);
        }

        if (rows.empty()) {
            const QFont noneFont = font(8.5, QFont::Normal, true);
            const QString none = shown(m_program.noRows);
            const double noneHeight = height(noneFont, none, m_width) + 2 * pad;
            if (!fits(headingHeight() + noneHeight))
                newPage();
            heading(name);
            const QRectF line(0, m_y, m_width, noneHeight);
            add([=](QPainter& painter) {
                painter.setPen(kMuted);
                painter.setFont(noneFont);
                painter.drawText(line.adjusted(pad, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                                 none);
            });
            m_y += noneHeight + mm(5);
            return;
        }

        const std::vector<double> widths = columnWidths(columns, rows, cellFont, headFont, pad);
        const auto rowHeight = [&](const QStringList& cells, const QFont& font) {
            double tallest = 0;
            for (size_t c = 0; c < widths.size(); ++c)
                tallest = std::max(tallest, height(font, cells.value(int(c)), widths[c] - 2 * pad));
            return tallest + 2 * pad;
        };
        const auto paintRow = [&](const QStringList& cells, const QFont& font, double rowHeight,
                                  const QColor& fill, const QColor& ink) {
            const QRectF line(0, m_y, m_width, rowHeight);
            add([=, this](QPainter& painter) {
                if (fill.isValid())
                    painter.fillRect(line, fill);
                painter.setPen(QPen(kRule, mm(0.2)));
                painter.drawLine(line.bottomLeft(), line.bottomRight());
                painter.setPen(ink);
                painter.setFont(font);
                double x = 0;
                for (size_t c = 0; c < widths.size(); ++c) {
                    painter.drawText(
                        QRectF(x + pad, line.top() + pad, widths[c] - 2 * pad, rowHeight - 2 * pad),
                        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, cells.value(int(c)));
                    x += widths[c];
                }
            });
            m_y += rowHeight;
        };
        const double headHeight = rowHeight(columns, headFont);
        const auto begin = [&](const QString& heading) {
            this->heading(heading);
            paintRow(columns, headFont, headHeight, kInk, Qt::white);
        };

        // A table that fits on a page is kept whole; a longer one starts where it is,
        // with its first row.
        double whole = headingHeight() + headHeight;
        for (const QStringList& row : rows)
            whole += rowHeight(row, cellFont);
        if (!fits(whole) &&
            (whole <= m_bottom - mm(10) ||
             !fits(headingHeight() + headHeight + rowHeight(rows.front(), cellFont))))
            newPage();
        begin(name);
        for (size_t r = 0; r < rows.size(); ++r) {
            const double tall = rowHeight(rows[r], cellFont);
            if (!fits(tall)) {
                newPage();
                begin(continued(name));
            }
            paintRow(rows[r], cellFont, tall, r % 2 ? kStripe : QColor(), kText);
        }
        m_y += mm(6);
    }

    QPagedPaintDevice& m_device;
    const NEBPT::ProgramSections& m_program;
    const NEBPT::ProgramDocumentWords& m_words;
    const TitleBlock m_title;
    const QString m_when;
    const PrintoutTables& m_extra;

    double m_mm = 1;    // device pixels a millimetre
    double m_width = 0; // of the page inside its margins
    double m_bottom = 0;
    double m_boxLeft = 0, m_boxWidth = 0, m_valueLeft = 0, m_valueWidth = 0, m_flowX = 0;
    double m_y = 0; // where the next thing goes on the last page
    std::vector<std::vector<Painting>> m_pages;
};

} // namespace

bool writeProgramPrintout(QPagedPaintDevice& device, const NEBPT::ProgramSections& program,
                          const TitleBlock& title, const QDateTime& when,
                          const PrintoutTables* extra)
{
    return Document(device, program, title, when, extra ? *extra : PrintoutTables{}).write();
}

bool writeProgramPdf(const QString& path, const NEBPT::ProgramSections& program,
                     const TitleBlock& title, const QDateTime& when, QString& error,
                     const PrintoutTables& extra)
{
    // Made in memory and written whole: a failed write leaves no half document,
    // and whatever was there stays.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        QString documentTitle = shown(program.words.title);
        if (!title.project.isEmpty())
            documentTitle += QStringLiteral(" \u2013 ") + shown(title.project);
        writer.setTitle(documentTitle);
        writer.setCreator(QStringLiteral("nebpt-host"));
        if (!writeProgramPrintout(writer, program, title, when, &extra)) {
            error = path + QStringLiteral(": the document cannot be made");
            return false;
        }
    }
    std::string failure;
    if (!fw::writeFileAtomically(path.toLocal8Bit().toStdString(), bytes.toStdString(), failure)) {
        error = QString::fromStdString(failure);
        return false;
    }
    return true;
}
