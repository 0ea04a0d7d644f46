#pragma once

#include "ProgramWorkflow.h"

#include <QDateTime>
#include <QImage>
#include <QString>

class QPagedPaintDevice;

// The program as a document to file with a machine's papers: a title with the
// drive's identity and the date, a picture of the flow as the editor draws it,
// and the tables of the printed program (pairs, comparators, logic rules,
// timers, controller settings), laid out for the device's pages (A4) with page
// numbers. `program` is the program as the library gives it (programSections):
// the drive's identity, then one table a section, under its heading.
void writeProgramDocument(QPagedPaintDevice& device, const NEBPT::ProgramSections& program,
                          const QImage& flow, const QDateTime& when);

// The document as a PDF file (A4); false with `error` when it cannot be written.
bool writeProgramPdf(const QString& path, const NEBPT::ProgramSections& program, const QImage& flow,
                     const QDateTime& when, QString& error);
