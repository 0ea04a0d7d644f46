#pragma once

#include <QCoreApplication>

#include <chrono>
#include <memory>
#include <string>

class ModbusDrive;
class QWidget;

// Reads a drive's program over its link off the GUI thread.
//
// A worker thread owns the drive while it runs: it connects (when it is given
// an address), asks the plug-in which parameters hold the program
// (NEBPT::programParameters) and fetches each of them whole
// (ModbusDrive::prefetch), so that the editor made afterwards on the GUI thread
// asks the drive for nothing. Meanwhile the GUI event loop keeps running under a
// window-modal progress dialog (object name "linkProgress", "Reading from
// <address>: n of m parameters") with a Cancel button that stops the worker
// after the request under way; the dialog stays until the worker has stopped.
// A fw::ModalScope lives as long as the dialog, so that deferred work of the
// plug-in waits. What the drive tells its observers on the worker reaches the
// dialog through queued calls; the caller's own observers on the drive must
// not touch widgets when called off the GUI thread.
class LinkReader
{
    // The dialog's texts in the host's language.
    Q_DECLARE_TR_FUNCTIONS(LinkReader)

public:
    enum class Outcome
    {
        Read,         // the drive keeps every program parameter
        Cancelled,    // the user stopped it
        NotConnected, // no link (`failure`: why)
        NotSupported, // the plug-in does not serve the drive's type and database
        NotRead,      // a read failed (`failure`: which, and why)
    };
    struct Result
    {
        Outcome outcome = Outcome::NotRead;
        std::unique_ptr<ModbusDrive> drive; // null only when not connected
        std::string failure;
    };

    // `window`: the window the progress dialog is modal to.
    explicit LinkReader(QWidget* window) : m_window(window) {}

    // Connects to the drive (as ModbusDrive's constructor does) and reads its program.
    Result connectAndRead(const std::string& address, const std::string& profile,
                          std::chrono::milliseconds timeout);
    // Reads the program of a drive connected already, anew (what it kept is
    // forgotten first). Nothing else may use the drive until this returns it.
    Result read(std::unique_ptr<ModbusDrive> drive);

private:
    struct Connection
    {
        std::string address, profile;
        std::chrono::milliseconds timeout;
    };
    Result run(std::unique_ptr<ModbusDrive> drive, const Connection* connection);

    QWidget* m_window;
};
