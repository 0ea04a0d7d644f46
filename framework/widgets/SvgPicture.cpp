#include "SvgPicture.h"

#include <QPainter>

namespace fw {

SvgPicture::SvgPicture(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SvgPicture::setSource(const QString& source)
{
    m_source = source;
    if (!m_renderer.load(source))
        qWarning("NEBPT framework: picture %s does not load", qPrintable(source));
    update();
}

void SvgPicture::paintEvent(QPaintEvent*)
{
    if (!m_renderer.isValid())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_renderer.render(&painter, QRectF(rect()));
}

} // namespace fw
