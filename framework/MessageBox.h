#pragma once

#include <functional>
#include <string>

namespace fw {

// Button sets and answers, numbered as the dialog framework numbers them.
enum : unsigned
{
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    // The icon, or'ed with the buttons; without one, OK boxes warn and Yes/No boxes ask.
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40
};
enum : int
{
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7
};

// The seam through which every message box of the system is shown. The widgets
// part installs a Qt message box; tests install a handler that records and answers.
using MessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, unsigned type)>;

// Shows a modal message box and returns the button that closed it.
int messageBox(const std::string& text, unsigned type = MB_OK, const std::string& caption = {});

// Replaces the handler and returns the previous one. An empty handler restores
// the default, which prints the text to standard error and answers OK or Yes.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

} // namespace fw
