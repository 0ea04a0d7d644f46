#pragma once

#include "FleetFile.h"

#include <QDialog>
#include <QString>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QThread;

// File > Fleet: one program into the drives a fleet file names, as
// nebpt-host --fleet --import does it (host/fleet/FleetRun.h), with the drives
// in a table (name, address, state, progress, outcome) that follows the run.
// The program is a program file the user chooses; Start runs the fleet on a
// thread of its own while the dialog stays responsive, Cancel lets every drive
// end in a defined state: one that has not begun to write is "cancelled" with
// nothing written, one being written finishes its import. The summary under
// the table tells how the drives ended. Save report writes the report the
// command writes (--report), atomically, never over one of the run's inputs.
//
// Closing the dialog while the fleet runs asks whether to cancel it; the
// dialog closes once the drives have ended.
class FleetDialog : public QDialog
{
    Q_OBJECT

public:
    // The fleet file has been read (fleet::readFleetFile) into `drives`.
    FleetDialog(const QString& fleetFile, std::vector<fleet::FleetDrive> drives,
                QWidget* parent = nullptr);
    ~FleetDialog() override;

    void setProgram(const QString& path);
    bool running() const { return m_running != nullptr; }
    // The report of the last run; empty before one ended.
    const std::string& report() const { return m_report; }

public slots:
    // Runs the fleet; false after a message box when it cannot start.
    bool start();
    // Asks the drives of the run to end (see above).
    void cancel();
    // Asks where and writes the report there; false when nothing was written.
    bool saveReport();

signals:
    // The run has ended, every drive with it.
    void finished();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class Observer;

    void chooseProgram();
    void showState(int drive, const QString& state, int percent);
    void showEnded(int drive, const QString& outcome, const QString& failure);
    void ended(const QString& errors);
    void updateButtons();
    void retranslate();

    const QString m_fleetFile;
    const std::vector<fleet::FleetDrive> m_drives;
    std::vector<std::string> m_outcomes; // as the report tells them; empty: not ended
    QTableWidget* m_table = nullptr;
    QLabel* m_programLabel = nullptr;
    QLineEdit* m_program = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_close = nullptr;
    QLabel* m_summary = nullptr;
    std::atomic<bool> m_cancelled{false};
    std::unique_ptr<Observer> m_observer;
    QThread* m_running = nullptr; // the run under way
    std::string m_report;
    bool m_closeWhenEnded = false;
};
