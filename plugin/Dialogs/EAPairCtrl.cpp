#include "Dialogs/EAPairCtrl.h"

#include "DLGManager.h"
#include "Settings_Manager/CNEB_EAPair.h"

#include "framework/Resources.h"
#include "framework/widgets/PopupMenu.h"
#include "languages/common/NEBPTResources.h"

#include <QPainter>

namespace {

// Texts of the pair's popup menu.
constexpr unsigned IDS_SHOW_SETTINGS = res::IDS_SHOW_SETTINGS;
constexpr unsigned IDS_INSERT_PAIR_BEFORE = res::IDS_INSERT_PAIR_BEFORE;
constexpr unsigned IDS_DELETE_PAIR = res::IDS_DELETE_PAIR;

} // namespace

CEAPairCtrl::CEAPairCtrl(CDLGManager& manager, CNEB_EAPair& pair)
    : CNEBDlgControl(manager), m_pair(pair), m_eventCtrl(manager, pair.getEvent()),
      m_actionCtrl(manager, pair.getAction())
{}

// The boxes' windows go with the box objects, then the pair's with the pair.
CEAPairCtrl::~CEAPairCtrl() = default;

void CEAPairCtrl::createAt(int x, int y, QWidget* parent)
{
    CNEBDlgControl::createAt(x, y, parent);
    if (!IsWindowCreated())
        return;
    m_eventCtrl.createAt(kEventPos.x(), kEventPos.y(), this);
    m_actionCtrl.createAt(kActionPos.x(), kActionPos.y(), this);
}

void CEAPairCtrl::reReadData()
{
    requestParentReRead();
}

void CEAPairCtrl::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    repaint();
}

bool CEAPairCtrl::OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case fw::WM_SETFOCUS:
    case fw::WM_ACTIVATE:
        setSelected(true);
        return true;
    case fw::WM_KILLFOCUS:
        setSelected(false);
        return true;
    case fw::WM_LBUTTONUP:
        setFocus();
        return true;
    case fw::WM_PARENTNOTIFY:
        if (wParam == fw::WM_LBUTTONDOWN || wParam == fw::WM_RBUTTONDOWN ||
            wParam == fw::WM_MBUTTONDOWN)
            setFocus();
        return false;
    case fw::WM_RBUTTONUP:
        setFocus();
        showPopUpMenu(QPoint(fw::lParamX(lParam), fw::lParamY(lParam)));
        return false;
    default:
        return CNEBDlgControl::OnMessage(message, wParam, lParam);
    }
}

void CEAPairCtrl::showPopUpMenu(QPoint point)
{
    fw::PopupMenu menu;
    menu.AppendMenu(fw::loadString(IDS_SHOW_SETTINGS), ID_SHOW_SETTINGS);
    menu.AppendSeparator();
    menu.AppendMenu(fw::loadString(IDS_INSERT_PAIR_BEFORE), ID_INSERT_PAIR_BEFORE);
    menu.AppendMenu(fw::loadString(IDS_DELETE_PAIR), ID_DELETE_PAIR);
    // The chosen command comes back to this window through OnCommand.
    menu.TrackPopupMenu(point + GetWindowRect().TopLeft(), this);
}

bool CEAPairCtrl::OnCommand(int id, int notification)
{
    switch (id) {
    case ID_INSERT_PAIR_BEFORE:
        m_dlgManager.addPairBeforeSelected(m_pair);
        reReadData();
        break;
    case ID_DELETE_PAIR:
        m_dlgManager.deletePair(m_pair);
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

void CEAPairCtrl::OnEraseBkgnd(QPainter& painter)
{
    fw::paintWhiteBackground(painter, rect(), m_selected);
}
