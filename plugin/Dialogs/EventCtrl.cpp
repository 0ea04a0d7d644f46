#include "Dialogs/EventCtrl.h"

#include "DLGManager.h"
#include "Dialogs/Compdlg.h"
#include "Dialogs/LRdlg.h"
#include "Dialogs/ObjectButton.h"
#include "Dialogs/Timerdlg.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEB_Event.h"

#include "framework/Resources.h"
#include "framework/widgets/ComboBox.h"

namespace {

using Kind = CChoiceListItemObjectLookup::Kind;

} // namespace

CEventCtrl::CEventCtrl(CDLGManager& manager, CNEB_Event& event)
    : CNEBDlgControl(manager), m_event(event)
{}

CEventCtrl::~CEventCtrl() = default;

void CEventCtrl::reReadData()
{
    requestParentReRead();
}

bool CEventCtrl::OnInitDialog()
{
    CNEBDlgControl::OnInitDialog();
    CNEB_ChoicelistItem& current = m_event.getItem();
    fillChoiceList(IDC_EVENT_LIST, m_event.getChoicelist(), current.getID(), m_attachedItems);
    updateObjectButton(current);
    return true;
}

void CEventCtrl::updateObjectButton(CNEB_ChoicelistItem& item)
{
    showObjectButton(*this, IDC_OBJECT_BUTTON,
                     objectButtonCaption(m_dlgManager.lookupChoicelistItemObject(item).getKind()));
}

bool CEventCtrl::OnCommand(int id, int notification)
{
    if (id == IDC_EVENT_LIST) {
        switch (notification) {
        case fw::CBN_SELCHANGE:
            onSelectionChange();
            break;
        case fw::CBN_DROPDOWN:
            fw::sendMessage(GetParent(), fw::WM_ACTIVATE, 0, 0);
            break;
        case fw::CBN_KILLFOCUS:
            fw::sendMessage(GetParent(), fw::WM_KILLFOCUS, 0, 0);
            break;
        default:
            break;
        }
    } else if (id == IDC_OBJECT_BUTTON && notification == fw::BN_CLICKED) {
        onObjectButton();
    } else if (id == IDC_OPEN_LIST && notification == fw::BN_CLICKED) {
        GetComboBox(IDC_EVENT_LIST).ShowDropDown(true);
    }
    return CNEBDlgControl::OnCommand(id, notification);
}

void CEventCtrl::onSelectionChange()
{
    if (CNEB_ChoicelistItem* item = selectedItem(IDC_EVENT_LIST)) {
        updateObjectButton(*item);
        m_changed = item->getID() != m_event.getItem().getID();
    }
    if (!m_changed)
        return;
    CNEB_ChoicelistItem* item = selectedItem(IDC_EVENT_LIST);
    m_changed = false;
    if (!item)
        return;
    m_dlgManager.modifyEvent(m_event, *item);
    reReadData();
}

void CEventCtrl::onObjectButton()
{
    // The object of the event as stored in the program, not of the list's selection.
    const CChoiceListItemObjectLookup lookup =
        m_dlgManager.lookupChoicelistItemObject(m_event.getItem());
    switch (lookup.getKind()) {
    case Kind::Timer:
        if (lookup.getTimer()) {
            CTimerdlg dialog(m_dlgManager, *lookup.getTimer(), this);
            if (dialog.DoModal() == fw::IDOK)
                reReadData();
        }
        break;
    case Kind::Comparator:
        if (lookup.getComparator()) {
            CCompdlg dialog(m_dlgManager, *lookup.getComparator(), this);
            if (dialog.DoModal() == fw::IDOK)
                reReadData();
        }
        break;
    case Kind::LogicRule:
        if (lookup.getLogicRule()) {
            // The logic rule editor may have written before it was cancelled.
            CLRdlg dialog(m_dlgManager, *lookup.getLogicRule(), this);
            dialog.DoModal();
            reReadData();
        }
        break;
    default:
        break;
    }
}

bool CEventCtrl::OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (message == fw::WM_RBUTTONUP) {
        forwardMouseToParent(message, wParam, lParam);
        return false; // default processing goes on
    }
    return CNEBDlgControl::OnMessage(message, wParam, lParam);
}
