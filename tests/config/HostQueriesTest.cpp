#include "NEBPTMain.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

// Runs against the drives_conf.neb built beside the test program.
TEST(HostQueriesTest, InterfaceVersionAndSupportFollowingTheBundledConfiguration)
{
    EXPECT_EQ(CNEBPTMain::getInterfaceVersion(), 1.2);
    EXPECT_TRUE(CNEBPTMain::isDriveSupported("FCD-300", "", "07.00"));
    EXPECT_FALSE(CNEBPTMain::isDriveSupported("FCD-50M", "", "02.00"));
    EXPECT_FALSE(CNEBPTMain::isDriveSupported("FCD-300", "", "")) << "invalid query";
}

TEST(HostQueriesTest, EachCallReadsTheFileAnew)
{
    testsupport::ScratchFolder folder;
    testsupport::ExecutableFolderGuard exe(folder.path());
    EXPECT_TRUE(CNEBPTMain::isDriveSupported("FCD-300", "", "02.40")) << "no file: supported";

    folder.writeText("drives_conf.neb", "<DriveConfiguration><drive name=\"X\"><Compatibility>"
                                        "<property ID=\"MIN_DB\">100</property></Compatibility>"
                                        "</drive></DriveConfiguration>");
    EXPECT_FALSE(CNEBPTMain::isDriveSupported("FCD-300", "", "02.40"));
    EXPECT_TRUE(CNEBPTMain::isDriveSupported("X", "", "02.40"));
}
