#pragma once

#include "framework/widgets/Dialog.h"
#include "languages/common/NEBPTResources.h"

#include <QColor>

#include <locale>

class CDLGManager;
class CNEB_Timer;

// Modal editor of one timer: its time value in the number format of the host's
// active language, with the unit beside the field. OK writes the timer through
// the command layer only when the value changed (IDOK); otherwise the dialog
// ends with IDCANCEL.
class CTimerdlg : public fw::CDialog
{
public:
    enum : unsigned
    {
        IDD = res::IDD_TIMER
    };
    enum : int
    {
        IDC_VALUE = res::IDC_TIMER_VALUE,
        IDC_UNIT = res::IDC_TIMER_UNIT // the first static text without an ID
    };
    static constexpr unsigned kTitleString = res::IDS_TIMER_TITLE;

    CTimerdlg(CDLGManager& manager, CNEB_Timer& timer, QWidget* parent);
    ~CTimerdlg() override;

    void DoDataExchange(fw::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

    // The value exchanged with the value field.
    double value() const { return m_value; }

private:
    CDLGManager& m_dlgManager;
    double m_value = 0.0;
    CNEB_Timer& m_timer;
    QColor m_brush{255, 255, 255};
    std::locale m_locale;
};
