#pragma once

#include "ComboBox.h"
#include "Geometry.h"

#include "framework/MessageBox.h"

#include <QDialog>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QPainter;

namespace fw {

class CDataExchange;

// A dialog window built from a numbered template of the current language
// resource library (fw::createTemplate), in one of two ways:
//
//  - modeless child: Create(templateId, parent) builds the template into this
//    widget as a child of `parent`, runs OnInitDialog and returns; the window
//    stays hidden until shown (show()). A template may place the window with the
//    dynamic property "templatePos" (QPoint) on its top widget, else it sits at (0, 0).
//    DestroyWindow() removes the window's controls and hides it; the object
//    stays and may Create again. While its window exists a child dialog is a Qt
//    child of `parent`: its C++ owner destroys it (or its window) before the
//    parent widget goes. Without a window it belongs to no parent widget.
//  - modal: construct with the template number and the owner window, then
//    DoModal(). It builds the template as a window owned by `parent`, runs
//    OnInitDialog, runs until EndDialog, destroys the window's controls and
//    answers the EndDialog result: IDOK, IDCANCEL, or -1 when the current
//    resource library lacks the template (nothing is shown then).
//
// Controls are found by their numeric ID: the dynamic property "ctrlId" (int)
// that the template gives each control the code addresses. Several controls
// may share an ID (static texts use -1); GetDlgItem answers the first in the
// template's order. Controls inside a child dialog belong to that dialog, not
// to its parent.
//
// What reaches the virtual handlers:
//  - OnCommand(id, notification): a button's click (BN_CLICKED); a combo box's
//    user choice (CBN_SELCHANGE, also when the chosen entry was already selected),
//    its list opening (CBN_DROPDOWN) and its losing the focus to anything but its
//    own list (CBN_KILLFOCUS); Enter (IDOK) and Escape (IDCANCEL) pressed in the
//    dialog; the command chosen in a popup menu this dialog owns (notification 0);
//    a WM_COMMAND message. The base version runs OnOK for IDOK and OnCancel for
//    IDCANCEL and answers true for those two, false otherwise; an override passes
//    every command it does not handle on to it.
//  - OnMessage(message, wParam, lParam): numbered messages posted or sent with
//    fw::postMessage / fw::sendMessage, and, translated from the window's own
//    input: WM_LBUTTONUP and WM_RBUTTONUP (wParam the MK_ key state, lParam the
//    point in client coordinates, see fw::makeLParam), WM_RBUTTONUP also for
//    the Menu key pressed on the dialog or on a control without a menu of its
//    own (wParam 0, the point in the focused control), WM_SETFOCUS and
//    WM_KILLFOCUS when this window itself gains or loses the keyboard focus, and
//    WM_PARENTNOTIFY (wParam WM_LBUTTONDOWN, WM_RBUTTONDOWN or WM_MBUTTONDOWN,
//    lParam the point in this window's client coordinates) when a button goes
//    down on one of its controls or child windows. Answer true when handled.
//    Mouse messages are never passed on to the parent by the framework: a window
//    that wants its parent to know forwards them with fw::sendMessage.
//    Focus moving into a popup (a list's drop-down, a popup menu) and back is no
//    change of focus: neither the dialog nor the list hears of it.
//
// Handlers that Qt calls (control signals, posted messages, input) are
// exception barriers: an exception escaping a handler there is reported with
// qWarning and dropped, since it cannot cross Qt's event loop. Handlers called
// directly (sendMessage, dispatchCommand, a test calling OnCommand or OnOK, the
// modal hook's own code) let exceptions through to the caller; a button clicked
// with QAbstractButton::click() is a Qt signal and therefore a barrier.
//
// Tests drive dialogs through tests/dialogs/WidgetTestSupport.h: the modal hook
// (ModalAnswerer), popup-menu recording, choosing a list entry as the user does.
//
// Keyboard use: the tab order is the template's order of its controls, and
// every control that takes the focus has an accessible name from what the user
// reads for it: a name the template gives it, else its own text (a button's
// caption, kept up to date by SetDlgItemText), else the static text right before
// it in the template, else its tool tip, else the template's title.
//
// Lists: a closed list changes only by a choice from its open list, so that no
// stray input writes to the drive (each choice is a CBN_SELCHANGE). The mouse
// wheel over a list never changes it nor gives it the focus (the framework's
// lists take the focus from Tab and clicks only, Qt::StrongFocus); the wheel goes
// on to the list's parents, and a scroll area around the dialog scrolls. On a
// closed list that is not editable, Up, Down, PageUp, PageDown, Home and End open
// the list with its entry highlighted, as F4, Alt+Down and Space do, and a typed
// letter opens it and searches in it. In the open list the keys and letters move
// the highlight only; Return, Enter or a click chooses, Escape closes it with
// nothing changed (fw::keepClosedListUnchanged).
//
// Painting: the base paints the whole client area white (OnEraseBkgnd) and then
// calls OnPaint for the dialog's own drawing; controls paint themselves on top.
//
// Never destroy a window from inside one of its own handlers; post a message to
// its owner instead (the owner handles it after the handler has returned).
class CDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CDialog(unsigned templateId = 0, QWidget* parent = nullptr);
    ~CDialog() override;

    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // The template this dialog was built from last (or will be, for DoModal).
    unsigned GetTemplateId() const { return m_templateId; }

    // --- creation -----------------------------------------------------------

    // Builds template `templateId` as a child window of `parent` (a top-level
    // window when `parent` is null) and runs OnInitDialog. False, with a warning,
    // when the current resource library lacks the template. A window that exists
    // already is destroyed first.
    bool Create(unsigned templateId, QWidget* parent);
    // Hides the window and deletes the controls of its template; child dialogs
    // lose their windows too. Does nothing when there is no window.
    void DestroyWindow();
    // Whether the window exists (between Create/DoModal and DestroyWindow).
    bool IsWindowCreated() const { return m_created; }

    int DoModal();
    // Ends the dialog with `result`: DoModal returns it. On a modeless dialog it
    // hides the window.
    void EndDialog(int result);
    // Whether EndDialog has run since the window was made, and with what result.
    bool IsEnded() const { return m_ended; }
    int GetResult() const { return m_result; }

    // Runs DoDataExchange in one direction; false when the exchange failed
    // (CDataExchange::Fail), in which case the failing control has the focus.
    bool UpdateData(bool saveAndValidate = true);

    // The window given at construction (modal owner) or at Create (parent).
    QWidget* GetParent() const;

    // --- handlers -----------------------------------------------------------

    // Base: UpdateData(false), true. Return true to let the framework choose the focus.
    virtual bool OnInitDialog();
    // Base: UpdateData(true) and, when that succeeds, EndDialog(IDOK).
    virtual void OnOK();
    // Base: EndDialog(IDCANCEL).
    virtual void OnCancel();
    // Base: nothing.
    virtual void DoDataExchange(CDataExchange& dx);
    virtual bool OnCommand(int id, int notification);
    // Base: false (nothing handled).
    virtual bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
    // Base: paints the client area white (fw::paintWhiteBackground).
    virtual void OnEraseBkgnd(QPainter& painter);
    // Base: nothing.
    virtual void OnPaint(QPainter& painter);

    // --- controls -----------------------------------------------------------

    // The first control with this ID in the template's order; null when none.
    QWidget* GetDlgItem(int id) const;
    template <class T> T* GetDlgItemAs(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }
    CComboBox GetComboBox(int id) const { return CComboBox(GetDlgItem(id)); }

    // The text of a static text, edit, button, group box or combo box (its
    // edit text or selected entry). Static texts show the text as plain text.
    // A missing control is reported with qWarning and ignored.
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    void EnableDlgItem(int id, bool enable);
    void ShowDlgItem(int id, bool show);
    // The control's rectangle in this dialog's client coordinates (zeros when missing).
    CRect GetDlgItemRect(int id) const;

    void SetWindowText(const std::string& title);
    std::string GetWindowText() const;

    // --- geometry -----------------------------------------------------------

    CRect GetWindowRect() const { return windowRect(this); }
    CRect GetClientRect() const { return CRect(0, 0, width(), height()); }
    QPoint ClientToScreen(QPoint point) const { return mapToGlobal(point); }
    QPoint ScreenToClient(QPoint point) const { return mapFromGlobal(point); }
    void MoveWindow(int x, int y, int w, int h, bool repaint = true)
    {
        moveWindow(this, x, y, w, h, repaint);
    }
    void SetWindowPos(int x, int y, int w, int h, unsigned flags)
    {
        setWindowPos(this, x, y, w, h, flags);
    }

    // Runs a command or message through the handlers as if it had arrived from
    // the framework (used by the popup menu and the message functions).
    bool dispatchCommand(int id, int notification);
    bool dispatchMessage(unsigned message, uintptr_t wParam, intptr_t lParam);

    // QDialog's accept/reject (used by Qt, e.g. closing the window) run OnOK/OnCancel.
    void accept() override;
    void reject() override;
    void setVisible(bool visible) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool buildWindow(unsigned templateId);
    // DestroyWindow; `detach`: take the window out of its parent widget, which
    // the destructor leaves to QWidget's (that costs no walk through the
    // top-level window's focus chain).
    void destroyWindow(bool detach);
    // Visits the widgets of the template's controls and, while `visit` answers
    // true for a widget, its child widgets; nested dialogs and windows are not
    // visited.
    void forEachControlWidget(const std::function<bool(QWidget&)>& visit) const;
    void hookControls();
    // Gives every control that takes the focus its accessible name.
    void nameControls();
    void notifyParents(unsigned button, QPoint globalPoint, bool includeSelf);
    // The Menu key pressed at `point` (client coordinates).
    void menuKey(QPoint point);
    template <class F> void guarded(const char* where, F&& handler);

    unsigned m_templateId;
    QPointer<QWidget> m_owner;
    std::vector<QPointer<QObject>> m_controls; // what the template made: controls, layout
    bool m_created = false;
    bool m_modal = false;
    bool m_ended = false;
    int m_result = 0;
};

// The modal seam. When a hook is installed, DoModal shows the dialog, calls the
// hook with it once OnInitDialog has run, and returns without entering an event
// loop. The hook acts as the user would: it sets controls, clicks buttons
// (QAbstractButton::click), chooses entries, or calls handlers such as OnOK.
// If the dialog has not ended when the hook returns, DoModal closes it as the
// window's close button does (OnCancel; EndDialog(IDCANCEL) if that leaves it
// open). A DoModal reached from inside the hook (a nested dialog) calls the hook
// again with the nested dialog, so one hook answers a whole chain; exceptions
// thrown in the hook leave DoModal to its caller. Returns the previous hook; an
// empty hook restores the real modal loop.
using ModalHook = std::function<void(CDialog& dialog)>;
ModalHook setModalHook(ModalHook hook);

// Paints `client` white, as every window of the editor is painted: a white rectangle with
// a white pen; with `blackFrame`, a one-pixel black frame along its edge instead.
void paintWhiteBackground(QPainter& painter, const QRect& client, bool blackFrame = false);

} // namespace fw
