#include "DataExchange.h"

#include "Dialog.h"

#include "framework/Format.h"
#include "framework/MessageBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include <cfloat>

namespace fw {

CDataExchange::CDataExchange(CDialog& dialog, bool saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_dialog(dialog)
{}

QWidget* CDataExchange::PrepareCtrl(int id)
{
    m_prepared = m_dialog.GetDlgItem(id);
    m_preparedIsEdit = false;
    if (!m_prepared)
        qWarning("NEBPT framework: data exchange with missing control %d of template %u", id,
                 m_dialog.GetTemplateId());
    return m_prepared;
}

QWidget* CDataExchange::PrepareEditCtrl(int id)
{
    PrepareCtrl(id);
    m_preparedIsEdit = m_prepared != nullptr;
    return m_prepared;
}

void CDataExchange::Fail()
{
    if (m_prepared) {
        m_prepared->setFocus(Qt::OtherFocusReason);
        if (m_preparedIsEdit) {
            if (auto* edit = qobject_cast<QLineEdit*>(m_prepared))
                edit->selectAll();
            else if (auto* combo = qobject_cast<QComboBox*>(m_prepared); combo && combo->lineEdit())
                combo->lineEdit()->selectAll();
        }
    }
    throw Failure{};
}

void DDX_Text(CDataExchange& dx, int id, std::string& value)
{
    dx.PrepareEditCtrl(id);
    if (dx.m_bSaveAndValidate)
        value = dx.m_dialog.GetDlgItemText(id);
    else
        dx.m_dialog.SetDlgItemText(id, value);
}

std::string rangeMessage(double minimum, double maximum)
{
    return format("Enter a number between %.*g and %.*g.", DBL_DIG, minimum, DBL_DIG, maximum);
}

void DDV_MinMaxDouble(CDataExchange& dx, double value, double minimum, double maximum)
{
    if (!dx.m_bSaveAndValidate)
        return;
    if (value >= minimum && value <= maximum)
        return;
    messageBox(rangeMessage(minimum, maximum), MB_OK);
    dx.Fail();
}

} // namespace fw
