#include "Dialogs/BottomArrow.h"

CBottomArrow::CBottomArrow(CDLGManager& manager) : CNEBDlgControl(manager) {}

CBottomArrow::~CBottomArrow() = default;

void CBottomArrow::reReadData()
{
    requestParentReRead();
}

bool CBottomArrow::OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case fw::WM_RBUTTONUP:
        forwardMouseToParent(message, wParam, lParam);
        return false; // default processing goes on
    case fw::WM_LBUTTONUP:
        fw::sendMessage(GetParent(), message, wParam, lParam);
        return false;
    default:
        return CNEBDlgControl::OnMessage(message, wParam, lParam);
    }
}
