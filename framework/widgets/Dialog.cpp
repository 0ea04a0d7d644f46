#include "Dialog.h"

#include "DataExchange.h"
#include "Messages.h"
#include "SvgPicture.h"
#include "WidgetResources.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QChildEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <algorithm>
#include <exception>

namespace fw {

namespace {

ModalHook& currentModalHook()
{
    static ModalHook hook;
    return hook;
}

unsigned buttonDownMessage(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return WM_LBUTTONDOWN;
    case Qt::RightButton:
        return WM_RBUTTONDOWN;
    case Qt::MiddleButton:
        return WM_MBUTTONDOWN;
    default:
        return 0;
    }
}

uintptr_t keyState(const QMouseEvent* event)
{
    uintptr_t state = 0;
    const Qt::MouseButtons buttons = event->buttons();
    if (buttons & Qt::LeftButton)
        state |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        state |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        state |= MK_MBUTTON;
    if (event->modifiers() & Qt::ShiftModifier)
        state |= MK_SHIFT;
    if (event->modifiers() & Qt::ControlModifier)
        state |= MK_CONTROL;
    return state;
}

// Controls through which a click falls to the dialog beneath, as static
// controls do: they tell no parent about a button going down on them.
bool isTransparent(const QWidget* widget)
{
    if (qobject_cast<const QLabel*>(widget) || qobject_cast<const SvgPicture*>(widget))
        return true;
    const QMetaObject* meta = widget->metaObject();
    return meta == &QWidget::staticMetaObject || meta == &QFrame::staticMetaObject ||
           meta == &QGroupBox::staticMetaObject;
}

// Focus that moves into a popup (a combo box's list, a popup menu) and back
// is no change of focus for the dialogs: their lists and menus keep it.
bool isPopupFocusChange(const QFocusEvent* event)
{
    return event->reason() == Qt::PopupFocusReason || QApplication::activePopupWidget() != nullptr;
}

// Every widget remembers its last focused descendant (QWidget::focusWidget),
// also after the focus has moved on. A window that leaves its parent takes its
// descendants out of the reach of Qt's clean-up: when one of them is deleted
// later, an ancestor would keep pointing at it. Forget them first.
void releaseFocusFromAncestors(QWidget* widget)
{
    for (QWidget* ancestor = widget->parentWidget(); ancestor;
         ancestor = ancestor->parentWidget()) {
        QWidget* focused = ancestor->focusWidget();
        if (focused && (focused == widget || widget->isAncestorOf(focused)))
            focused->clearFocus();
    }
}

// Marks an accessible name the framework gave a control, as against one its
// template gave it: the framework may give it anew (a button's new caption).
constexpr const char* kGivenName = "fwGivenAccessibleName";

bool hasWordCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

// A caption as it is read: without the mnemonic marks and a closing ellipsis.
QString asRead(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x1f")).remove('&');
    text.replace('\x1f', '&');
    if (text.endsWith(QStringLiteral("...")))
        text.chop(3);
    else if (text.endsWith(QChar(0x2026)))
        text.chop(1);
    return text.trimmed();
}

// The static text right before `control` in its template (a label the code does
// not address); null when something else comes right before it.
QLabel* staticTextBefore(const QWidget* control)
{
    const QWidget* parent = control->parentWidget();
    if (!parent)
        return nullptr;
    const QObjectList& siblings = parent->children();
    for (int i = static_cast<int>(siblings.indexOf(const_cast<QWidget*>(control))) - 1; i >= 0;
         --i) {
        auto* widget = qobject_cast<QWidget*>(siblings[i]);
        if (!widget)
            continue; // a layout
        auto* label = qobject_cast<QLabel*>(widget);
        const int id = controlId(widget);
        return label && (id == kNoControlId || id == -1) ? label : nullptr;
    }
    return nullptr;
}

// Gives a control that takes the focus its accessible name (see Dialog.h); `title`:
// the template's title.
void nameControl(QWidget* control, const QString& title)
{
    if (!control->accessibleName().isEmpty() && !control->property(kGivenName).toBool())
        return;
    QString name;
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (button && hasWordCharacter(button->text())) {
        name = asRead(button->text());
    } else if (QLabel* label = staticTextBefore(control);
               label && hasWordCharacter(label->text())) {
        name = asRead(label->text());
        label->setBuddy(control);
    }
    if (name.isEmpty())
        name = control->toolTip();
    if (name.isEmpty())
        name = title;
    control->setAccessibleName(name);
    control->setProperty(kGivenName, true);
}

CDialog* enclosingDialog(const QWidget* widget)
{
    for (QWidget* parent = widget ? widget->parentWidget() : nullptr; parent;
         parent = parent->parentWidget()) {
        if (auto* dialog = qobject_cast<CDialog*>(parent))
            return dialog;
    }
    return nullptr;
}

} // namespace

ModalHook setModalHook(ModalHook hook)
{
    ModalHook previous = std::move(currentModalHook());
    currentModalHook() = std::move(hook);
    return previous;
}

void paintWhiteBackground(QPainter& painter, const QRect& client, bool blackFrame)
{
    painter.save();
    painter.setBrush(Qt::white);
    if (blackFrame) {
        painter.setPen(QPen(Qt::black, 0));
        // A one-pixel frame on the outermost pixels, as a rectangle drawn with a
        // one-pixel pen covers them.
        painter.fillRect(client, Qt::white);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(client.adjusted(0, 0, -1, -1));
    } else {
        painter.fillRect(client, Qt::white);
    }
    painter.restore();
}

CDialog::CDialog(unsigned templateId, QWidget* parent)
    : QDialog(nullptr), m_templateId(templateId), m_owner(parent)
{
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
}

CDialog::~CDialog()
{
    destroyWindow(false);
}

template <class F> void CDialog::guarded(const char* where, F&& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        qWarning("NEBPT framework: exception left %s of template %u: %s", where, m_templateId,
                 e.what());
    } catch (...) {
        qWarning("NEBPT framework: exception left %s of template %u", where, m_templateId);
    }
}

bool CDialog::buildWindow(unsigned templateId)
{
    m_templateId = templateId;
    const QObjectList before = children();
    if (!createTemplate(templateId, this)) {
        qWarning("NEBPT framework: the current resource library has no dialog template %u",
                 templateId);
        return false;
    }
    m_controls.clear();
    for (QObject* child : children()) {
        if (!before.contains(child))
            m_controls.emplace_back(child);
    }
    m_created = true;
    m_ended = false;
    m_result = 0;
    hookControls();
    nameControls();
    return true;
}

void CDialog::forEachControlWidget(const std::function<bool(QWidget&)>& visit) const
{
    std::vector<QWidget*> pending;
    for (const QPointer<QObject>& object : m_controls) {
        if (auto* widget = qobject_cast<QWidget*>(object.data()))
            pending.push_back(widget);
    }
    while (!pending.empty()) {
        QWidget* widget = pending.back();
        pending.pop_back();
        if (qobject_cast<CDialog*>(widget) || widget->isWindow() || !visit(*widget))
            continue;
        for (QObject* child : widget->children()) {
            if (auto* childWidget = qobject_cast<QWidget*>(child))
                pending.push_back(childWidget);
        }
    }
}

void CDialog::nameControls()
{
    const QString title = windowTitle();
    forEachControlWidget([&](QWidget& widget) {
        if (!(widget.focusPolicy() & Qt::TabFocus))
            return true;
        nameControl(&widget, title);
        return false; // a control's own parts are its own
    });
}

void CDialog::hookControls()
{
    forEachControlWidget([this](QWidget& control) {
        QWidget* const widget = &control;
        widget->installEventFilter(this);
        // A closed list changes only by a choice from its open list: the wheel
        // passing over it gives it no focus (eventFilter takes its wheel and keys).
        if (auto* list = qobject_cast<QComboBox*>(widget))
            list->setFocusPolicy(Qt::StrongFocus);

        const int id = controlId(widget);
        if (id == kNoControlId)
            return true;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            connect(button, &QAbstractButton::clicked, this, [this, id] {
                if (m_created)
                    guarded("a button handler", [&] { dispatchCommand(id, BN_CLICKED); });
            });
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            connect(combo, &QComboBox::activated, this, [this, id] {
                if (m_created)
                    guarded("a list handler", [&] { dispatchCommand(id, CBN_SELCHANGE); });
            });
            // The list's popup container is made when the list first opens; it is
            // watched from then on (ChildPolished below), its showing being the list
            // opening. Not asking for it here keeps a closed list small.
        }
        return true;
    });
}

bool CDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_created)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    switch (event->type()) {
    case QEvent::ChildPolished:
        if (qobject_cast<QComboBox*>(widget)) {
            auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
            if (child && child->isWindow())
                child->installEventFilter(this);
        }
        break;
    case QEvent::Show:
        if (widget->isWindow()) {
            if (auto* combo = qobject_cast<QComboBox*>(widget->parentWidget())) {
                const int id = controlId(combo);
                if (id != kNoControlId)
                    guarded("a list handler", [&] { dispatchCommand(id, CBN_DROPDOWN); });
            }
        }
        break;
    case QEvent::Wheel:
    case QEvent::KeyPress:
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            return keepClosedListUnchanged(*combo, *event);
        break;
    case QEvent::FocusOut:
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            const int id = controlId(combo);
            if (!isPopupFocusChange(static_cast<QFocusEvent*>(event)) && id != kNoControlId)
                guarded("a list handler", [&] { dispatchCommand(id, CBN_KILLFOCUS); });
        }
        break;
    case QEvent::ContextMenu:
        // The Menu key on a list: the list would take it and do nothing with it.
        // Other controls show their own menu or pass it on to the dialog.
        if (auto* combo = qobject_cast<QComboBox*>(widget);
            combo && !combo->isEditable() &&
            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            event->accept();
            menuKey(combo->mapTo(this, static_cast<QContextMenuEvent*>(event)->pos()));
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        if (!widget->isWindow() && !isTransparent(widget)) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPointer<QWidget> clicked = widget;
            notifyParents(buttonDownMessage(mouse->button()), mouse->globalPosition().toPoint(),
                          true);
            // The parents hear of the click before the control handles it; a control
            // that takes the focus on a click has it afterwards, whoever took it
            // while the parents were told.
            if (clicked && clicked->isEnabled() && (clicked->focusPolicy() & Qt::ClickFocus) &&
                QApplication::focusWidget() != clicked)
                clicked->setFocus(Qt::MouseFocusReason);
        }
        break;
    default:
        break;
    }
    return false;
}

void CDialog::notifyParents(unsigned button, QPoint globalPoint, bool includeSelf)
{
    if (button == 0)
        return;
    QPointer<CDialog> receiver = includeSelf ? this : enclosingDialog(this);
    while (receiver) {
        const QPoint client = receiver->mapFromGlobal(globalPoint);
        CDialog* next = enclosingDialog(receiver);
        QPointer<CDialog> nextGuard = next;
        receiver->guarded("a parent notification handler", [&] {
            receiver->dispatchMessage(WM_PARENTNOTIFY, button, makeLParam(client.x(), client.y()));
        });
        receiver = nextGuard;
    }
}

bool CDialog::Create(unsigned templateId, QWidget* parent)
{
    if (m_created)
        DestroyWindow();
    m_modal = false;
    setParent(parent, parent ? Qt::Widget : Qt::Dialog);
    if (!buildWindow(templateId)) {
        releaseFocusFromAncestors(this);
        setParent(nullptr, Qt::Dialog);
        return false;
    }
    hide(); // a child window appears when its creator shows it
    const QVariant position = property("templatePos");
    move(position.isValid() ? position.toPoint() : QPoint(0, 0));
    OnInitDialog();
    return true;
}

void CDialog::DestroyWindow()
{
    destroyWindow(true);
}

void CDialog::destroyWindow(bool detach)
{
    if (!m_created)
        return;
    m_created = false;
    // A window that goes with its object and is not on the screen (its window is
    // hidden) needs no hiding: the destructor takes it away.
    if (detach || isVisible())
        hide();
    for (CDialog* child : findChildren<CDialog*>(Qt::FindDirectChildrenOnly))
        child->DestroyWindow();
    std::vector<QPointer<QObject>> controls;
    controls.swap(m_controls);
    for (const QPointer<QObject>& object : controls)
        delete object.data();
    // Without a window the object belongs to its owner alone: the former parent
    // widget must not delete it.
    if (detach && !m_modal && parentWidget()) {
        releaseFocusFromAncestors(this);
        setParent(nullptr, Qt::Dialog);
    }
}

QWidget* CDialog::GetParent() const
{
    return parentWidget() ? parentWidget() : m_owner.data();
}

int CDialog::DoModal()
{
    if (m_modal) {
        qWarning("NEBPT framework: dialog %u is already running", m_templateId);
        return -1;
    }
    if (m_created)
        DestroyWindow();
    // The owner, or the window or handler that opened the dialog, must not be
    // destroyed before the dialog has closed (whenNoModalIsOpen).
    const ModalScope modal;
    setParent(m_owner.data(), Qt::Dialog);
    if (!buildWindow(m_templateId)) {
        releaseFocusFromAncestors(this);
        setParent(nullptr, Qt::Dialog);
        return -1;
    }
    m_modal = true;
    if (!layout())
        setFixedSize(size());
    setWindowModality(Qt::ApplicationModal);

    auto finish = [this] {
        m_modal = false;
        DestroyWindow();
        setWindowModality(Qt::NonModal);
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        releaseFocusFromAncestors(this);
        setParent(nullptr, Qt::Dialog);
    };
    try {
        OnInitDialog();
        if (!m_ended) {
            const ModalHook hook = currentModalHook();
            if (hook) {
                show();
                hook(*this);
            } else {
                exec();
            }
        }
        if (!m_ended)
            OnCancel();
        if (!m_ended)
            EndDialog(IDCANCEL);
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return m_result;
}

void CDialog::EndDialog(int result)
{
    m_ended = true;
    m_result = result;
    setResult(result);
    hide();
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(*this, saveAndValidate);
    try {
        DoDataExchange(dx);
    } catch (const CDataExchange::Failure&) {
        return false;
    }
    return true;
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange&) {}

bool CDialog::OnCommand(int id, int notification)
{
    if (notification != BN_CLICKED)
        return false;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool CDialog::OnMessage(unsigned, uintptr_t, intptr_t)
{
    return false;
}

void CDialog::OnEraseBkgnd(QPainter& painter)
{
    paintWhiteBackground(painter, rect());
}

void CDialog::OnPaint(QPainter&) {}

bool CDialog::dispatchCommand(int id, int notification)
{
    return OnCommand(id, notification);
}

bool CDialog::dispatchMessage(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (message == WM_COMMAND)
        return dispatchCommand(static_cast<int>(wParam & 0xFFFF),
                               static_cast<int>((wParam >> 16) & 0xFFFF));
    return OnMessage(message, wParam, lParam);
}

QWidget* CDialog::GetDlgItem(int id) const
{
    return m_created ? findControl(this, id) : nullptr;
}

void CDialog::SetDlgItemText(int id, const std::string& text)
{
    QWidget* control = GetDlgItem(id);
    const QString value = QString::fromStdString(text);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(value);
        nameControl(button, windowTitle());
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->isEditable())
            combo->setEditText(value);
        else
            combo->setCurrentIndex(combo->findText(value));
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(value);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->setPlainText(value);
    } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        rich->setPlainText(value);
    } else {
        qWarning("NEBPT framework: no text control %d in template %u", id, m_templateId);
    }
}

std::string CDialog::GetDlgItemText(int id) const
{
    QWidget* control = GetDlgItem(id);
    QString value;
    if (auto* label = qobject_cast<QLabel*>(control))
        value = label->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        value = edit->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        value = button->text();
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        value = combo->currentText();
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        value = group->title();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        value = plain->toPlainText();
    else if (auto* rich = qobject_cast<QTextEdit*>(control))
        value = rich->toPlainText();
    else
        qWarning("NEBPT framework: no text control %d in template %u", id, m_templateId);
    return value.toStdString();
}

void CDialog::EnableDlgItem(int id, bool enable)
{
    if (QWidget* control = GetDlgItem(id))
        control->setEnabled(enable);
    else
        qWarning("NEBPT framework: no control %d in template %u", id, m_templateId);
}

void CDialog::ShowDlgItem(int id, bool show)
{
    if (QWidget* control = GetDlgItem(id))
        control->setVisible(show);
    else
        qWarning("NEBPT framework: no control %d in template %u", id, m_templateId);
}

CRect CDialog::GetDlgItemRect(int id) const
{
    QWidget* control = GetDlgItem(id);
    return control ? rectIn(control, this) : CRect();
}

void CDialog::SetWindowText(const std::string& title)
{
    setWindowTitle(QString::fromStdString(title));
}

std::string CDialog::GetWindowText() const
{
    return windowTitle().toStdString();
}

void CDialog::accept()
{
    guarded("OnOK", [&] { OnOK(); });
}

void CDialog::reject()
{
    guarded("OnCancel", [&] { OnCancel(); });
}

void CDialog::setVisible(bool visible)
{
    // A child dialog is a plain child window: none of QDialog's window
    // behaviour (default buttons, focus on showing, leaving a modal loop).
    if (isWindow())
        QDialog::setVisible(visible);
    else
        QWidget::setVisible(visible);
}

bool CDialog::event(QEvent* event)
{
    if (event->type() == MessageEvent::eventType()) {
        // A message for a window destroyed since it was posted is dropped.
        const auto* message = static_cast<MessageEvent*>(event);
        if (m_created)
            guarded("a message handler", [&] {
                dispatchMessage(message->message(), message->wParam(), message->lParam());
            });
        return true;
    }
    if (event->type() == QEvent::Close) {
        // The window's close button: cancel as Escape does; stay open if
        // OnCancel keeps the dialog open.
        if (isVisible() && m_created && !m_ended)
            guarded("OnCancel", [&] { OnCancel(); });
        if (isVisible())
            event->ignore();
        else
            event->accept();
        return true;
    }
    return QDialog::event(event);
}

void CDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    guarded("the painting", [&] {
        OnEraseBkgnd(painter);
        OnPaint(painter);
    });
}

void CDialog::keyPressEvent(QKeyEvent* event)
{
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        guarded("the Enter key", [&] { dispatchCommand(IDOK, BN_CLICKED); });
        event->accept();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        guarded("the Escape key", [&] { dispatchCommand(IDCANCEL, BN_CLICKED); });
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CDialog::mousePressEvent(QMouseEvent* event)
{
    notifyParents(buttonDownMessage(event->button()), event->globalPosition().toPoint(), false);
    event->accept();
}

void CDialog::mouseReleaseEvent(QMouseEvent* event)
{
    unsigned message = 0;
    if (event->button() == Qt::LeftButton)
        message = WM_LBUTTONUP;
    else if (event->button() == Qt::RightButton)
        message = WM_RBUTTONUP;
    if (message != 0 && m_created) {
        const QPoint point = event->position().toPoint();
        guarded("a mouse handler", [&] {
            dispatchMessage(message, keyState(event), makeLParam(point.x(), point.y()));
        });
    }
    event->accept();
}

void CDialog::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() != QContextMenuEvent::Keyboard) {
        QDialog::contextMenuEvent(event);
        return;
    }
    event->accept();
    menuKey(event->pos());
}

void CDialog::menuKey(QPoint point)
{
    // What a right click where the focus is would open.
    if (m_created)
        guarded("the Menu key",
                [&] { dispatchMessage(WM_RBUTTONUP, 0, makeLParam(point.x(), point.y())); });
}

void CDialog::focusInEvent(QFocusEvent* event)
{
    if (m_created && !isPopupFocusChange(event))
        guarded("a focus handler", [&] { dispatchMessage(WM_SETFOCUS, 0, 0); });
    QDialog::focusInEvent(event);
}

void CDialog::focusOutEvent(QFocusEvent* event)
{
    if (m_created && !isPopupFocusChange(event))
        guarded("a focus handler", [&] { dispatchMessage(WM_KILLFOCUS, 0, 0); });
    QDialog::focusOutEvent(event);
}

void CDialog::showEvent(QShowEvent* event)
{
    // Only windows are centred on their owner; a child stays where it was put.
    if (isWindow())
        QDialog::showEvent(event);
    else
        QWidget::showEvent(event);
}

} // namespace fw
