#include "SvgPicture.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QResource>
#include <QSvgRenderer>

namespace fw {

namespace {

// The parsed drawing of `source`, shared by the pictures that show the same
// bytes (a column of pairs shows the same few drawings hundreds of times; the
// bytes, not the name, tell drawings apart, as another language library may
// hold another drawing under the same name). Null when it does not load.
std::shared_ptr<QSvgRenderer> sharedDrawing(const QString& source)
{
    static QHash<QByteArray, std::weak_ptr<QSvgRenderer>> drawings;
    // A resource is looked at where it lies (no copy, no read buffer), a file read.
    QByteArray bytes;
    if (const QResource resource(source); resource.isValid()) {
        bytes = resource.uncompressedData();
    } else {
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly))
            return nullptr;
        bytes = file.readAll();
    }
    if (std::shared_ptr<QSvgRenderer> shared = drawings.value(bytes).lock())
        return shared;
    auto drawing = std::make_shared<QSvgRenderer>(bytes);
    if (!drawing->isValid())
        return nullptr;
    drawings.removeIf([](const auto& entry) { return entry.value().expired(); });
    // A copy of its own: the resource goes with its language library.
    drawings.insert(QByteArray(bytes.constData(), bytes.size()), drawing);
    return drawing;
}

} // namespace

SvgPicture::SvgPicture(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SvgPicture::setSource(const QString& source)
{
    m_source = source;
    m_renderer = sharedDrawing(source);
    if (!m_renderer)
        qWarning("NEBPT framework: picture %s does not load", qPrintable(source));
    update();
}

void SvgPicture::paintEvent(QPaintEvent*)
{
    if (!m_renderer)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_renderer->render(&painter, QRectF(rect()));
}

} // namespace fw
