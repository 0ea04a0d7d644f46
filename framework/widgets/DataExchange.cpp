#include "DataExchange.h"

#include "Dialog.h"

#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/Resources.h"

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
    const std::string low = format("%.*g", DBL_DIG, minimum);
    const std::string high = format("%.*g", DBL_DIG, maximum);
    std::string text = loadString(IDS_FW_RANGE_MESSAGE);
    const size_t first = text.find("%1"), second = text.find("%2");
    if (first == std::string::npos || second == std::string::npos) {
        if (currentResourceLibrary())
            qWarning("NEBPT framework: string %u of the language library is missing or lacks "
                     "%%1 and %%2; the range message is shown in English",
                     unsigned(IDS_FW_RANGE_MESSAGE));
        return "Enter a number between " + low + " and " + high + ".";
    }
    // Replace the later placeholder first so that the earlier one keeps its place.
    if (first < second)
        return text.replace(second, 2, high).replace(first, 2, low);
    return text.replace(first, 2, low).replace(second, 2, high);
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
