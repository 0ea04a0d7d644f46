#include "Dialogs/EABoxCtrl.h"

#include "DLGManager.h"
#include "Dialogs/Compdlg.h"
#include "Dialogs/DialogColours.h"
#include "Dialogs/LRdlg.h"
#include "Dialogs/Timerdlg.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"

#include "framework/Resources.h"
#include "framework/widgets/ComboBox.h"

#include <QPainter>
#include <QWidget>

namespace {

using Kind = CChoiceListItemObjectLookup::Kind;

} // namespace

CEABoxCtrl::CEABoxCtrl(CDLGManager& manager, const Controls& controls)
    : CNEBDlgControl(manager), m_controls(controls)
{}

CEABoxCtrl::~CEABoxCtrl() = default;

void CEABoxCtrl::reReadData()
{
    requestParentReRead();
}

bool CEABoxCtrl::OnInitDialog()
{
    CNEBDlgControl::OnInitDialog();
    // The list keeps the size the template gives it. With its minimum and maximum
    // size fixed, a list shown for the first time asks the box (which has no
    // layout) for no new layout: in a long column each such request would be
    // looked for through the whole event queue. The other controls ask for none
    // and are left without sizes of their own (memory for each of them).
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (control->inherits("QComboBox"))
            control->setFixedSize(control->size());
    CNEB_ChoicelistItem& current = getItem();
    fw::CComboBox list = GetComboBox(m_controls.listId);
    if (!m_sharedLists)
        m_ownLists.clear(); // the choices as they are now
    (m_sharedLists ? *m_sharedLists : m_ownLists).show(list, getChoicelist(), current.getID());
    const CChoiceListItemObjectLookup object = m_dlgManager.lookupChoicelistItemObject(current);
    updateObjectButton(object.getKind());
    m_value = offersEditor(object.getKind()) ? ObjectValue(m_dlgManager, object, m_numbers)
                                             : ObjectValue();
    if (QWidget* button = GetDlgItem(m_controls.objectButtonId))
        button->setAccessibleDescription(QString::fromStdString(m_value.text()));
    return true;
}

void CEABoxCtrl::updateObjectButton(int kind)
{
    showObjectButton(*this, m_controls.objectButtonId,
                     offersEditor(kind) ? objectButtonCaption(kind) : 0);
}

void CEABoxCtrl::setTinted(bool tinted)
{
    if (m_tinted == tinted)
        return;
    m_tinted = tinted;
    update();
}

void CEABoxCtrl::OnEraseBkgnd(QPainter& painter)
{
    if (m_tinted)
        painter.fillRect(rect(), dialogcolours::kActiveStepTint);
    else
        CNEBDlgControl::OnEraseBkgnd(painter);
}

bool CEABoxCtrl::OnCommand(int id, int notification)
{
    if (id == m_controls.listId) {
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
    } else if (id == m_controls.objectButtonId && notification == fw::BN_CLICKED) {
        onObjectButton();
    } else if (m_controls.openListId != 0 && id == m_controls.openListId &&
               notification == fw::BN_CLICKED) {
        GetComboBox(m_controls.listId).ShowDropDown(true);
    }
    return CNEBDlgControl::OnCommand(id, notification);
}

void CEABoxCtrl::onSelectionChange()
{
    const fw::CComboBox list = GetComboBox(m_controls.listId);
    if (CNEB_ChoicelistItem* item = choicecombo::selected(list)) {
        updateObjectButton(m_dlgManager.lookupChoicelistItemObject(*item).getKind());
        m_changed = item->getID() != getItem().getID();
    }
    if (!m_changed)
        return;
    CNEB_ChoicelistItem* item = choicecombo::selected(list);
    m_changed = false;
    if (!item)
        return;
    modify(*item);
    reReadData();
}

void CEABoxCtrl::onObjectButton()
{
    // The object of the stored choice, not of the list's selection.
    const CChoiceListItemObjectLookup lookup = m_dlgManager.lookupChoicelistItemObject(getItem());
    if (!offersEditor(lookup.getKind()))
        return;
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

bool CEABoxCtrl::OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (message == fw::WM_RBUTTONUP) {
        forwardMouseToParent(message, wParam, lParam);
        return false; // default processing goes on
    }
    return CNEBDlgControl::OnMessage(message, wParam, lParam);
}
