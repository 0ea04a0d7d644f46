#include "ProgramDocument.h"

#include "framework/AtomicFile.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <QStringList>
#include <QTextDocument>
#include <QUrl>

namespace {

// The printed program as HTML tables: one table a section, the row label in the
// first column.
QString tables(const QStringList& lines)
{
    QString html;
    bool open = false;
    for (const QString& line : lines) {
        if (!line.startsWith(QLatin1String("  "))) {
            if (open)
                html += QStringLiteral("</table>");
            html += QStringLiteral("<h3>%1</h3>").arg(line.toHtmlEscaped());
            html += QStringLiteral(
                "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">");
            open = true;
            continue;
        }
        const QString row = line.trimmed();
        const qsizetype colon = row.indexOf(QLatin1String(": "));
        html += QStringLiteral("<tr><td width=\"25%\">%1</td><td>%2</td></tr>")
                    .arg(row.left(colon).toHtmlEscaped(), row.mid(colon + 2).toHtmlEscaped());
    }
    if (open)
        html += QStringLiteral("</table>");
    return html;
}

} // namespace

void writeProgramDocument(QPagedPaintDevice& device, const QString& printed, const QImage& flow,
                          const QDateTime& when)
{
    QStringList lines = printed.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString identity = lines.isEmpty() ? QString() : lines.takeFirst();
    QTextDocument document;
    document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("flow.png")), flow);
    // The flow as wide as the text, at most as large as the editor shows it.
    const int width = qMin(flow.width(), 640);
    QString html = QStringLiteral("<h2>Controller program</h2><p>%1<br>%2</p>")
                       .arg(identity.toHtmlEscaped(), when.toString(Qt::ISODate).toHtmlEscaped());
    if (!flow.isNull())
        html += QStringLiteral("<p><img src=\"flow.png\" width=\"%1\"></p>").arg(width);
    html += tables(lines);
    document.setHtml(html);
    // Not paginated itself: print() breaks it into the device's pages and puts
    // the page number at the foot of each.
    document.print(&device);
}

bool writeProgramPdf(const QString& path, const QString& printed, const QImage& flow,
                     const QDateTime& when, QString& error)
{
    // Made in memory and written whole: a failed write leaves no half document,
    // and whatever was there stays.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setTitle(QStringLiteral("Controller program"));
        writer.setCreator(QStringLiteral("nebpt-host"));
        writeProgramDocument(writer, printed, flow, when);
    }
    std::string failure;
    if (!fw::writeFileAtomically(path.toLocal8Bit().toStdString(), bytes.toStdString(), failure)) {
        error = QString::fromStdString(failure);
        return false;
    }
    return true;
}
