#pragma once

#include "Dialogs/ChoiceCombo.h"

#include "framework/widgets/Dialog.h"
#include "languages/common/NEBPTResources.h"

#include <QColor>

class CDLGManager;
class CNEB_Settings;

// Modal editor of the logic controller's own settings: mode, start event and
// stop event, each chosen from the choice list of the drive parameter that
// stores it, with that parameter's name beside it. OK writes the settings
// through the command layer only when a choice changed (IDOK); otherwise the
// dialog ends with IDCANCEL.
class CNEBSettingsDLG : public fw::CDialog
{
public:
    enum : unsigned
    {
        IDD = res::IDD_SETTINGS
    };
    enum : int
    {
        IDC_MODE_LIST = res::IDC_MODE_LIST,
        IDC_START_LIST = res::IDC_START_LIST,
        IDC_STOP_LIST = res::IDC_STOP_LIST,
        IDC_MODE_PARAMETER = res::IDC_MODE_PARAMETER,
        IDC_START_PARAMETER = res::IDC_START_PARAMETER,
        IDC_STOP_PARAMETER = res::IDC_STOP_PARAMETER
    };
    static constexpr unsigned kTitleString = res::IDS_SETTINGS_TITLE;

    CNEBSettingsDLG(CDLGManager& manager, CNEB_Settings& settings, QWidget* parent);
    ~CNEBSettingsDLG() override;

    bool OnInitDialog() override;
    void OnOK() override;

private:
    // Sets the changed choices in the settings object and writes it when one
    // changed; the number of changed choices, 0 when a list has no selection.
    int save();

    CNEB_Settings& m_settings;
    CDLGManager& m_dlgManager;
    // The items of the three lists' entries.
    choicecombo::Items m_items;
    QColor m_brush{255, 255, 255};
    static constexpr int kLists[3] = {IDC_MODE_LIST, IDC_START_LIST, IDC_STOP_LIST};
};
