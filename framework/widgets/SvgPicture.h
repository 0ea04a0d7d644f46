#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class QSvgRenderer;

namespace fw {

// A static picture control showing an SVG drawing stretched over its rectangle.
// Templates use it for gates, negation marks and arrows, with the dynamic
// property "source" naming the drawing (e.g. ":/nebpt/and_gate.svg"). Mouse
// input passes through to the dialog, as it does for static texts. Pictures of
// the same drawing share one parsed copy of it.
class SvgPicture : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString source READ source WRITE setSource)

public:
    explicit SvgPicture(QWidget* parent = nullptr);

    QString source() const { return m_source; }
    // Loads the drawing; a source that does not load leaves the picture empty
    // and is reported with qWarning.
    void setSource(const QString& source);
    bool isLoaded() const { return m_renderer != nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_source;
    std::shared_ptr<QSvgRenderer> m_renderer; // null when the source does not load
};

} // namespace fw
