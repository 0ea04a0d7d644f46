#include "PrivateXServer.h"

#include "support/ScratchFolder.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

// The gui tests run nebpt-host's window on Qt's xcb platform, on an X server of
// their own (PrivateXServer) that lives as long as this program. Whatever the
// caller set, they use that server, Qt's own dialogs (no platform theme, no
// native dialogs), no OpenGL and no machine code made at run time for regular
// expressions (Valgrind cannot follow it). Qt's and the libraries' settings,
// caches and runtime files go to a folder of the program's own, and no session
// bus is reached. Listing the tests (test discovery) needs no display.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();

    const testsupport::ScratchFolder home;
    guitest::PrivateXServer server(home.file("xvfb.log"));
    if (server.display().empty()) {
        std::fprintf(stderr,
                     "The gui tests need an X server of their own and cannot start one: %s.\n",
                     server.failure().c_str());
        return 1;
    }
    setenv("DISPLAY", server.display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("QT_QPA_PLATFORMTHEME", "generic", 1);
    setenv("QT_XCB_GL_INTEGRATION", "none", 1);
    setenv("QT_ENABLE_REGEXP_JIT", "0", 1);
    unsetenv("QT_IM_MODULE");
    unsetenv("XDG_CURRENT_DESKTOP");
    unsetenv("DESKTOP_SESSION");
    for (const char* folder :
         {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const std::string path = home.file(folder);
        mkdir(path.c_str(), 0700);
        setenv(folder, path.c_str(), 1);
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + home.file("no-bus")).c_str(), 1);

    int result = 1;
    {
        QApplication application(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
