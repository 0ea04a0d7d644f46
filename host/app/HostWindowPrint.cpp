#include "HostWindow.h"

#include "ProgramPrintout.h"

#include "NEBPTMain.h"
#include "ProgramWorkflow.h"
#include "framework/MessageBox.h"

#include <QAction>
#include <QDateTime>
#include <QDockWidget>
#include <QFormLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QSettings>
#include <QStatusBar>

// The window's File > Print and Tools > Check program: what it makes of the
// program the editor shows.

namespace {

void tell(const QString& text)
{
    fw::messageBox(text.toStdString(), fw::MB_OK | fw::MB_ICONWARNING, "nebpt-host");
}

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

void HostWindow::createPrintAction()
{
    m_printAction = m_fileMenu->addAction(QString(), this, [this] {
        QPrinter printer;
        printer.setPageSize(QPageSize(QPageSize::A4));
        QPrintDialog dialog(&printer, this);
        // The document's title block on a tab of the dialog's options, as last
        // given in this window or, at first, as the settings keep it.
        if (!m_printAction->data().isValid() && m_settings)
            m_printAction->setData(m_settings->value(QStringLiteral("print/titleBlock")));
        const TitleBlock last = TitleBlock::fromVariant(m_printAction->data());
        auto* titleTab = new QWidget;
        titleTab->setWindowTitle(tr("Title block"));
        auto* form = new QFormLayout(titleTab);
        const auto field = [form](const char* name, const QString& label, const QString& text) {
            auto* edit = new QLineEdit(text);
            edit->setObjectName(QLatin1String(name));
            form->addRow(label, edit);
            return edit;
        };
        const QLineEdit* project = field("printProject", tr("Pro&ject:"), last.project);
        const QLineEdit* author = field("printAuthor", tr("A&uthor:"), last.author);
        const QLineEdit* revision = field("printRevision", tr("Re&vision:"), last.revision);
        dialog.setOptionTabs({titleTab});
        if (dialog.exec() != QDialog::Accepted)
            return;
        const QVariant given =
            TitleBlock{project->text(), author->text(), revision->text()}.toVariant();
        m_printAction->setData(given);
        if (m_settings) {
            m_settings->setValue(QStringLiteral("print/titleBlock"), given);
            syncSettings();
        }
        const QString conflict = m_document->outputConflict(printer.outputFileName());
        if (!conflict.isEmpty())
            tell(tr("The program is not printed: %1.").arg(conflict));
        else if (!printer.outputFileName().isEmpty())
            printProgramToPdf(printer.outputFileName()); // written whole, or not at all
        else
            printProgram(printer);
    });
    m_printAction->setShortcut(QKeySequence::Print);
    m_printAction->setObjectName(QStringLiteral("actionPrint"));
}

std::vector<std::string> HostWindow::checkProgram()
{
    std::vector<std::string> texts;
    std::vector<NEBPT::ProgramFinding> findings;
    std::string failure;
    HostDrive* edited = m_document->edited();
    if (!edited || !m_document->entry() || !NEBPT::checkProgram(*edited, findings, failure)) {
        if (edited && m_document->entry())
            tell(tr("The program cannot be checked.\n\n%1").arg(fromStd(failure)));
        return texts;
    }
    m_findingList->clear();
    if (findings.empty()) {
        auto* item = new QListWidgetItem(tr("Nothing in the program looks wrong."), m_findingList);
        item->setData(Qt::UserRole, -1);
    }
    for (const NEBPT::ProgramFinding& finding : findings) {
        texts.push_back(finding.text);
        auto* item = new QListWidgetItem(fromStd(finding.text), m_findingList);
        item->setData(Qt::UserRole, finding.pair);
        item->setToolTip(finding.pair >= 0 ? tr("Return or a double click selects the pair")
                                           : QString());
    }
    m_checkDock->show();
    m_checkDock->raise();
    m_findingList->setCurrentRow(0);
    m_findingList->setFocus(Qt::OtherFocusReason);
    statusBar()->showMessage(findings.empty() ? tr("Nothing in the program looks wrong")
                                              : tr("%n finding(s) in the program", nullptr,
                                                   static_cast<int>(findings.size())));
    return texts;
}

bool HostWindow::programSections(NEBPT::ProgramSections& sections)
{
    if (!m_document->entry())
        return false;
    std::string failure;
    if (!NEBPT::programSections(*m_document->edited(), location().toStdString(), sections,
                                failure)) {
        tell(tr("The program cannot be printed.\n\n%1").arg(fromStd(failure)));
        return false;
    }
    return true;
}

bool HostWindow::printProgram(QPagedPaintDevice& device)
{
    NEBPT::ProgramSections sections;
    if (!programSections(sections))
        return false;
    if (!writeProgramPrintout(device, sections, TitleBlock::fromVariant(m_printAction->data()),
                              QDateTime::currentDateTime())) {
        tell(tr("The program cannot be printed: the printer cannot be used."));
        return false;
    }
    return true;
}

bool HostWindow::printProgramToPdf(const QString& path)
{
    NEBPT::ProgramSections sections;
    QString error;
    if (!programSections(sections))
        return false;
    if (!writeProgramPdf(path, sections, TitleBlock::fromVariant(m_printAction->data()),
                         QDateTime::currentDateTime(), error)) {
        tell(tr("The program cannot be printed to %1.\n\n%2").arg(path, error));
        return false;
    }
    statusBar()->showMessage(tr("Program printed to %1").arg(path));
    return true;
}
