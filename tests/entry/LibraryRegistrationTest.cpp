#include "support/ScratchFolder.h"

#include "framework/Library.h"
#include "framework/MessageBox.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

// Loading libNEBPT.so registers it with the application framework: the system's
// message boxes become Qt message boxes. Unloading gives back the handler that
// was there before.

namespace {

// The type of the handler the seam holds now.
const std::type_info& currentHandlerType()
{
    fw::MessageBoxHandler current = fw::setMessageBoxHandler({});
    const std::type_info& type = current.target_type();
    fw::setMessageBoxHandler(std::move(current));
    return type;
}

TEST(LibraryRegistrationTest, LoadingInstallsTheQtMessageBoxAndUnloadingRestores)
{
    testsupport::MessageBoxRecorder recorder;
    const std::type_info& recorderType = currentHandlerType();

    fw::LibraryHandle library = fw::loadLibrary(NEBPT_PLUGIN_LIBRARY);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(currentHandlerType(), recorderType) << "the library installed its own handler";
    EXPECT_NE(fw::librarySymbol(library, "_ZN10CNEBPTMain4OpenEv"), nullptr)
        << "the entry class is exported";
    EXPECT_EQ(fw::librarySymbol(library, "_ZN17CSettingsManager4initEv"), nullptr)
        << "the model stays inside";
    fw::freeLibrary(library);

    EXPECT_EQ(currentHandlerType(), recorderType);
    fw::messageBox("after unloading");
    ASSERT_EQ(recorder.shown().size(), 1u);
    EXPECT_EQ(recorder.shown()[0].text, "after unloading");
}

} // namespace
