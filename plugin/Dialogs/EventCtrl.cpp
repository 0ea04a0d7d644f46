#include "Dialogs/EventCtrl.h"

#include "DLGManager.h"
#include "Settings_Manager/CNEB_Event.h"

CEventCtrl::CEventCtrl(CDLGManager& manager, CNEB_Event& event)
    : CEABoxCtrl(manager, {IDD, IDC_OBJECT_BUTTON, IDC_EVENT_LIST, IDC_OPEN_LIST}), m_event(event)
{}

CEventCtrl::~CEventCtrl() = default;

CNEB_ChoicelistItem& CEventCtrl::getItem() const
{
    return m_event.getItem();
}

CNEB_Choicelist& CEventCtrl::getChoicelist() const
{
    return m_event.getChoicelist();
}

void CEventCtrl::modify(CNEB_ChoicelistItem& item)
{
    m_dlgManager.modifyEvent(m_event, item);
}

bool CEventCtrl::offersEditor(int) const
{
    // Every kind with an editor: timer, comparator, logic rule.
    return true;
}
