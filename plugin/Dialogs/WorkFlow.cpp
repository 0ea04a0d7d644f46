#include "Dialogs/WorkFlow.h"

#include "DLGManager.h"
#include "Dialogs/EAPairCtrl.h"
#include "Settings_Manager/CNEB_Program.h"

#include "framework/MessageBox.h"
#include "framework/Resources.h"
#include "framework/widgets/Messages.h"
#include "framework/widgets/PopupMenu.h"
#include "languages/common/NEBPTResources.h"

#include <QPainter>

#include <memory>

namespace {

constexpr unsigned IDS_ADD_PAIR_TO_END = res::IDS_ADD_PAIR_TO_END;
constexpr unsigned IDS_EMPTY_PROGRAM = res::IDS_EMPTY_PROGRAM;
constexpr unsigned IDS_SHOW_SETTINGS = res::IDS_SHOW_SETTINGS;

} // namespace

CWorkFlow::CWorkFlow(CDLGManager& manager)
    : CNEBDlgControl(manager), m_topArrow(manager), m_bottomArrow(manager)
{}

CWorkFlow::~CWorkFlow()
{
    destroyFlow();
    DestroyWindow();
}

bool CWorkFlow::programHasPairs()
{
    return !m_dlgManager.getNEBProgram().getPairs().empty();
}

void CWorkFlow::createYourself(CFormView& view)
{
    if (!Create(IDD, &view))
        return; // the framework has reported the missing template
    show();
    m_hasPairs = programHasPairs();
    destroyFlow();
    createFlow();
    if (m_hasPairs)
        return;
    if (fw::messageBox(fw::loadString(IDS_EMPTY_PROGRAM), fw::MB_YESNO) == fw::IDYES) {
        m_dlgManager.addPairToEnd();
        destroyFlow();
        createFlow();
    }
}

void CWorkFlow::reReadData()
{
    // An editor, a question or a menu opened from an element window may still be
    // open, with the element's handler underneath: the rebuild would delete the
    // window that opened it. It waits until that has closed.
    if (!fw::isModalOpen()) {
        showFlow();
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

void CWorkFlow::showFlow()
{
    destroyFlow();
    createFlow();
}

void CWorkFlow::createFlow()
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
        auto* control = new CEAPairCtrl(m_dlgManager, *pair);
        m_pairCtrls.push_back(control);
        control->createAt(kPairX, y, this);
        y += control->getSize().height();
    }
    if (!m_hasPairs)
        return;
    m_bottomArrow.createAt(kArrowX, y, this);
    const int height = y + 2 * m_bottomArrow.GetWindowRect().Height();
    SetWindowPos(0, 0, width(), height, fw::SWP_NOMOVE | fw::SWP_NOZORDER);

    // The host's window around the view: repaint it at once with the new column.
    QWidget* view = GetParent();
    if (QWidget* grandparent = view ? view->parentWidget() : nullptr) {
        grandparent->update();
        if (grandparent->isVisible())
            grandparent->repaint();
    }
}

void CWorkFlow::destroyFlow()
{
    if (m_hasPairs) {
        m_topArrow.DestroyWindow();
        m_bottomArrow.DestroyWindow();
    }
    for (CEAPairCtrl* control : m_pairCtrls) {
        control->DestroyWindow();
        delete control;
    }
    m_pairCtrls.clear();
}

bool CWorkFlow::OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    const QPoint point(fw::lParamX(lParam), fw::lParamY(lParam));
    switch (message) {
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
