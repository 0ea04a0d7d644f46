#include "XInput.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

// Xlib's macros (None, KeyPress, ...) clash with Qt's names: after Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace guitest {

namespace {

constexpr unsigned kWheelAway = 4, kWheelTowards = 5;

KeySym keysymOf(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return XK_0 + (key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Up:
        return XK_Up;
    case Qt::Key_Down:
        return XK_Down;
    case Qt::Key_PageUp:
        return XK_Page_Up;
    case Qt::Key_PageDown:
        return XK_Page_Down;
    case Qt::Key_Home:
        return XK_Home;
    case Qt::Key_End:
        return XK_End;
    case Qt::Key_Return:
        return XK_Return;
    case Qt::Key_Escape:
        return XK_Escape;
    case Qt::Key_Tab:
        return XK_Tab;
    case Qt::Key_Space:
        return XK_space;
    default:
        return NoSymbol;
    }
}

} // namespace

XInput::XInput()
{
    Display* display = XOpenDisplay(nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (display && XTestQueryExtension(display, &event, &error, &major, &minor)) {
        m_display = display;
        return;
    }
    if (display)
        XCloseDisplay(display);
}

XInput::~XInput()
{
    if (m_display)
        XCloseDisplay(m_display);
}

void XInput::pointAt(const QWidget& widget)
{
    if (!m_display)
        return;
    const QPoint at = widget.mapToGlobal(widget.rect().center()) * widget.devicePixelRatio();
    XTestFakeMotionEvent(m_display, -1, at.x(), at.y(), CurrentTime);
    flush();
}

void XInput::turnWheel(int notches)
{
    if (!m_display)
        return;
    const unsigned button = notches < 0 ? kWheelTowards : kWheelAway;
    for (int notch = 0; notch < std::abs(notches); ++notch) {
        XTestFakeButtonEvent(m_display, button, True, CurrentTime);
        XTestFakeButtonEvent(m_display, button, False, CurrentTime);
    }
    flush();
}

void XInput::press(Qt::Key key)
{
    if (!m_display)
        return;
    const KeySym symbol = keysymOf(key);
    const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(m_display, symbol);
    if (code == 0) {
        ADD_FAILURE() << "the X server's keyboard has no key " << key;
        return;
    }
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    flush();
}

void XInput::flush()
{
    XFlush(m_display);
}

} // namespace guitest
