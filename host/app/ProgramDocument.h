#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

class QPagedPaintDevice;

// The program as a document to file with a machine's papers: a title with the
// drive's identity and the date, a picture of the flow as the editor draws it,
// and the tables of the printed program (pairs, comparators, logic rules,
// timers, controller settings), laid out for the device's pages (A4) with page
// numbers. `printed` is the text printProgram writes: its first line is the
// drive's identity, each further line a section heading or a row
// ("  Pair 3: Logic rule 1 -> Set relay 1 high").
void writeProgramDocument(QPagedPaintDevice& device, const QString& printed, const QImage& flow,
                          const QDateTime& when);

// The document as a PDF file (A4); false with `error` when it cannot be written.
bool writeProgramPdf(const QString& path, const QString& printed, const QImage& flow,
                     const QDateTime& when, QString& error);
