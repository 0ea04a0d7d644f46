#include "ConnectDialog.h"

#include "DriveAddress.h"
#include "ModbusDrive.h"

#include "framework/widgets/FileDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QThread>
#include <QVBoxLayout>

#include <chrono>
#include <exception>

namespace {

constexpr int kTcpPage = 0;
constexpr int kRtuPage = 1;
constexpr int kDefaultPort = 502;

QSpinBox* unitBox()
{
    auto* unit = new QSpinBox;
    unit->setRange(0, 247);
    return unit;
}

} // namespace

ConnectDialog::ConnectDialog(const QString& address, const QString& profile, int timeoutMs,
                             QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("connectDialog"));
    m_kind = new QComboBox;
    m_kind->setObjectName(QStringLiteral("linkKind"));
    m_kind->addItems({QString(), QString()});

    auto* tcp = new QWidget;
    auto* tcpForm = new QFormLayout(tcp);
    m_host = new QLineEdit;
    m_host->setObjectName(QStringLiteral("linkHost"));
    m_port = new QSpinBox;
    m_port->setObjectName(QStringLiteral("linkPort"));
    m_port->setRange(1, 65535);
    m_port->setValue(kDefaultPort);
    m_tcpUnit = unitBox();
    m_tcpUnit->setObjectName(QStringLiteral("linkTcpUnit"));
    addRow(*tcpForm, m_host, m_host, nullptr, QT_TR_NOOP("&Host or address:"));
    addRow(*tcpForm, m_port, m_port, nullptr, QT_TR_NOOP("&Port:"));
    addRow(*tcpForm, m_tcpUnit, m_tcpUnit, nullptr, QT_TR_NOOP("&Unit:"));

    auto* rtu = new QWidget;
    auto* rtuForm = new QFormLayout(rtu);
    m_device = new QComboBox;
    m_device->setObjectName(QStringLiteral("linkDevice"));
    m_device->setEditable(true);
    // The serial lines this machine has, as a start.
    const QStringList lines = QDir(QStringLiteral("/dev"))
                                  .entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*"),
                                              QStringLiteral("ttyS*")},
                                             QDir::System);
    for (const QString& line : lines)
        m_device->addItem(QStringLiteral("/dev/") + line);
    m_baud = new QComboBox;
    m_baud->setObjectName(QStringLiteral("linkBaud"));
    m_baud->setEditable(true);
    for (const int baud : {9600, 19200, 38400, 57600, 115200})
        m_baud->addItem(QString::number(baud));
    m_baud->setCurrentText(QString::number(DriveAddress::kDefaultBaud));
    m_parity = new QComboBox;
    m_parity->setObjectName(QStringLiteral("linkParity"));
    m_parity->addItems({QString(), QString(), QString()});
    m_parity->setCurrentIndex(1);
    m_rtuUnit = unitBox();
    m_rtuUnit->setObjectName(QStringLiteral("linkRtuUnit"));
    addRow(*rtuForm, m_device, m_device, nullptr, QT_TR_NOOP("&Serial device:"));
    addRow(*rtuForm, m_baud, m_baud, nullptr, QT_TR_NOOP("&Baud rate:"));
    addRow(*rtuForm, m_parity, m_parity, nullptr, QT_TR_NOOP("P&arity:"));
    addRow(*rtuForm, m_rtuUnit, m_rtuUnit, nullptr, QT_TR_NOOP("U&nit:"));

    m_pages = new QStackedWidget;
    m_pages->addWidget(tcp);
    m_pages->addWidget(rtu);
    connect(m_kind, &QComboBox::currentIndexChanged, m_pages, &QStackedWidget::setCurrentIndex);

    m_profile = new QLineEdit(profile);
    m_profile->setObjectName(QStringLiteral("linkProfile"));
    m_browse = new QPushButton;
    m_browse->setObjectName(QStringLiteral("linkBrowse"));
    connect(m_browse, &QPushButton::clicked, this, &ConnectDialog::chooseProfile);
    auto* profileRow = new QHBoxLayout;
    profileRow->addWidget(m_profile, 1);
    profileRow->addWidget(m_browse);
    m_timeout = new QSpinBox;
    m_timeout->setObjectName(QStringLiteral("linkTimeout"));
    m_timeout->setRange(50, 600000);
    m_timeout->setSingleStep(100);
    m_timeout->setValue(timeoutMs);

    auto* common = new QFormLayout;
    addRow(*common, m_kind, m_kind, nullptr, QT_TR_NOOP("&Link:"));
    common->addRow(m_pages);
    addRow(*common, m_profile, nullptr, profileRow, QT_TR_NOOP("P&rofile:"));
    addRow(*common, m_timeout, m_timeout, nullptr, QT_TR_NOOP("Answer time&out:"));

    m_result = new QLabel;
    m_result->setObjectName(QStringLiteral("linkTestResult"));
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_testButton = m_buttons->addButton(QString(), QDialogButtonBox::ActionRole);
    m_testButton->setObjectName(QStringLiteral("linkTest"));
    connect(m_testButton, &QPushButton::clicked, this, &ConnectDialog::test);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &ConnectDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &ConnectDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(common);
    layout->addWidget(m_result);
    layout->addWidget(m_buttons);

    retranslate();
    showAddress(address);
    if (m_host->text().isEmpty())
        m_host->setText(QStringLiteral("127.0.0.1"));
}

ConnectDialog::~ConnectDialog()
{
    // A Test under way ends within its timeout; it reports to nobody then.
    if (m_testing) {
        m_testing->wait();
        delete m_testing;
    }
}

void ConnectDialog::retranslate()
{
    setWindowTitle(tr("Connect to drive"));
    m_kind->setItemText(kTcpPage, tr("Modbus TCP"));
    m_kind->setItemText(kRtuPage, tr("Modbus RTU (serial line)"));
    m_parity->setItemText(0, tr("None (N)"));
    m_parity->setItemText(1, tr("Even (E)"));
    m_parity->setItemText(2, tr("Odd (O)"));
    for (QSpinBox* unit : {m_tcpUnit, m_rtuUnit})
        unit->setSpecialValueText(tr("the profile's"));
    m_timeout->setSuffix(tr(" ms"));
    m_browse->setText(tr("Bro&wse..."));
    m_testButton->setText(tr("&Test"));
    m_buttons->button(QDialogButtonBox::Ok)->setText(tr("&Connect"));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    // Each field by its label, for the eye and for a screen reader.
    for (const Row& row : m_rows) {
        row.label->setText(tr(row.text));
        row.field->setAccessibleName(
            tr(row.text).remove(QLatin1Char('&')).remove(QLatin1Char(':')).trimmed());
    }
}

void ConnectDialog::addRow(QFormLayout& form, QWidget* buddy, QWidget* field, QLayout* fields,
                           const char* text)
{
    auto* label = new QLabel;
    label->setBuddy(buddy);
    if (fields)
        form.addRow(label, fields);
    else
        form.addRow(label, field);
    m_rows.push_back({label, buddy, text});
}

void ConnectDialog::showAddress(const QString& address)
{
    if (address.isEmpty())
        return;
    try {
        const DriveAddress parsed = DriveAddress::parse(address.toStdString());
        if (parsed.kind == DriveAddress::Kind::Tcp) {
            m_kind->setCurrentIndex(kTcpPage);
            m_host->setText(QString::fromStdString(parsed.host));
            m_port->setValue(parsed.port);
            m_tcpUnit->setValue(parsed.unit);
        } else {
            m_kind->setCurrentIndex(kRtuPage);
            m_device->setCurrentText(QString::fromStdString(parsed.device));
            m_baud->setCurrentText(QString::number(parsed.baud));
            m_parity->setCurrentIndex(parsed.parity == 'N' ? 0 : parsed.parity == 'O' ? 2 : 1);
            m_rtuUnit->setValue(parsed.unit);
        }
    } catch (const DriveAddressError&) {
        // A kept address that no longer reads is not offered.
    }
}

QString ConnectDialog::address() const
{
    if (m_kind->currentIndex() == kTcpPage) {
        QString host = m_host->text().trimmed();
        if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
            host = QStringLiteral("[%1]").arg(host); // an IPv6 address
        QString text = QStringLiteral("tcp://%1:%2").arg(host).arg(m_port->value());
        if (m_tcpUnit->value() > 0)
            text += QStringLiteral("/%1").arg(m_tcpUnit->value());
        return text;
    }
    QString text = QStringLiteral("rtu:%1?baud=%2&parity=%3")
                       .arg(m_device->currentText().trimmed(), m_baud->currentText().trimmed(),
                            QString(QLatin1Char("NEO"[m_parity->currentIndex()])));
    if (m_rtuUnit->value() > 0)
        text += QStringLiteral("&unit=%1").arg(m_rtuUnit->value());
    return text;
}

QString ConnectDialog::profile() const
{
    const QString path = m_profile->text().trimmed();
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

int ConnectDialog::timeoutMs() const
{
    return m_timeout->value();
}

QString ConnectDialog::testResult() const
{
    return m_testResult;
}

QString ConnectDialog::problem() const
{
    try {
        DriveAddress::parse(address().toStdString());
    } catch (const DriveAddressError& error) {
        return QString::fromStdString(error.what());
    }
    if (profile().isEmpty())
        return tr("Choose the profile of the drive's type (a drive image with a register map).");
    if (!QFileInfo(profile()).isFile())
        return tr("The profile %1 is not there.").arg(profile());
    return {};
}

void ConnectDialog::chooseProfile()
{
    const QString start = profile().isEmpty() ? QString() : QFileInfo(profile()).absolutePath();
    const QString path = fw::chooseFileName(this, fw::FileChoice::Open, tr("Profile of the drive"),
                                            start, tr("Profiles (*.json);;All files (*)"),
                                            {QStringLiteral("*.scenario.json")});
    if (!path.isEmpty())
        m_profile->setText(path);
}

void ConnectDialog::accept()
{
    const QString wrong = problem();
    if (!wrong.isEmpty()) {
        m_result->setText(wrong);
        return;
    }
    QDialog::accept();
}

void ConnectDialog::test()
{
    if (m_testing)
        return;
    const QString wrong = problem();
    if (!wrong.isEmpty()) {
        tested(wrong, false);
        return;
    }
    m_testButton->setEnabled(false);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    m_result->setText(tr("Connecting to %1 ...").arg(address()));
    const std::string address = this->address().toStdString();
    const std::string profile = this->profile().toStdString();
    const std::chrono::milliseconds timeout(timeoutMs());
    QPointer<ConnectDialog> self(this);
    m_testing = QThread::create([self, address, profile, timeout] {
        QString result;
        bool connected = false;
        try {
            const ModbusDrive drive(address, profile, timeout);
            result = tr("Connected: drive %1, database %2.")
                         .arg(QString::fromStdString(drive.driveType()),
                              QString::fromStdString(drive.databaseVersion()));
            connected = true;
        } catch (const std::exception& error) {
            result = QString::fromStdString(error.what());
        }
        // Told on the dialog's thread, if it is still there.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, result, connected] {
                if (self)
                    self->tested(result, connected);
            },
            Qt::QueuedConnection);
    });
    m_testing->start();
}

void ConnectDialog::tested(const QString& result, bool connected)
{
    if (m_testing) {
        m_testing->wait();
        delete m_testing;
        m_testing = nullptr;
    }
    m_testResult = result;
    m_result->setText(connected ? result
                                : tr("No connection: %1\n\nThe answer timeout is %2 ms (set here).")
                                      .arg(result)
                                      .arg(timeoutMs()));
    m_testButton->setEnabled(true);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
}
