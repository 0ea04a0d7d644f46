#include "Dialogs/EAPairCtrl.h"

#include "DLGManager.h"
#include "Dialogs/DialogColours.h"
#include "Settings_Manager/CNEB_EAPair.h"

#include "framework/Format.h"
#include "framework/Resources.h"
#include "framework/widgets/ElidedLabel.h"
#include "framework/widgets/PopupMenu.h"
#include "languages/common/NEBPTResources.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

// Texts of the pair's popup menu.
constexpr unsigned IDS_SHOW_SETTINGS = res::IDS_SHOW_SETTINGS;
constexpr unsigned IDS_INSERT_PAIR_BEFORE = res::IDS_INSERT_PAIR_BEFORE;
constexpr unsigned IDS_DELETE_PAIR = res::IDS_DELETE_PAIR;

// Room between the boxes, the values and the mark, and to the pair's right edge.
constexpr int kGap = 8;
// The active step's frame.
constexpr int kActiveFrameWidth = 3;
// Where the pair's number stands: left of the action box's list.
constexpr QRect kNumberRect(6, 41, 63, 26);

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CEAPairCtrl::CEAPairCtrl(CDLGManager& manager, CNEB_EAPair& pair, const std::locale& numbers,
                         choicecombo::SharedLists* lists)
    : CNEBDlgControl(manager), m_pair(pair), m_eventCtrl(manager, pair.getEvent()),
      m_actionCtrl(manager, pair.getAction())
{
    for (CEABoxCtrl* box :
         {static_cast<CEABoxCtrl*>(&m_eventCtrl), static_cast<CEABoxCtrl*>(&m_actionCtrl)}) {
        box->setNumberLocale(numbers);
        box->shareListsWith(lists);
    }
}

// The boxes' windows go with the box objects, then the pair's with the pair.
CEAPairCtrl::~CEAPairCtrl() = default;

fw::ElidedLabel* CEAPairCtrl::addLabel(const QString& text, bool bold)
{
    auto* label = new fw::ElidedLabel(this);
    label->setBold(bold);
    label->setText(text);
    // Placed before it is shown (placeLabels places it again): shown unplaced, a
    // label would first take the size its text asks for, which costs a layout of
    // the text.
    label->setGeometry(QRect());
    label->show();
    return label;
}

void CEAPairCtrl::createAt(int x, int y, QWidget* parent)
{
    CNEBDlgControl::createAt(x, y, parent);
    if (!IsWindowCreated())
        return;
    m_eventCtrl.createAt(kEventPos.x(), kEventPos.y(), this);
    m_actionCtrl.createAt(kActionPos.x(), kActionPos.y(), this);
    // Made after the boxes, the texts lie above them: the number reaches into
    // the action box's empty margin before its list.
    m_number = addLabel(fromStd(fw::format(fw::loadString(res::IDS_PAIR_NUMBER).c_str(),
                                           static_cast<int>(m_pair.getIndex()))),
                        true);
    m_number->setTextColour(dialogcolours::kPairNumber);
    m_number->setGeometry(kNumberRect);
    for (auto [label, box] : {std::pair{&m_eventValue, static_cast<CEABoxCtrl*>(&m_eventCtrl)},
                              {&m_actionValue, &m_actionCtrl}}) {
        if (!box->objectValue().text().empty())
            *label = addLabel(fromStd(box->objectValue().text()), false);
    }
    placeLabels();
}

void CEAPairCtrl::setWidth(int width)
{
    if (!IsWindowCreated() || width == this->width())
        return;
    resize(width, height());
    placeLabels();
}

void CEAPairCtrl::placeLabels()
{
    if (!m_eventCtrl.IsWindowCreated() || !m_actionCtrl.IsWindowCreated())
        return;
    const QRect event = m_eventCtrl.geometry();
    const QRect action = m_actionCtrl.geometry();
    // One column for both values, beside the wider box; texts as high as its buttons.
    const int column = std::max(event.right(), action.right()) + 1 + kGap;
    const int right = width() - kGap;
    const auto place = [right](QWidget* label, int x, const QRect& box, int width) {
        label->setGeometry(x, box.y() + 1, std::max(0, std::min(width, right - x)),
                           box.height() - 2);
    };
    if (m_eventValue)
        place(m_eventValue, column, event, right - column);
    int actionColumn = column;
    if (m_activeMark && m_active) {
        QFont bold = m_activeMark->font();
        bold.setBold(true);
        const int mark = QFontMetrics(bold).horizontalAdvance(m_activeMark->text()) + 2;
        place(m_activeMark, column, action, mark);
        actionColumn += mark + kGap;
    }
    if (m_actionValue)
        place(m_actionValue, actionColumn, action, right - actionColumn);
}

void CEAPairCtrl::showLiveState(const NEBPT::FlowLiveState& live, bool active)
{
    if (active != m_active && IsWindowCreated()) {
        m_active = active;
        m_eventCtrl.setTinted(active);
        m_actionCtrl.setTinted(active);
        if (active && !m_activeMark) {
            m_activeMark = addLabel(
                QStringLiteral("\u25B6 ") + fromStd(fw::loadString(res::IDS_ACTIVE_STEP)), true);
            m_activeMark->setTextColour(dialogcolours::kActiveStepFrame);
        }
        if (m_activeMark)
            m_activeMark->setVisible(active);
        placeLabels();
        update();
    }
    for (auto [label, box] :
         {std::pair<fw::ElidedLabel*, const CEABoxCtrl*>{m_eventValue.data(), &m_eventCtrl},
          {m_actionValue.data(), &m_actionCtrl}}) {
        if (label && box->objectValue().isTimer())
            label->setText(fromStd(box->objectValue().text(live)));
    }
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
    if (!m_active) {
        fw::paintWhiteBackground(painter, rect(), m_selected);
        return;
    }
    // The tint, a frame of its own inside the selection frame's pixel, and that.
    const QRect client = rect();
    painter.fillRect(client, dialogcolours::kActiveStepTint);
    const int t = kActiveFrameWidth;
    for (const QRect& edge :
         {QRect(0, 0, client.width(), t), QRect(0, client.height() - t, client.width(), t),
          QRect(0, 0, t, client.height()), QRect(client.width() - t, 0, t, client.height())})
        painter.fillRect(edge, dialogcolours::kActiveStepFrame);
    if (m_selected) {
        painter.save();
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(client.adjusted(0, 0, -1, -1));
        painter.restore();
    }
}
