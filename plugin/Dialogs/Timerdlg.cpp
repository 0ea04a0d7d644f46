#include "Dialogs/Timerdlg.h"

#include "DLGManager.h"
#include "Dialogs/DialogColours.h"
#include "Dialogs/LocaleNumber.h"
#include "Settings_Manager/CNEB_Timer.h"
#include "Settings_Manager/TimerUnit.h"

#include "framework/Format.h"
#include "framework/Resources.h"
#include "framework/widgets/DataExchange.h"

#include <string>

CTimerdlg::CTimerdlg(CDLGManager& manager, CNEB_Timer& timer, QWidget* parent)
    : fw::CDialog(IDD, parent), m_dlgManager(manager), m_timer(timer),
      m_locale(localenumber::activeLanguageLocale(manager))
{}

CTimerdlg::~CTimerdlg() = default;

bool CTimerdlg::OnInitDialog()
{
    SetWindowText(
        fw::format(fw::loadString(kTitleString).c_str(), static_cast<int>(m_timer.getIndex())));
    fw::CDialog::OnInitDialog();
    dialogcolours::applyBackground(*this, m_brush);
    m_value = m_timer.getValue();
    UpdateData(false);
    return true;
}

void CTimerdlg::DoDataExchange(fw::CDataExchange& dx)
{
    double minimum = 0.0;
    double maximum = 0.0;
    std::string unit;
    unsigned decimals = 0;
    m_timer.getValueDescription(minimum, maximum, unit, decimals);

    dx.PrepareEditCtrl(IDC_VALUE);
    if (!dx.m_bSaveAndValidate) {
        m_value = m_timer.getValue();
        SetDlgItemText(IDC_VALUE, localenumber::formatFixed(m_value, decimals, m_locale));
    } else {
        const std::string text = GetDlgItemText(IDC_VALUE);
        if (!localenumber::readNumber(text, m_locale, localenumber::MinusSign::Anywhere, m_value))
            dx.Fail();
    }

    std::string bracketed(1, '[');
    bracketed.append(NEBPT::timerUnit(unit, maximum)).push_back(']');
    SetDlgItemText(IDC_UNIT, bracketed);

    fw::DDV_MinMaxDouble(dx, m_value, minimum, maximum);
}

void CTimerdlg::OnOK()
{
    if (!UpdateData(true))
        return;
    if (m_value == m_timer.getValue()) {
        OnCancel();
        return;
    }
    m_timer.setValue(m_value);
    m_dlgManager.saveTimer(m_timer);
    EndDialog(fw::IDOK);
}
