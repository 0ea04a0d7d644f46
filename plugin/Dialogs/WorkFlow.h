#pragma once

#include "Dialogs/BottomArrow.h"
#include "Dialogs/NEBDlgControl.h"
#include "Dialogs/TopArrow.h"
#include "FlowState.h"
#include "FormView.h"
#include "NEBPTExport.h"
#include "languages/common/NEBPTResources.h"

#include <QPointer>

#include <list>
#include <locale>
#include <memory>

class CEAPairCtrl;
class QScrollArea;
namespace choicecombo {
class SharedLists;
}

// The window in the host's form view that shows the controller program as a
// column: the top arrow, one pair window per event/action pair in program
// order, the bottom arrow. It sizes its height to the column, offers a popup
// menu to append a pair or open the controller settings, and rebuilds every
// element window from the program whenever an element asks for it
// (WM_REREAD_DATA) or the host asks for an update (reReadData). After a rebuild
// an element asked for (an edit, an editor closed, a pair inserted or deleted)
// the keyboard focus is where the user left it: in the same control of the pair
// at the same place. One the host asks for reads a program that may have
// changed anywhere: the focus in the column goes as when its window goes.
//
// The flow takes the width of the host's view, never less than its template's:
// the pairs and the values beside their boxes take the room. In a view that a
// scroll area sizes to its viewport (and that grows with its children) it takes
// the viewport's width, less what the view keeps beside its children, so that
// it never widens the view it follows. The controller's state (showLiveState)
// is kept and shown again by every rebuild.
class NEBPT_EXPORT CWorkFlow : public CNEBDlgControl
{
    Q_OBJECT

public:
    enum : unsigned
    {
        IDD = res::IDD_PROGRAM
    };
    // Where the elements sit in the flow window.
    static constexpr int kArrowX = 53;
    static constexpr int kPairX = 40;
    // Room between the pairs and the flow's right edge.
    static constexpr int kPairRightMargin = 12;

    explicit CWorkFlow(CDLGManager& manager);
    ~CWorkFlow() override;

    // Creates and shows the window inside the host's view and builds the flow;
    // an empty program brings up the question whether to add a pair.
    virtual void createYourself(CFormView& view);
    // Destroys every element window and creates them anew from the program; while
    // a modal dialog, message box or popup menu is open, once it has closed.
    void reReadData() override;
    // Destroys the element windows, then the flow's window (hides the framework's
    // DestroyWindow, which would destroy the element windows one by one).
    void DestroyWindow();
    unsigned getTemplateId() const override { return IDD; }

    void OnEraseBkgnd(QPainter& painter) override;
    void OnLButtonUp(unsigned flags, QPoint point);
    void OnRButtonUp(unsigned flags, QPoint point);

    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;

    // The pair windows of the last build, in program order.
    const std::list<CEAPairCtrl*>& pairCtrls() const { return m_pairCtrls; }

    // Shows the controller's state in the pairs: the active step's pair marked,
    // the timers' time left. Kept for the pairs of later builds; a state that is
    // not shown clears it. Touches only the pairs and texts that change.
    void showLiveState(const NEBPT::FlowLiveState& state);
    // Gives the window of pair `pair` (0-based, in program order) the keyboard
    // focus; false when the flow shows no such pair.
    bool selectPair(int pair);

protected:
    bool OnCommand(int id, int notification) override;
    bool event(QEvent* event) override;
    // Follows the size of the view (and of the scroll area's viewport around it).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Destroys the element windows and creates them anew from the program while
    // the flow is hidden, then shows it (when it was shown before, or `show`),
    // sizes it to the column and repaints the host's window.
    void createFlow(bool show);
    // Creates the element windows top to bottom, the pairs `pairWidth` wide;
    // the height of the flow, 0 without pairs.
    int buildColumn(int pairWidth);
    // The width the flow takes in its view.
    int fittingWidth() const;
    // Gives the flow that width and its pairs theirs.
    void fitWidth();
    // Shows the kept controller state in the pairs.
    void applyLiveState();
    void destroyFlow();
    // Where the keyboard focus of the flow's window is in the column: the pair's
    // place, and the control's box template and ID (none: the pair window itself).
    struct FocusPlace
    {
        int pair = -1; // -1: not in the column
        unsigned box = 0;
        int control = 0;
    };
    FocusPlace focusPlace() const;
    // Gives the keyboard focus to that place in the column built anew (the last
    // pair when there are fewer now; the pair window when its control is gone).
    void restoreFocus(const FocusPlace& place);
    // Where the focus was when an element asked for the rebuild that is to come.
    FocusPlace m_focusToKeep;
    void ShowPopUpMenu(QPoint point);
    bool programHasPairs();

    TopArrow m_topArrow;
    CBottomArrow m_bottomArrow;
    std::list<CEAPairCtrl*> m_pairCtrls;
    // The entries of the pairs' lists: one copy of each choice list for the column.
    std::unique_ptr<choicecombo::SharedLists> m_lists;
    class PairUpdateFilter;
    std::unique_ptr<PairUpdateFilter> m_pairUpdates;
    bool m_hasPairs = false;
    bool m_rebuildWaiting = false; // a rebuild waits for a modal window to close
    // Built, shown and painted at once: the update its showing posted is done.
    bool m_shownAndPainted = false;
    std::locale m_numbers; // the number format of the editor's language
    NEBPT::FlowLiveState m_live;
    int m_minimumWidth = 0;             // the template's width
    QPointer<QScrollArea> m_scrollArea; // the one that sizes the view, if any
};
