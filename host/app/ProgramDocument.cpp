#include "ProgramDocument.h"

#include "framework/AtomicFile.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

namespace {

QString escaped(const std::string& text)
{
    return QString::fromStdString(text).toHtmlEscaped();
}

// The sections as HTML tables: one table a section, the row label in the first
// column.
QString tables(const std::vector<NEBPT::ProgramSection>& sections)
{
    QString html;
    for (const NEBPT::ProgramSection& section : sections) {
        html += QStringLiteral("<h3>%1</h3>").arg(escaped(section.heading));
        html += QStringLiteral(
            "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">");
        for (const NEBPT::ProgramRow& row : section.rows) {
            html += QStringLiteral("<tr><td width=\"25%\">%1</td><td>%2</td></tr>")
                        .arg(escaped(row.label), escaped(row.text));
        }
        html += QStringLiteral("</table>");
    }
    return html;
}

} // namespace

void writeProgramDocument(QPagedPaintDevice& device, const NEBPT::ProgramSections& program,
                          const QImage& flow, const QDateTime& when)
{
    QTextDocument document;
    document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("flow.png")), flow);
    // The flow as wide as the text, at most as large as the editor shows it.
    const int width = qMin(flow.width(), 640);
    QString html = QStringLiteral("<h2>Controller program</h2><p>%1<br>%2</p>")
                       .arg(escaped(program.identity), when.toString(Qt::ISODate).toHtmlEscaped());
    if (!flow.isNull())
        html += QStringLiteral("<p><img src=\"flow.png\" width=\"%1\"></p>").arg(width);
    html += tables(program.sections);
    document.setHtml(html);
    // Not paginated itself: print() breaks it into the device's pages and puts
    // the page number at the foot of each.
    document.print(&device);
}

bool writeProgramPdf(const QString& path, const NEBPT::ProgramSections& program, const QImage& flow,
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
        writeProgramDocument(writer, program, flow, when);
    }
    std::string failure;
    if (!fw::writeFileAtomically(path.toLocal8Bit().toStdString(), bytes.toStdString(), failure)) {
        error = QString::fromStdString(failure);
        return false;
    }
    return true;
}
