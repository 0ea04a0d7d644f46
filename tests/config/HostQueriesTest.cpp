#include "NEBPTMain.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

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
