#include "Dialogs/TopArrow.h"

TopArrow::TopArrow(CDLGManager& manager) : CNEBDlgControl(manager) {}

TopArrow::~TopArrow() = default;

void TopArrow::reReadData()
{
    requestParentReRead();
}

bool TopArrow::OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (passClickToParent(message, wParam, lParam))
        return false; // default processing goes on
    return CNEBDlgControl::OnMessage(message, wParam, lParam);
}
