#pragma once

#include "Dialogs/ActionCtrl.h"
#include "Dialogs/EventCtrl.h"
#include "Dialogs/NEBDlgControl.h"
#include "FlowState.h"
#include "framework/widgets/ElidedLabel.h"
#include "languages/common/NEBPTResources.h"

#include <QPointer>

#include <locale>

class CNEB_EAPair;

// One event/action pair of the flow: the event box and the action box as child
// windows, a black frame while the pair is selected (its own focus or an open
// drop-down list of its boxes), and a popup menu to insert a pair before this
// one, delete it, or open the controller settings.
//
// Beside the boxes it shows the pair's number ("Pair 4", as every command names
// the pairs) and, beside each object button, what the object holds; the values
// take the pair's width, cut short with "…" where it is too narrow. While the
// controller is shown running (showLiveState), the pair of the active step is
// tinted, framed in blue and marked "▶ active", and the timers' values tell the
// time left.
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

    // `numbers`: the number format of the values shown beside the object buttons;
    // `lists`: where the boxes' lists keep their entries, shared with other
    // pairs' (see CEABoxCtrl::shareListsWith), kept while the pair's window exists.
    CEAPairCtrl(CDLGManager& manager, CNEB_EAPair& pair,
                const std::locale& numbers = std::locale::classic(),
                choicecombo::SharedLists* lists = nullptr);
    ~CEAPairCtrl() override;

    unsigned getTemplateId() const override { return IDD; }
    // Creates the pair window, then its event and action windows inside it, and
    // shows its number and the values of its objects.
    void createAt(int x, int y, QWidget* parent) override;
    // Asks the flow to re-read.
    void reReadData() override;

    bool OnCommand(int id, int notification) override;
    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;
    void OnEraseBkgnd(QPainter& painter) override;

    // Makes the pair `width` wide; the values beside the boxes take the room.
    void setWidth(int width);
    // Shows the controller's state: `active` whether the pair's step is the
    // active one; the timers' values from `live`. Touches only what changes.
    void showLiveState(const NEBPT::FlowLiveState& live, bool active);

    CNEB_EAPair& getPair() const { return m_pair; }
    bool isSelected() const { return m_selected; }
    bool isActive() const { return m_active; }
    CEventCtrl& eventCtrl() { return m_eventCtrl; }
    CActionCtrl& actionCtrl() { return m_actionCtrl; }
    // The texts beside the boxes; null where there is none (a box without a
    // value, a pair that has not been active).
    fw::ElidedLabel* numberLabel() const { return m_number; }
    fw::ElidedLabel* eventValueLabel() const { return m_eventValue; }
    fw::ElidedLabel* actionValueLabel() const { return m_actionValue; }
    fw::ElidedLabel* activeMark() const { return m_activeMark; }

private:
    void setSelected(bool selected);
    void showPopUpMenu(QPoint point);
    // A text of the pair, made when it is first needed (few pairs have all).
    fw::ElidedLabel* addLabel(const QString& text, bool bold);
    // Places the values and the mark beside the boxes, over the pair's width.
    void placeLabels();

    CNEB_EAPair& m_pair;
    CEventCtrl m_eventCtrl;
    CActionCtrl m_actionCtrl;
    bool m_selected = false;
    bool m_active = false;
    // Children of the pair's window, made by createAt and showLiveState.
    QPointer<fw::ElidedLabel> m_number;
    QPointer<fw::ElidedLabel> m_eventValue;
    QPointer<fw::ElidedLabel> m_actionValue;
    QPointer<fw::ElidedLabel> m_activeMark;
};
