#include "ElidedLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QStyle>

namespace fw {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setText(const QString& text)
{
    if (text != this->text())
        QLabel::setText(text);
}

void ElidedLabel::setTextColour(const QColor& colour)
{
    if (colour == m_colour)
        return;
    m_colour = colour;
    update();
}

void ElidedLabel::setBold(bool bold)
{
    if (bold == m_bold)
        return;
    m_bold = bold;
    update();
}

QFont ElidedLabel::shownFont() const
{
    QFont shown = font();
    if (m_bold)
        shown.setBold(true);
    return shown;
}

QString ElidedLabel::shownText(const QFont& font) const
{
    const int m = margin();
    return QFontMetrics(font).elidedText(text(), Qt::ElideRight, contentsRect().width() - 2 * m);
}

QString ElidedLabel::shownText() const
{
    return shownText(shownFont());
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    const QFont font = shownFont();
    const QString shown = shownText(font);
    QPainter painter(this);
    drawFrame(&painter);
    painter.setFont(font);
    const int m = margin();
    const QRect room = contentsRect().adjusted(m, m, -m, -m);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    if (m_colour.isValid() && isEnabled()) {
        painter.setPen(m_colour);
        painter.drawText(room, flags, shown);
    } else {
        style()->drawItemText(&painter, room, flags, palette(), isEnabled(), shown,
                              foregroundRole());
    }
    // Whole where it is cut short, for the mouse and for a screen reader.
    const QString whole = shown != text() ? text() : QString();
    if (toolTip() != whole)
        setToolTip(whole);
    if (accessibleDescription() != whole)
        setAccessibleDescription(whole);
}

} // namespace fw
