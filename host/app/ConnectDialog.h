#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <vector>

class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QThread;

// File > Connect to drive: asks for the link to a drive (Modbus TCP: host, port
// and unit; Modbus RTU: serial device, baud rate, parity and unit), the profile
// of its type and the answer timeout. Test connects as the window would and
// tells what answered (the drive's type and database) or why nothing did,
// without closing the dialog; Connect closes it once the address and the
// profile can be used. The dialog starts with the link given (the last one).
//
// Test connects on a thread of its own while the dialog stays responsive; the
// dialog waits for it when it closes (at most the answer timeout, twice).
class ConnectDialog : public QDialog
{
    Q_OBJECT

public:
    ConnectDialog(const QString& address, const QString& profile, int timeoutMs,
                  QWidget* parent = nullptr);
    ~ConnectDialog() override;

    // The address as nebpt-host --connect takes it ("tcp://10.0.0.5:502/3",
    // "rtu:/dev/ttyUSB0?baud=19200&parity=E&unit=1").
    QString address() const;
    QString profile() const;
    int timeoutMs() const;
    // What the last Test found; empty before one.
    QString testResult() const;

public slots:
    void accept() override;
    // Connects to the drive as it is set now and tells the result.
    void test();

private:
    // Why the settings cannot be used; empty when they can.
    QString problem() const;
    void showAddress(const QString& address);
    void chooseProfile();
    void tested(const QString& result, bool connected);
    void retranslate();
    // A labelled row of a form; the label's text is `text` in the window's language.
    void addRow(QFormLayout& form, QWidget* buddy, QWidget* field, QLayout* fields,
                const char* text);

    struct Row
    {
        QLabel* label;
        QWidget* field;
        const char* text; // untranslated
    };
    std::vector<Row> m_rows;

    QComboBox* m_kind = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLineEdit* m_host = nullptr;
    QSpinBox* m_port = nullptr;
    QSpinBox* m_tcpUnit = nullptr;
    QComboBox* m_device = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_parity = nullptr;
    QSpinBox* m_rtuUnit = nullptr;
    QLineEdit* m_profile = nullptr;
    QPushButton* m_browse = nullptr;
    QSpinBox* m_timeout = nullptr;
    QLabel* m_result = nullptr;
    QPushButton* m_testButton = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QThread* m_testing = nullptr; // the Test under way
    QString m_testResult;
};
