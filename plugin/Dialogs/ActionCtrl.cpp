#include "Dialogs/ActionCtrl.h"

#include "DLGManager.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEB_Action.h"

CActionCtrl::CActionCtrl(CDLGManager& manager, CNEB_Action& action)
    : CEABoxCtrl(manager, {IDD, IDC_OBJECT_BUTTON, IDC_ACTION_LIST, 0}), m_action(action)
{}

CActionCtrl::~CActionCtrl() = default;

CNEB_ChoicelistItem& CActionCtrl::getItem() const
{
    return m_action.getItem();
}

CNEB_Choicelist& CActionCtrl::getChoicelist() const
{
    return m_action.getChoicelist();
}

void CActionCtrl::modify(CNEB_ChoicelistItem& item)
{
    m_dlgManager.modifyAction(m_action, item);
}

bool CActionCtrl::offersEditor(int kind) const
{
    // An action offers the editor of timers only.
    return kind == CChoiceListItemObjectLookup::Timer;
}
