#include "Dialogs/WorkFlow.h"

#include "DLGManager.h"
#include "Dialogs/ChoiceCombo.h"
#include "Dialogs/EAPairCtrl.h"
#include "Dialogs/LocaleNumber.h"
#include "Settings_Manager/CNEB_Program.h"

#include "framework/MessageBox.h"
#include "framework/Resources.h"
#include "framework/widgets/Messages.h"
#include "framework/widgets/PopupMenu.h"
#include "framework/widgets/WidgetResources.h"
#include "languages/common/NEBPTResources.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QScrollArea>

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr unsigned IDS_ADD_PAIR_TO_END = res::IDS_ADD_PAIR_TO_END;
constexpr unsigned IDS_EMPTY_PROGRAM = res::IDS_EMPTY_PROGRAM;
constexpr unsigned IDS_SHOW_SETTINGS = res::IDS_SHOW_SETTINGS;

// Hides the flow while its column is taken down and built, so that the element
// windows appear together when it is shown again at the end of the scope (also
// when the build throws), not one by one in a shown window, each of which would
// look through the window's children for the one under the mouse. The flow
// that had the focus of its window has it again; the focus of an element window
// goes on as when its window is destroyed.
class HiddenWhileBuilt
{
public:
    // `showAfterwards`: show the flow at the end also if it is hidden now.
    HiddenWhileBuilt(QWidget& flow, bool showAfterwards)
        : m_flow(flow), m_show(showAfterwards || !flow.isHidden()),
          m_focused(flow.window()->focusWidget() == &flow)
    {
        if (m_focused)
            m_flow.clearFocus();
        m_flow.hide();
    }
    ~HiddenWhileBuilt()
    {
        if (!m_show)
            return;
        m_flow.show();
        if (m_focused)
            m_flow.setFocus();
    }
    HiddenWhileBuilt(const HiddenWhileBuilt&) = delete;
    HiddenWhileBuilt& operator=(const HiddenWhileBuilt&) = delete;

private:
    QWidget& m_flow;
    const bool m_show;
    const bool m_focused;
};

} // namespace

// Drops the update each widget in the flow asks for when the flow is shown
// (QEvent::UpdateLater) while the flow's own, asked for after theirs, is still
// to come: painting the flow's part of its window paints every element window in
// it. Each of theirs would instead be compared, before it is clipped away or
// painted, with every sibling above its pair: a long column's pairs are many
// siblings. It watches the application's events only while the flow's update
// is to come, rather than each of the many widgets for good.
class CWorkFlow::PairUpdateFilter : public QObject
{
public:
    explicit PairUpdateFilter(const QWidget& flow) : m_flow(flow) {}
    ~PairUpdateFilter() override { setFlowUpdatePending(false); }
    void setFlowUpdatePending(bool pending)
    {
        if (pending == m_flowUpdatePending)
            return;
        m_flowUpdatePending = pending;
        if (pending)
            QCoreApplication::instance()->installEventFilter(this);
        else
            QCoreApplication::instance()->removeEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::UpdateLater || watched == &m_flow)
            return false;
        const auto* widget = qobject_cast<const QWidget*>(watched);
        return widget && m_flow.isAncestorOf(widget);
    }

private:
    const QWidget& m_flow;
    bool m_flowUpdatePending = false;
};

CWorkFlow::CWorkFlow(CDLGManager& manager)
    : CNEBDlgControl(manager), m_topArrow(manager), m_bottomArrow(manager),
      m_lists(std::make_unique<choicecombo::SharedLists>(choicecombo::SharedLists::Lists::GoFirst)),
      m_pairUpdates(std::make_unique<PairUpdateFilter>(*this)), m_numbers(std::locale::classic())
{}

CWorkFlow::~CWorkFlow()
{
    DestroyWindow();
}

void CWorkFlow::DestroyWindow()
{
    // Hidden first, as the framework hides a window it destroys; the element
    // windows go as a rebuild takes them down, not one by one out of the host's
    // window as the framework would take them.
    hide();
    destroyFlow();
    if (QWidget* view = parentWidget())
        view->removeEventFilter(this);
    if (m_scrollArea)
        m_scrollArea->viewport()->removeEventFilter(this);
    m_scrollArea = nullptr;
    CNEBDlgControl::DestroyWindow();
}

bool CWorkFlow::programHasPairs()
{
    return !m_dlgManager.getNEBProgram().getPairs().empty();
}

void CWorkFlow::createYourself(CFormView& view)
{
    if (!Create(IDD, &view))
        return; // the framework has reported the missing template
    m_minimumWidth = width();
    try {
        m_numbers = localenumber::activeLanguageLocale(m_dlgManager);
    } catch (...) {
        // A host that cannot tell its language now: numbers as the "C" locale writes them.
        m_numbers = std::locale::classic();
    }
    // The view's size, and the viewport's of a scroll area that sizes the view.
    view.installEventFilter(this);
    QWidget* viewport = view.parentWidget();
    m_scrollArea = viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
    if (m_scrollArea && m_scrollArea->viewport() == viewport)
        viewport->installEventFilter(this);
    else
        m_scrollArea = nullptr;
    createFlow(true);
    if (m_hasPairs)
        return;
    if (fw::messageBox(fw::loadString(IDS_EMPTY_PROGRAM), fw::MB_YESNO) == fw::IDYES) {
        m_dlgManager.addPairToEnd();
        createFlow(false);
    }
}

void CWorkFlow::reReadData()
{
    // An editor, a question or a menu opened from an element window may still be
    // open, with the element's handler underneath: the rebuild would delete the
    // window that opened it. It waits until that has closed.
    if (!fw::isModalOpen()) {
        createFlow(false);
        return;
    }
    if (m_rebuildWaiting)
        return;
    m_rebuildWaiting = true;
    fw::whenNoModalIsOpen(this, [this] {
        m_rebuildWaiting = false;
        try {
            reReadData();
        } catch (...) {
            // Failures of the model were logged where they arose; the event loop
            // that runs this cannot take them.
        }
    });
}

void CWorkFlow::createFlow(bool show)
{
    int height = 0;
    const FocusPlace focus = std::exchange(m_focusToKeep, FocusPlace());
    // Worked out while the flow is shown: the view tells what it keeps beside it.
    const int pairWidth = fittingWidth() - kPairX - kPairRightMargin;
    {
        const HiddenWhileBuilt hidden(*this, show);
        m_pairUpdates->setFlowUpdatePending(false);
        destroyFlow();
        height = buildColumn(pairWidth);
        applyLiveState();
    }
    restoreFocus(focus);
    // Shown, the flow has asked for its update after its element windows.
    m_pairUpdates->setFlowUpdatePending(isVisible());
    if (!m_hasPairs) {
        fitWidth();
        return;
    }
    // The host's window around the view is repainted at once with the new column
    // below, the flow in it: sized, the flow repaints nothing before.
    QWidget* view = GetParent();
    QWidget* grandparent = view ? view->parentWidget() : nullptr;
    SetWindowPos(0, 0, fittingWidth(), height,
                 fw::SWP_NOMOVE | fw::SWP_NOZORDER | (grandparent ? fw::SWP_NOREDRAW : 0u));
    fitWidth();
    if (grandparent) {
        grandparent->update();
        if (grandparent->isVisible()) {
            grandparent->repaint();
            // Painted with it, the flow needs no update for having been shown.
            m_shownAndPainted = isVisible();
        }
    }
}

int CWorkFlow::buildColumn(int pairWidth)
{
    int y = 0;
    m_hasPairs = programHasPairs();
    if (m_hasPairs) {
        m_topArrow.createAt(kArrowX, 0, this);
        y = m_topArrow.getSize().height();
    }
    for (const std::unique_ptr<CNEB_EAPair>& pair : m_dlgManager.getNEBProgram().getPairs()) {
        // In the list before its window exists, so that destroyFlow finds it
        // whatever happens while it is created.
        auto* control = new CEAPairCtrl(m_dlgManager, *pair, m_numbers, m_lists.get());
        m_pairCtrls.push_back(control);
        control->createAt(kPairX, y, this);
        control->setWidth(pairWidth);
        y += control->getSize().height();
    }
    if (!m_hasPairs)
        return 0;
    m_bottomArrow.createAt(kArrowX, y, this);
    return y + 2 * m_bottomArrow.GetWindowRect().Height();
}

int CWorkFlow::fittingWidth() const
{
    const QWidget* view = parentWidget();
    if (!view)
        return width();
    int room = view->width();
    if (m_scrollArea && m_scrollArea->widget() == view && m_scrollArea->widgetResizable()) {
        // The scroll area makes the view as wide as its viewport, or as its
        // minimum width when that is more; a view that keeps its minimum as wide
        // as its children and a margin would grow with the flow.
        const int margin = std::max(0, view->minimumWidth() - (geometry().right() + 1));
        room = m_scrollArea->viewport()->width() - margin;
    }
    return std::max(m_minimumWidth, room - x());
}

void CWorkFlow::fitWidth()
{
    const int fitting = fittingWidth();
    // The view may answer the new width with a size of its own, and this runs
    // again inside: the pairs take the width the flow has in the end.
    if (fitting != width())
        resize(fitting, height());
    for (CEAPairCtrl* pair : m_pairCtrls)
        pair->setWidth(width() - kPairX - kPairRightMargin);
}

bool CWorkFlow::eventFilter(QObject* watched, QEvent* event)
{
    const bool sizesTheFlow =
        watched == parentWidget() || (m_scrollArea && watched == m_scrollArea->viewport());
    if (!sizesTheFlow)
        return CNEBDlgControl::eventFilter(watched, event);
    if (event->type() == QEvent::Resize && IsWindowCreated())
        fitWidth();
    return false;
}

void CWorkFlow::showLiveState(const NEBPT::FlowLiveState& state)
{
    m_live = state;
    applyLiveState();
}

void CWorkFlow::applyLiveState()
{
    const int active = m_live.shown && m_live.running ? m_live.activePair : -1;
    int index = 0;
    for (CEAPairCtrl* pair : m_pairCtrls)
        pair->showLiveState(m_live, index++ == active);
}

bool CWorkFlow::selectPair(int pair)
{
    if (pair < 0 || static_cast<size_t>(pair) >= m_pairCtrls.size())
        return false;
    CEAPairCtrl* control = *std::next(m_pairCtrls.begin(), pair);
    if (!control->IsWindowCreated())
        return false;
    control->setFocus(Qt::OtherFocusReason);
    return true;
}

CWorkFlow::FocusPlace CWorkFlow::focusPlace() const
{
    FocusPlace place;
    QWidget* focused = window()->focusWidget();
    if (!focused || !isAncestorOf(focused))
        return place;
    int index = 0;
    for (CEAPairCtrl* pair : m_pairCtrls) {
        if (pair == focused || pair->isAncestorOf(focused)) {
            place.pair = index;
            for (fw::CDialog* box : {static_cast<fw::CDialog*>(&pair->eventCtrl()),
                                     static_cast<fw::CDialog*>(&pair->actionCtrl())}) {
                if (box->isAncestorOf(focused)) {
                    place.box = box->GetTemplateId();
                    place.control = fw::controlId(focused);
                }
            }
            break;
        }
        ++index;
    }
    return place;
}

void CWorkFlow::restoreFocus(const FocusPlace& place)
{
    if (place.pair < 0 || m_pairCtrls.empty())
        return;
    const size_t at = std::min(static_cast<size_t>(place.pair), m_pairCtrls.size() - 1);
    CEAPairCtrl* pair = *std::next(m_pairCtrls.begin(), static_cast<long>(at));
    QWidget* target = pair;
    for (fw::CDialog* box : {static_cast<fw::CDialog*>(&pair->eventCtrl()),
                             static_cast<fw::CDialog*>(&pair->actionCtrl())}) {
        QWidget* control =
            box->GetTemplateId() == place.box ? box->GetDlgItem(place.control) : nullptr;
        if (control && control->isVisibleTo(pair) && control->isEnabled())
            target = control;
    }
    target->setFocus(Qt::OtherFocusReason);
}

void CWorkFlow::destroyFlow()
{
    // A pair's window goes with the object, in place: a window that left the
    // host's window one by one would make Qt walk the window's whole focus chain,
    // every element window in it, for each pair. The arrows' windows leave it
    // (the arrows stay) once the pairs are gone, so their walks are short.
    m_lists->releaseLists();
    for (CEAPairCtrl* control : m_pairCtrls)
        delete control;
    m_pairCtrls.clear();
    m_lists->clear(); // the next column shows the choice lists as they are then
    m_topArrow.DestroyWindow();
    m_bottomArrow.DestroyWindow();
}

bool CWorkFlow::event(QEvent* event)
{
    if (event->type() == QEvent::UpdateLater) {
        m_pairUpdates->setFlowUpdatePending(false);
        // The update asked for when the flow was shown: a third painting of the
        // column otherwise.
        if (std::exchange(m_shownAndPainted, false))
            return true;
    }
    return CNEBDlgControl::event(event);
}

bool CWorkFlow::OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    const QPoint point(fw::lParamX(lParam), fw::lParamY(lParam));
    switch (message) {
    case WM_REREAD_DATA:
        // An element asks: the user goes on where the focus is.
        m_focusToKeep = focusPlace();
        reReadData();
        return true;
    case fw::WM_RBUTTONUP:
        OnRButtonUp(static_cast<unsigned>(wParam), point);
        return true;
    case fw::WM_LBUTTONUP:
        OnLButtonUp(static_cast<unsigned>(wParam), point);
        return false; // default processing goes on
    default:
        return CNEBDlgControl::OnMessage(message, wParam, lParam);
    }
}

void CWorkFlow::OnLButtonUp(unsigned, QPoint)
{
    // Takes the focus from a selected pair: its frame goes.
    setFocus();
}

void CWorkFlow::OnRButtonUp(unsigned, QPoint point)
{
    setFocus();
    ShowPopUpMenu(point);
}

void CWorkFlow::ShowPopUpMenu(QPoint point)
{
    fw::PopupMenu menu;
    menu.AppendMenu(fw::loadString(IDS_SHOW_SETTINGS), ID_SHOW_SETTINGS);
    menu.AppendSeparator();
    menu.AppendMenu(fw::loadString(IDS_ADD_PAIR_TO_END), ID_ADD_PAIR_TO_END);
    // The chosen command comes back to this window through OnCommand.
    menu.TrackPopupMenu(point + GetWindowRect().TopLeft(), this);
}

bool CWorkFlow::OnCommand(int id, int notification)
{
    switch (id) {
    case ID_ADD_PAIR_TO_END:
        m_dlgManager.addPairToEnd();
        reReadData();
        break;
    case ID_SHOW_SETTINGS:
        m_dlgManager.showNEB_Settings();
        reReadData();
        break;
    default:
        break;
    }
    return CNEBDlgControl::OnCommand(id, notification);
}

void CWorkFlow::OnEraseBkgnd(QPainter& painter)
{
    fw::paintWhiteBackground(painter, rect());
}
