#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

namespace fw {

// A static text on one line that shows as much of its text as its width holds:
// a text cut short ends with "…", and then the whole text is the label's tool
// tip and accessible description (both set when it is painted: a label that is
// never seen measures nothing). Plain text, left aligned and centred vertically;
// mouse clicks pass on to the dialog, as they do for every static text. Cheap to
// make in numbers: a colour and boldness of its own change no palette or font.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // Sets the whole text (QLabel::setText, which is not virtual, does the same
    // but for an unchanged text, which it repaints).
    void setText(const QString& text);
    // The text's colour; invalid (the default): the palette's.
    void setTextColour(const QColor& colour);
    void setBold(bool bold);

    // What the label shows: the whole text, or the part that fits and "…".
    QString shownText() const;
    bool isElided() const { return shownText() != text(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont shownFont() const;
    QString shownText(const QFont& font) const;

    QColor m_colour;
    bool m_bold = false;
};

} // namespace fw
