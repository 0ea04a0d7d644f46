#pragma once

#include <QEvent>

#include <cstdint>
#include <functional>

class QObject;
class QWidget;

namespace fw {

// Window messages, notifications and flags, numbered as the dialog framework
// numbers them, so that the handlers read the same as the framework they stand in for.
enum : unsigned
{
    WM_ACTIVATE = 0x0006,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_ERASEBKGND = 0x0014,
    WM_COMMAND = 0x0111,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_MBUTTONDOWN = 0x0207,
    WM_PARENTNOTIFY = 0x0210,
    WM_USER = 0x0400
};

// Command notification codes (the high word of WM_COMMAND's wParam).
enum : int
{
    BN_CLICKED = 0,
    CBN_SELCHANGE = 1,
    CBN_KILLFOCUS = 4,
    CBN_DROPDOWN = 7
};

// Mouse key state in the wParam of the mouse messages.
enum : uintptr_t
{
    MK_LBUTTON = 0x0001,
    MK_RBUTTON = 0x0002,
    MK_SHIFT = 0x0004,
    MK_CONTROL = 0x0008,
    MK_MBUTTON = 0x0010
};

// Builds and splits the lParam of mouse messages: x in the low, y in the high
// 16 bits, both signed.
intptr_t makeLParam(int x, int y);
int lParamX(intptr_t lParam);
int lParamY(intptr_t lParam);
// wParam of WM_COMMAND: control or command ID in the low, notification in the high word.
uintptr_t makeCommandWParam(int id, int notification);

// A numbered message travelling as a Qt event. fw::CDialog receives it in
// OnMessage (WM_COMMAND in OnCommand); other widgets ignore it.
class MessageEvent : public QEvent
{
public:
    MessageEvent(unsigned message, uintptr_t wParam, intptr_t lParam);

    static QEvent::Type eventType();

    unsigned message() const { return m_message; }
    uintptr_t wParam() const { return m_wParam; }
    intptr_t lParam() const { return m_lParam; }

private:
    unsigned m_message;
    uintptr_t m_wParam;
    intptr_t m_lParam;
};

// Queues the message for `window`; it is handled when the event loop next runs
// (QCoreApplication::processEvents or sendPostedEvents in tests), always after the
// handler that posted it has returned. A message for a window that is deleted in
// the meantime is dropped. False when `window` is null.
bool postMessage(QWidget* window, unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0);

// Handles the message in `window` at once, before returning, and answers whether
// the window handled it. Exceptions thrown by the handler reach the sender.
// False when `window` is null, not a fw::CDialog, or has no window.
bool sendMessage(QWidget* window, unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0);

// Marks a nested message loop of the editor: a modal dialog, a message box or a
// popup menu is open while one lives. The window or handler that opened it is
// still on the stack underneath.
class ModalScope
{
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};

// Whether a modal dialog, message box or popup menu is open (a ModalScope lives).
bool isModalOpen();

// Runs `work` at once when nothing modal is open. Otherwise `work` waits until
// the last modal window has closed and the handler that opened it has returned
// (it is posted to `context` then), so that it may destroy windows that the
// handler still used; it is dropped when `context` is destroyed first. Work that
// finds another modal window open by then waits again.
void whenNoModalIsOpen(QObject* context, std::function<void()> work);

} // namespace fw
