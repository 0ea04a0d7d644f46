#pragma once

#include "ProgramWorkflow.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <vector>

class QPagedPaintDevice;

// What a program document is filed under, as the engineer gives it; a field
// left empty stays blank in the title block, to be filled in by hand.
struct TitleBlock
{
    QString project, author, revision;

    // As one value (a list of the three texts), to keep in the settings or in
    // an action's data; an empty value gives empty fields.
    QVariant toVariant() const;
    static TitleBlock fromVariant(const QVariant& kept);
};

// Tables a document files beside the program, laid out as the program's own:
// `first` below the title block, `last` after the program's tables (a fleet's
// report: the run, then its drives).
struct PrintoutTables
{
    std::vector<NEBPT::ProgramTable> first, last;
};

// The program as a document to file with a machine's papers, in the words of
// `program` (the drive's language and number format). The first page opens
// with the title block: the title, the drive, the project, author, revision
// and `when`. Then the program's flow, drawn from the program as the editor
// lays it out: the top arrow with the controller's mode and events, each pair
// with its number, its event and action boxes and what the objects they refer
// to hold, an arrow to the next step, the bottom arrow; a flow longer than a
// page breaks between pairs, with a connector naming the page it goes on to and
// the one it came from. Then the tables (pairs, comparators, logic rules as
// formulas, timers, controller settings); a table that goes on over a page
// break repeats its heading and its columns' headings there. Every page but
// the first has a header (title, project, revision), every page a footer with
// the drive and "Page x of y". The device's page margins are set (20 mm on the
// left, for filing). `extra` tables go where PrintoutTables says. False when the
// device cannot be painted on.
bool writeProgramPrintout(QPagedPaintDevice& device, const NEBPT::ProgramSections& program,
                          const TitleBlock& title, const QDateTime& when,
                          const PrintoutTables* extra = nullptr);

// The document as a PDF file (A4); false with `error` when it cannot be written.
bool writeProgramPdf(const QString& path, const NEBPT::ProgramSections& program,
                     const TitleBlock& title, const QDateTime& when, QString& error,
                     const PrintoutTables& extra = {});
