#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace fw {

// A static text on one line that shows as much of its text as its width holds:
// a text cut short ends with "…", and then the whole text is the label's tool
// tip and accessible description (both set when it is painted: a label that is
// never seen measures nothing). Plain text, left aligned and centred vertically;
// mouse clicks pass on to the window beneath, as they do for every static text.
// Cheap to make in numbers (a flow has a few per pair): a plain widget that
// paints its text, rather than a QLabel with all it can show; a colour and
// boldness of its own change no palette or font. Screen readers meet it as a
// static text named by its whole text.
class ElidedLabel : public QWidget
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    const QString& text() const { return m_text; }
    void setText(const QString& text);
    // The text's colour; invalid (the default): the palette's.
    void setTextColour(const QColor& colour);
    void setBold(bool bold);

    // What the label shows: the whole text, or the part that fits and "…".
    QString shownText() const;
    bool isElided() const { return shownText() != m_text; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont shownFont() const;
    QString shownText(const QFont& font) const;

    QString m_text;
    QColor m_colour;
    bool m_bold = false;
};

} // namespace fw
