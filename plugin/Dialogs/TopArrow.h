#pragma once

#include "Dialogs/NEBDlgControl.h"
#include "languages/common/NEBPTResources.h"

// The arrow above the first pair of the flow. Its clicks belong to the flow: a right click
// opens the flow's popup menu, a left click gives the flow the focus.
class TopArrow : public CNEBDlgControl
{
public:
    enum : unsigned
    {
        IDD = res::IDD_TOP_ARROW
    };

    explicit TopArrow(CDLGManager& manager);
    ~TopArrow() override;

    unsigned getTemplateId() const override { return IDD; }
    // Asks the flow to re-read.
    void reReadData() override;

    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;
};
