#include "HostTestSupport.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

// `cmake --install` lays the host out in one folder with everything it loads, and
// the host runs from there.

namespace {

int run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(HostInstallTest, TheInstalledHostRunsFromItsFolder)
{
    testsupport::ScratchFolder prefix;
    ASSERT_EQ(run("'" + std::string(NEBPT_CMAKE_COMMAND) + "' --install '" + NEBPT_BUILD_DIR +
                  "' --prefix '" + prefix.path() + "' >/dev/null"),
              0);
    const std::string folder = prefix.path() + NEBPT_INSTALL_DIR + "/";
    for (const char* name :
         {"nebpt-host", "libNEBPT.so", "libNEBPTframework.so", "libNEBPTframeworkWidgets.so",
          "NEBPT_english.so", "NEBPT_german.so", "drives_conf.neb", "data/fcd300_sample.json",
          "data/fcd50m_sample.json"})
        EXPECT_FALSE(hosttest::fileBytes(folder + name).empty()) << name;

    const std::string out = prefix.file("out.txt");
    EXPECT_EQ(run("'" + prefix.path() + "bin/nebpt-host' --print '" + folder +
                  "data/fcd300_sample.json' >'" + out + "' 2>&1"),
              0)
        << hosttest::fileBytes(out);
    EXPECT_NE(hosttest::fileBytes(out).find("Program: 6 of 20 pairs"), std::string::npos)
        << hosttest::fileBytes(out);

    // The window, in German, from the installed language library.
    const std::string image = prefix.file("drive.json");
    hosttest::copyFile(folder + "data/fcd300_sample.json", image);
    EXPECT_EQ(run("'" + folder + "nebpt-host' --language german --screenshot '" +
                  prefix.file("editor.png") + "' '" + image + "' 2>'" + out + "'"),
              0)
        << hosttest::fileBytes(out);
    EXPECT_GT(hosttest::fileBytes(prefix.file("editor.png")).size(), 1000u);
}

} // namespace
