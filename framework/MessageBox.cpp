#include "MessageBox.h"

#include <cstdio>

namespace fw {

namespace {

int consoleMessageBox(const std::string& text, const std::string& caption, unsigned type)
{
    std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
    return (type & 0xF) == MB_YESNO || (type & 0xF) == MB_YESNOCANCEL ? IDYES : IDOK;
}

MessageBoxHandler& currentHandler()
{
    static MessageBoxHandler handler = consoleMessageBox;
    return handler;
}

} // namespace

int messageBox(const std::string& text, unsigned type, const std::string& caption)
{
    // Copy first: a handler may replace itself while it runs.
    const MessageBoxHandler handler = currentHandler();
    return handler(text, caption, type);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = currentHandler();
    currentHandler() = handler ? std::move(handler) : MessageBoxHandler(consoleMessageBox);
    return previous;
}

} // namespace fw
