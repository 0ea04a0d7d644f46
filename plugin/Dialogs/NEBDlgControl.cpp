#include "Dialogs/NEBDlgControl.h"

#include "Settings_Stock/CNEB_Choicelist.h"

#include "framework/widgets/ComboBox.h"

CNEBDlgControl::CNEBDlgControl(CDLGManager& manager) : m_dlgManager(manager) {}

CNEBDlgControl::~CNEBDlgControl() = default;

void CNEBDlgControl::createAt(int x, int y, QWidget* parent)
{
    if (!Create(getTemplateId(), parent))
        return; // the framework has reported the missing template
    // Placed before it is shown: the window appears where it belongs, without
    // a paint at the template's position first.
    const QSize size = getSize();
    MoveWindow(x, y, size.width(), size.height(), true);
    show();
}

QSize CNEBDlgControl::getSize() const
{
    return GetWindowRect().Size();
}

void CNEBDlgControl::requestParentReRead()
{
    fw::postMessage(GetParent(), WM_REREAD_DATA, 0, 0);
}

void CNEBDlgControl::OnOK() {}

void CNEBDlgControl::OnCancel() {}

bool CNEBDlgControl::OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (message == WM_REREAD_DATA) {
        reReadData();
        return true;
    }
    return fw::CDialog::OnMessage(message, wParam, lParam);
}

void CNEBDlgControl::fillChoiceList(int listId, const CNEB_Choicelist& choices,
                                    unsigned long currentId,
                                    std::vector<CNEB_ChoicelistItem>& attached)
{
    fw::CComboBox list = GetComboBox(listId);
    list.ResetContent();
    attached.clear();
    // Reserved up front: the entries keep pointers into the vector.
    attached.reserve(choices.size());
    for (const CNEB_ChoicelistItem& item : choices) {
        const int entry = list.AddString(item.getText());
        if (entry == fw::CB_ERR)
            continue;
        if (item.getID() == currentId)
            list.SetCurSel(entry);
        attached.push_back(item);
        list.SetItemDataPtr(entry, &attached.back());
    }
}

CNEB_ChoicelistItem* CNEBDlgControl::selectedItem(int listId) const
{
    const fw::CComboBox list = GetComboBox(listId);
    const int entry = list.GetCurSel();
    if (entry == fw::CB_ERR)
        return nullptr;
    return static_cast<CNEB_ChoicelistItem*>(list.GetItemDataPtr(entry));
}

void CNEBDlgControl::forwardMouseToParent(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    const QPoint inParent = pos() + QPoint(fw::lParamX(lParam), fw::lParamY(lParam));
    fw::sendMessage(GetParent(), message, wParam, fw::makeLParam(inParent.x(), inParent.y()));
}

bool CNEBDlgControl::passClickToParent(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case fw::WM_RBUTTONUP:
        forwardMouseToParent(message, wParam, lParam);
        return true;
    case fw::WM_LBUTTONUP:
        fw::sendMessage(GetParent(), message, wParam, lParam);
        return true;
    default:
        return false;
    }
}
