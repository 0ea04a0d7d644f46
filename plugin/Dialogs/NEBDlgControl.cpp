#include "Dialogs/NEBDlgControl.h"

#include <QPalette>

CNEBDlgControl::CNEBDlgControl(CDLGManager& manager) : m_dlgManager(manager)
{
    // The window takes the palette of the window it is in, as the controls in it
    // do: it paints its white background itself. A palette of its own would be a
    // copy for every window and every control in it, and the style, which keeps
    // what it has drawn by the palette's identity, would draw each control anew.
    setPalette(QPalette());
}

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
