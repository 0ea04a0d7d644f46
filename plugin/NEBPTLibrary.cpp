// Registration of libNEBPT.so with the host's application framework, the way a
// framework extension library registers itself: while the library is loaded the
// system's message boxes are Qt message boxes; when it is unloaded the handler
// that was installed before comes back. This file is built into the shared
// library only, so programs that link the plug-in's objects directly (the
// tests) keep whatever handler they install themselves.

#include "framework/MessageBox.h"
#include "framework/widgets/WidgetResources.h"

#include <utility>

namespace {

class ExtensionLibraryRegistration
{
public:
    ExtensionLibraryRegistration() : m_previous(fw::setMessageBoxHandler(fw::MessageBoxHandler()))
    {
        fw::installWidgetMessageBox();
    }
    ~ExtensionLibraryRegistration() { fw::setMessageBoxHandler(std::move(m_previous)); }

    ExtensionLibraryRegistration(const ExtensionLibraryRegistration&) = delete;
    ExtensionLibraryRegistration& operator=(const ExtensionLibraryRegistration&) = delete;

private:
    fw::MessageBoxHandler m_previous;
};

const ExtensionLibraryRegistration registration;

} // namespace
