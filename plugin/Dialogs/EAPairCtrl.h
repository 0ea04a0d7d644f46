#pragma once

#include "Dialogs/ActionCtrl.h"
#include "Dialogs/EventCtrl.h"
#include "Dialogs/NEBDlgControl.h"
#include "languages/common/NEBPTResources.h"

class CNEB_EAPair;

// One event/action pair of the flow: the event box and the action box as child
// windows, a black frame while the pair is selected (its own focus or an open
// drop-down list of its boxes), and a popup menu to insert a pair before this
// one, delete it, or open the controller settings.
class CEAPairCtrl : public CNEBDlgControl
{
public:
    enum : unsigned
    {
        IDD = res::IDD_PAIR
    };
    // Where the event and the action box sit in the pair window.
    static constexpr QPoint kEventPos{21, 10};
    static constexpr QPoint kActionPos{50, 40};

    CEAPairCtrl(CDLGManager& manager, CNEB_EAPair& pair);
    ~CEAPairCtrl() override;

    unsigned getTemplateId() const override { return IDD; }
    // Creates the pair window, then its event and action windows inside it.
    void createAt(int x, int y, QWidget* parent) override;
    // Asks the flow to re-read.
    void reReadData() override;

    bool OnCommand(int id, int notification) override;
    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;
    void OnEraseBkgnd(QPainter& painter) override;

    CNEB_EAPair& getPair() const { return m_pair; }
    bool isSelected() const { return m_selected; }
    CEventCtrl& eventCtrl() { return m_eventCtrl; }
    CActionCtrl& actionCtrl() { return m_actionCtrl; }

private:
    void setSelected(bool selected);
    void showPopUpMenu(QPoint point);

    CNEB_EAPair& m_pair;
    CEventCtrl m_eventCtrl;
    CActionCtrl m_actionCtrl;
    bool m_selected = false;
};
