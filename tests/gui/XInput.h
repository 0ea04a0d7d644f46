#pragma once

#include <Qt>

struct _XDisplay;
class QWidget;

namespace guitest {

// The test X server's mouse and keyboard, moved and pressed as a user does:
// XTest's fake input over an Xlib connection of its own to DISPLAY. The X server
// turns it into its own input events, which reach the window as a real mouse
// and keyboard would: the wheel at the widget under the pointer, keys where the
// keyboard focus is (or in the popup in front). Each call flushes what it sent;
// the test then runs Qt's events until it sees the effect (QTest::qWaitFor,
// bounded by kWaitMs), never for a fixed time.
class XInput
{
public:
    XInput();
    ~XInput();
    XInput(const XInput&) = delete;
    XInput& operator=(const XInput&) = delete;

    // False when there is no X server or it lacks the XTest extension.
    bool isOpen() const { return m_display != nullptr; }

    // Moves the pointer to the middle of `widget` on the screen.
    void pointAt(const QWidget& widget);
    // Turns the wheel by `notches`: negative towards the user (the page goes
    // down), positive away.
    void turnWheel(int notches);
    // Presses and releases `key`: the arrow and page keys, Home, End, Return,
    // Escape, Tab, Space, a letter or a digit (the letter in lower case).
    void press(Qt::Key key);

private:
    void flush();

    _XDisplay* m_display = nullptr;
};

} // namespace guitest
