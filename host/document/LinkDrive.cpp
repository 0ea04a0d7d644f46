#include "LinkDrive.h"

#include "ModbusDrive.h"

#include <QCoreApplication>
#include <QTimer>

LinkDrive::LinkDrive(DriveName name, const std::string& language, QObject* parent)
    : QObject(parent), m_name(std::move(name)), m_language(language)
{
    m_thread.setObjectName(QStringLiteral("link"));
    m_worker = new QObject;
    m_worker->moveToThread(&m_thread);
    // What lives on the link thread goes with it, on it.
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

LinkDrive::~LinkDrive()
{
    stop();
}

void LinkDrive::stop()
{
    if (!m_thread.isRunning())
        return;
    // The link thread finishes what it does (a read stops after the request
    // under way: its job has been told to stop), then lets go of the drive.
    QMetaObject::invokeMethod(
        m_worker,
        [this] {
            delete m_pollTimer;
            m_pollTimer = nullptr;
            m_poller.reset();
            m_drive = nullptr;
            m_owned.reset();
            m_thread.quit();
        },
        Qt::QueuedConnection);
    m_thread.wait();
}

void LinkDrive::post(std::function<void()> work, std::function<void()> then)
{
    QMetaObject::invokeMethod(
        m_worker,
        [this, work = std::move(work), then = std::move(then)] {
            work();
            if (then)
                QMetaObject::invokeMethod(this, then, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void LinkDrive::connectDrive()
{
    auto drive = std::make_unique<ModbusDrive>(m_name.address, m_name.profile, m_name.timeout);
    if (m_language.empty())
        m_language = drive->GetLanguage(); // the profile's
    else
        drive->setLanguage(m_language);
    m_driveType = drive->driveType();
    m_aocVersion = drive->aocVersion();
    m_databaseVersion = drive->databaseVersion();
    m_profileDatabase = drive->profileDatabaseVersion();
    // Told on the document's thread, once.
    drive->setLinkFailureObserver([this](const std::string& reason, bool partlyWritten) {
        const QString why = QString::fromStdString(reason);
        QMetaObject::invokeMethod(
            this, [this, why, partlyWritten] { emit linkLost(why, partlyWritten); },
            Qt::QueuedConnection);
    });
    m_owned = std::move(drive);
    m_drive = m_owned.get();
    takeState();
}

ModbusDrive& LinkDrive::connected() const
{
    ModbusDrive* drive = m_drive.load();
    if (!drive)
        throw DriveLinkError(m_name.address + ": not connected");
    return *drive;
}

void LinkDrive::takeState() const
{
    const ModbusDrive* drive = m_drive.load();
    if (!drive)
        return;
    m_lastRefusal = drive->lastRefusal();
    m_refusalShort = drive->refusalShort();
    m_readFailure = drive->readFailure();
    m_lastWrite = drive->lastWrite();
    m_linkFailure = drive->linkUp() ? std::string() : drive->linkFailure();
    m_writeRefusal = {drive->lastWriteRefusal().elements, drive->lastWriteRefusal().reason};
}

bool LinkDrive::prefetch(const std::vector<std::string>& numbers, const std::function<bool()>& stop,
                         const std::function<void(size_t)>& progress)
{
    return call([&](ModbusDrive& drive) {
        struct Observing
        {
            ModbusDrive& drive;
            ~Observing() { drive.setProgressObserver({}); }
        } observing{drive};
        drive.setProgressObserver(progress);
        return drive.prefetch(numbers, stop);
    });
}

void LinkDrive::writeAgain()
{
    call([](ModbusDrive& drive) { drive.writeAgain(); });
}

bool LinkDrive::readRegisters(int address, int count, std::uint16_t* into, const std::string& doing,
                              std::string& failure)
{
    return call([&](ModbusDrive& drive) {
        return drive.readHoldingRegisters(address, count, into, doing, failure);
    });
}

const modbusmap::Map& LinkDrive::registerMap() const
{
    return connected().registerMap();
}

bool LinkDrive::linkUp() const
{
    const ModbusDrive* drive = m_drive.load();
    return drive && drive->linkUp();
}

// --- the controller ---

void LinkDrive::startPolling(int expectedInputs)
{
    post([this, expectedInputs] {
        ModbusDrive* drive = m_drive.load();
        if (!drive)
            return;
        m_poller = std::make_unique<ControllerPoller>(*drive, expectedInputs);
        if (!m_pollTimer) {
            m_pollTimer = new QTimer(m_worker);
            m_pollTimer->setInterval(ControllerPoller::kInterval);
            connect(m_pollTimer, &QTimer::timeout, m_worker, [this] { pollNow(); });
        }
        m_pollTimer->start();
        pollNow();
    });
}

void LinkDrive::stopPolling()
{
    post([this] {
        if (m_pollTimer)
            m_pollTimer->stop();
        m_poller.reset();
    });
}

void LinkDrive::queueInput(std::size_t offset, std::int16_t value, unsigned number)
{
    post([this, offset, value, number] {
        if (!m_poller)
            return;
        m_poller->queueInput(offset, value, number);
        // Written and looked at once, the work queued before it done first.
        if (m_pollDue)
            return;
        m_pollDue = true;
        QMetaObject::invokeMethod(
            m_worker,
            [this] {
                m_pollDue = false;
                if (m_poller && m_poller->inputsQueued()) {
                    pollNow();
                    m_pollTimer->start();
                }
            },
            Qt::QueuedConnection);
    });
}

void LinkDrive::pollNow()
{
    if (!m_poller)
        return;
    ControllerPoll poll = m_poller->poll();
    QMetaObject::invokeMethod(
        this, [this, poll = std::move(poll)] { emit polled(poll); }, Qt::QueuedConnection);
}

// --- HostDrive ---

void LinkDrive::setLanguage(const std::string& language)
{
    m_language = language;
    if (m_drive.load())
        call([&](ModbusDrive& drive) { drive.setLanguage(language); });
}

void LinkDrive::forgetValues()
{
    call([](ModbusDrive& drive) { drive.forgetValues(); });
}

bool LinkDrive::accepts(unsigned long number, const std::string& text, std::string& stored,
                        std::string& reason) const
{
    return call([&](ModbusDrive& drive) { return drive.accepts(number, text, stored, reason); });
}

std::string LinkDrive::GetParameterName(const std::string& number)
{
    return call([&](ModbusDrive& drive) { return drive.GetParameterName(number); });
}

int LinkDrive::ReadParameterValue(const std::string& number, int index, std::string& value,
                                  const std::string& setup)
{
    return call(
        [&](ModbusDrive& drive) { return drive.ReadParameterValue(number, index, value, setup); });
}

int LinkDrive::WriteParameterValues(const std::vector<std::string>& identifiers,
                                    const std::vector<std::string>& values,
                                    const std::string& setup, int flag)
{
    // The document's thread waits for the drive: it shows that it does.
    const bool waits = !onLinkThread();
    if (waits)
        emit writing(true);
    struct Done
    {
        LinkDrive& drive;
        bool waits;
        ~Done()
        {
            if (waits)
                emit drive.writing(false);
        }
    } done{*this, waits};
    try {
        return call([&](ModbusDrive& drive) {
            return drive.WriteParameterValues(identifiers, values, setup, flag);
        });
    } catch (const HostError&) {
        if (m_refusalObserver)
            m_refusalObserver(m_lastRefusal);
        throw;
    }
}

std::vector<std::string> LinkDrive::GetChoiceList(const std::string& identifier)
{
    return call([&](ModbusDrive& drive) { return drive.GetChoiceList(identifier); });
}

unsigned long LinkDrive::GetElementCount(const std::string& number)
{
    return call([&](ModbusDrive& drive) { return drive.GetElementCount(number); });
}

int LinkDrive::GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                                      std::string& maximum, std::string& unit,
                                      std::string& decimals)
{
    return call([&](ModbusDrive& drive) {
        return drive.GetParameterAttributes(number, index, minimum, maximum, unit, decimals);
    });
}

int LinkDrive::GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                                std::string& dbVersion)
{
    // Read when the link was made.
    connected();
    driveName = m_driveType;
    aocVersion = m_aocVersion;
    dbVersion = m_databaseVersion;
    return 1;
}

int LinkDrive::RegisterParameters(const std::vector<std::string>& numbers)
{
    return call([&](ModbusDrive& drive) { return drive.RegisterParameters(numbers); });
}

std::string LinkDrive::GetLanguage()
{
    return m_language;
}

int LinkDrive::GetIndexBase()
{
    return call([](ModbusDrive& drive) { return drive.GetIndexBase(); });
}
