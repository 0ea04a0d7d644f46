#pragma once

#include "Dialogs/NEBDlgControl.h"
#include "languages/common/NEBPTResources.h"

// The arrow below the last pair of the flow. Its clicks belong to the flow: a right click
// opens the flow's popup menu, a left click gives the flow the focus.
class CBottomArrow : public CNEBDlgControl
{
public:
    enum : unsigned
    {
        IDD = res::IDD_BOTTOM_ARROW
    };

    explicit CBottomArrow(CDLGManager& manager);
    ~CBottomArrow() override;

    unsigned getTemplateId() const override { return IDD; }
    // Asks the flow to re-read.
    void reReadData() override;

    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;
};
