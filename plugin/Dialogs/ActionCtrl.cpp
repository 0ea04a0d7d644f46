#include "Dialogs/ActionCtrl.h"

#include "DLGManager.h"
#include "Dialogs/ObjectButton.h"
#include "Dialogs/Timerdlg.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEB_Action.h"

#include "framework/Resources.h"
#include "framework/widgets/ComboBox.h"

namespace {

using Kind = CChoiceListItemObjectLookup::Kind;

} // namespace

CActionCtrl::CActionCtrl(CDLGManager& manager, CNEB_Action& action)
    : CNEBDlgControl(manager), m_action(action)
{}

CActionCtrl::~CActionCtrl() = default;

void CActionCtrl::reReadData()
{
    requestParentReRead();
}

bool CActionCtrl::OnInitDialog()
{
    CNEBDlgControl::OnInitDialog();
    CNEB_ChoicelistItem& current = m_action.getItem();
    fillChoiceList(IDC_ACTION_LIST, m_action.getChoicelist(), current.getID(), m_attachedItems);
    updateObjectButton(current);
    return true;
}

void CActionCtrl::updateObjectButton(CNEB_ChoicelistItem& item)
{
    // An action offers the editor of timers only.
    const int kind = m_dlgManager.lookupChoicelistItemObject(item).getKind();
    showObjectButton(*this, IDC_OBJECT_BUTTON, kind == Kind::Timer ? objectButtonCaption(kind) : 0);
}

bool CActionCtrl::OnCommand(int id, int notification)
{
    if (id == IDC_ACTION_LIST) {
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
    }
    return CNEBDlgControl::OnCommand(id, notification);
}

void CActionCtrl::onSelectionChange()
{
    if (CNEB_ChoicelistItem* item = selectedItem(IDC_ACTION_LIST)) {
        updateObjectButton(*item);
        m_changed = item->getID() != m_action.getItem().getID();
    }
    if (!m_changed)
        return;
    CNEB_ChoicelistItem* item = selectedItem(IDC_ACTION_LIST);
    m_changed = false;
    if (!item)
        return;
    m_dlgManager.modifyAction(m_action, *item);
    reReadData();
}

void CActionCtrl::onObjectButton()
{
    // The timer of the action as stored in the program, not of the list's selection.
    const CChoiceListItemObjectLookup lookup =
        m_dlgManager.lookupChoicelistItemObject(m_action.getItem());
    if (lookup.getKind() != Kind::Timer || !lookup.getTimer())
        return;
    CTimerdlg dialog(m_dlgManager, *lookup.getTimer(), this);
    if (dialog.DoModal() == fw::IDOK)
        reReadData();
}

bool CActionCtrl::OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (message == fw::WM_RBUTTONUP) {
        forwardMouseToParent(message, wParam, lParam);
        return false; // default processing goes on
    }
    return CNEBDlgControl::OnMessage(message, wParam, lParam);
}
