#pragma once

#include "ControllerPoller.h"
#include "HostDrive.h"
#include "OpenDrive.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

class ModbusDrive;
class QTimer;
namespace modbusmap {
struct Map;
}

// A drive over a Modbus link as a document holds it: a thread of its own (the
// link thread) owns the ModbusDrive and serves everything asked of the drive
// in order, its event queue being the order: the plug-in's calls, a job's
// reads and writes, the controller's polls and input writes. This object is
// the drive on the document's thread: each call of the host's parameter
// interface waits for the link thread to answer it (at once when the drive
// keeps the value), as the plug-in's synchronous host calls require; on the
// link thread itself (a job's work) it calls the drive directly. What the
// drive tells afterwards (its last refusal, its read failure, what a write
// left) is taken over after every call, so asking it waits for nothing.
//
// Its signals come on the document's thread: a link lost (once, as the drive
// tells it), the controller's polls.
class LinkDrive final : public QObject, public HostDrive, public DriveOverLink
{
    Q_OBJECT

public:
    // Starts the link thread; the drive is connected by connectDrive() and
    // answers in `language` (empty: its profile's).
    explicit LinkDrive(DriveName name, const std::string& language, QObject* parent = nullptr);
    // Lets the work queued end (a read stops after the request under way when
    // its job is told to stop), closes the link and ends the thread; stop() does
    // it before.
    ~LinkDrive() override;
    void stop();
    LinkDrive(const LinkDrive&) = delete;
    LinkDrive& operator=(const LinkDrive&) = delete;

    const DriveName& name() const { return m_name; }
    // Runs `work` on the link thread after what is queued there, then `then`
    // on this object's thread (unless this object has gone meanwhile).
    void post(std::function<void()> work, std::function<void()> then = {});
    bool onLinkThread() const { return QThread::currentThread() == &m_thread; }

    // --- on the link thread (a job's work) ---
    // Connects (ModbusDrive's constructor: the profile, the link, the drive's
    // identification); throws what it throws.
    void connectDrive();
    // Fetches the parameters whole (ModbusDrive::prefetch), telling `progress`
    // how many of them were read; false when `stop` said so.
    bool prefetch(const std::vector<std::string>& numbers, const std::function<bool()>& stop,
                  const std::function<void(size_t read)>& progress);
    void writeAgain();

    // --- from either thread ---
    // The drive on its thread; null until connected. Only its request counts
    // and linkUp() may be asked off the link thread.
    ModbusDrive* modbus() const { return m_drive.load(); }
    // Holding registers read as they are (ModbusDrive::readHoldingRegisters).
    bool readRegisters(int address, int count, std::uint16_t* into, const std::string& doing,
                       std::string& failure);
    // The profile's register map (as constant as the profile).
    const modbusmap::Map& registerMap() const;
    std::chrono::milliseconds timeout() const { return m_name.timeout; }

    // --- the controller, while a monitor watches it ---
    // Polls now and every ControllerPoller::kInterval (a poll is `polled`).
    void startPolling(int expectedInputs);
    void stopPolling();
    // Writes an input of the controller before the next poll, which comes at once.
    void queueInput(std::size_t offset, std::int16_t value, unsigned number);

    // --- DriveOverLink ---
    bool linkUp() const override;
    std::string linkFailure() const override { return m_linkFailure; }
    const std::string& profilePath() const override { return m_name.profile; }
    const std::string& profileDatabaseVersion() const override { return m_profileDatabase; }
    Refusal lastWriteRefusal() const override { return m_writeRefusal; }

    // --- HostDrive ---
    std::string location() const override { return m_name.address; }
    const std::string& driveType() const override { return m_driveType; }
    const std::string& aocVersion() const override { return m_aocVersion; }
    const std::string& databaseVersion() const override { return m_databaseVersion; }
    const std::string& readOnlyReason() const override { return m_noReason; }
    void setLanguage(const std::string& language) override;
    const std::string& lastRefusal() const override { return m_lastRefusal; }
    std::string refusalShort() const override { return m_refusalShort; }
    void setWriteRefusalObserver(std::function<void(const std::string&)> observer) override
    {
        m_refusalObserver = std::move(observer);
    }
    void forgetValues() override;
    std::string readFailure() const override { return m_readFailure; }
    WriteOutcome lastWrite() const override { return m_lastWrite; }
    bool accepts(unsigned long number, const std::string& text, std::string& stored,
                 std::string& reason) const override;

    // --- IExtParamInterface ---
    std::string GetParameterName(const std::string& number) override;
    int ReadParameterValue(const std::string& number, int index, std::string& value,
                           const std::string& setup) override;
    int WriteParameterValues(const std::vector<std::string>& identifiers,
                             const std::vector<std::string>& values, const std::string& setup,
                             int flag) override;
    std::vector<std::string> GetChoiceList(const std::string& identifier) override;
    unsigned long GetElementCount(const std::string& number) override;
    int GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                               std::string& maximum, std::string& unit,
                               std::string& decimals) override;
    int GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                         std::string& dbVersion) override;
    int RegisterParameters(const std::vector<std::string>& numbers) override;
    std::string GetLanguage() override;
    int GetIndexBase() override;

signals:
    // The link went down for good (ModbusDrive's link failure observer).
    void linkLost(const QString& reason, bool partlyWritten);
    void polled(const ControllerPoll& poll);
    // A write of this thread's waits for the drive (true), or is over.
    void writing(bool busy);

private:
    // Runs `work` with the drive on the link thread and waits for it; takes
    // over what the drive tells afterwards, whatever the work did.
    template <typename Work>
    auto call(Work work) const -> std::invoke_result_t<Work&, ModbusDrive&>;
    ModbusDrive& connected() const;
    // Takes over the drive's state (on the link thread, or while it waits).
    void takeState() const;
    void pollNow();

    DriveName m_name;
    QThread m_thread;
    QObject* m_worker = nullptr; // on the link thread
    std::unique_ptr<ModbusDrive> m_owned;
    std::atomic<ModbusDrive*> m_drive{nullptr};
    std::string m_language;
    std::string m_driveType, m_aocVersion, m_databaseVersion, m_profileDatabase;
    const std::string m_noReason;
    std::function<void(const std::string&)> m_refusalObserver;
    // What the drive told after the last call.
    mutable std::string m_lastRefusal, m_refusalShort, m_readFailure, m_linkFailure;
    mutable WriteOutcome m_lastWrite;
    mutable Refusal m_writeRefusal;
    // The controller's polls, on the link thread.
    std::unique_ptr<ControllerPoller> m_poller;
    QTimer* m_pollTimer = nullptr;
    bool m_pollDue = false;
};

template <typename Work>
auto LinkDrive::call(Work work) const -> std::invoke_result_t<Work&, ModbusDrive&>
{
    using Result = std::invoke_result_t<Work&, ModbusDrive&>;
    ModbusDrive& drive = connected();
    const auto run = [&]() -> Result {
        try {
            if constexpr (std::is_void_v<Result>) {
                work(drive);
                takeState();
            } else {
                Result result = work(drive);
                takeState();
                return result;
            }
        } catch (...) {
            takeState();
            throw;
        }
    };
    if (onLinkThread())
        return run();
    std::exception_ptr failure;
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(
            m_worker,
            [&] {
                try {
                    run();
                } catch (...) {
                    failure = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (failure)
            std::rethrow_exception(failure);
    } else {
        std::optional<Result> result;
        QMetaObject::invokeMethod(
            m_worker,
            [&] {
                try {
                    result.emplace(run());
                } catch (...) {
                    failure = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (failure)
            std::rethrow_exception(failure);
        return std::move(*result);
    }
}
