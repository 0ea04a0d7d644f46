#include "Dialogs/BottomArrow.h"

CBottomArrow::CBottomArrow(CDLGManager& manager) : CNEBDlgControl(manager) {}

CBottomArrow::~CBottomArrow() = default;

void CBottomArrow::reReadData()
{
    requestParentReRead();
}

bool CBottomArrow::OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (passClickToParent(message, wParam, lParam))
        return false; // default processing goes on
    return CNEBDlgControl::OnMessage(message, wParam, lParam);
}
