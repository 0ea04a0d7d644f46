#include "ElidedLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QStyle>

namespace fw {

namespace {

// What a screen reader is told of a label: a static text, its whole text.
class AccessibleLabel : public QAccessibleWidget
{
public:
    explicit AccessibleLabel(ElidedLabel* label) : QAccessibleWidget(label, QAccessible::StaticText)
    {}
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return static_cast<const ElidedLabel*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* accessibleLabel(const QString& className, QObject* object)
{
    if (className == QLatin1String(ElidedLabel::staticMetaObject.className()))
        return new AccessibleLabel(static_cast<ElidedLabel*>(object));
    return nullptr;
}

} // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleLabel);
        return true;
    }();
    (void)factoryInstalled;
}

void ElidedLabel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
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
    updateGeometry();
    update();
}

QSize ElidedLabel::sizeHint() const
{
    const QFontMetrics metrics(shownFont());
    return {metrics.horizontalAdvance(m_text), metrics.height()};
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
    return QFontMetrics(font).elidedText(m_text, Qt::ElideRight, width());
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
    painter.setFont(font);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    if (m_colour.isValid() && isEnabled()) {
        painter.setPen(m_colour);
        painter.drawText(rect(), flags, shown);
    } else {
        style()->drawItemText(&painter, rect(), flags, palette(), isEnabled(), shown,
                              foregroundRole());
    }
    // Whole where it is cut short, for the mouse and for a screen reader.
    const QString whole = shown != m_text ? m_text : QString();
    if (toolTip() != whole)
        setToolTip(whole);
    if (accessibleDescription() != whole)
        setAccessibleDescription(whole);
}

} // namespace fw
