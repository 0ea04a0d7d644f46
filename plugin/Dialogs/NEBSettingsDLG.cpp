#include "Dialogs/NEBSettingsDLG.h"

#include "DLGManager.h"
#include "Dialogs/ChoiceCombo.h"
#include "Dialogs/DialogColours.h"
#include "Settings_Manager/CNEB_Settings.h"

#include "framework/Format.h"
#include "framework/Resources.h"

CNEBSettingsDLG::CNEBSettingsDLG(CDLGManager& manager, CNEB_Settings& settings, QWidget* parent)
    : fw::CDialog(IDD, parent), m_settings(settings), m_dlgManager(manager)
{}

CNEBSettingsDLG::~CNEBSettingsDLG() = default;

bool CNEBSettingsDLG::OnInitDialog()
{
    SetWindowText(fw::loadString(kTitleString));
    fw::CDialog::OnInitDialog();
    dialogcolours::applyBackground(*this, m_brush);

    m_items.clear();
    for (unsigned short i = 0; i < CNEB_Settings::kCount; ++i) {
        fw::CComboBox list = GetComboBox(IDC_MODE_LIST + i);
        choicecombo::fill(list, m_settings.getChoicelist(i), m_settings.getItem(i).getID(),
                          m_items);
    }
    for (unsigned short i = 0; i < CNEB_Settings::kCount; ++i) {
        const std::string number =
            fw::format("%d", static_cast<int>(m_settings.getItem(i).getParameterNumber()));
        std::string name;
        m_dlgManager.getParameterName(number, name);
        SetDlgItemText(IDC_MODE_PARAMETER + i, name);
    }
    return true;
}

void CNEBSettingsDLG::OnOK()
{
    if (save() < 1)
        OnCancel();
    else
        EndDialog(fw::IDOK);
}

int CNEBSettingsDLG::save()
{
    int count = 0;
    for (unsigned short i = 0; i < CNEB_Settings::kCount; ++i) {
        const CNEB_ChoicelistItem* item = choicecombo::selected(GetComboBox(kLists[i]));
        if (!item)
            return 0;
        if (item->getID() != m_settings.getItem(i).getID()) {
            m_settings.setItem(*item, i);
            ++count;
        }
    }
    if (count >= 1)
        m_dlgManager.saveNEB_Settings(m_settings);
    return count;
}
