#include "framework/AtomicFile.h"
#include "framework/Format.h"
#include "framework/NumberText.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(FormatTest, FormatsLikePrintfWhateverTheProcessLocale)
{
    const std::string longText(1000, 'x');
    EXPECT_EQ(fw::format("[%s]", longText.c_str()), "[" + longText + "]");

    // A German process locale must not turn the decimal point into a comma.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        EXPECT_EQ(fw::format("%lf", 1.5), "1.500000");
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(fw::format("%lf", -0.25), "-0.250000");
}

// A value the drive keeps is read whole or not at all.
TEST(NumberTextTest, ReadsAWholeDecimalOrNothing)
{
    for (const auto& [text, number] :
         {std::pair{"-12.5", -12.5}, {"+3", 3.0}, {"07", 7.0}, {".5", 0.5}, {"-0", 0.0}}) {
        double read = 99;
        EXPECT_TRUE(fw::readWholeDecimal(text, read)) << text;
        EXPECT_EQ(read, number) << text;
    }
    const std::string refused[] = {"",
                                   "+",
                                   "-",
                                   "+-1",
                                   "1e3",
                                   " 1",
                                   "1 ",
                                   "1,5",
                                   "inf",
                                   "-nan",
                                   "1.2.3",
                                   "0x10",
                                   "1" + std::string(400, '0')};
    for (const std::string& text : refused) {
        double read = 0;
        EXPECT_FALSE(fw::readWholeDecimal(text, read)) << text;
    }
}

// A file written whole or not at all: a write cut short (here by a file size
// limit, as a full disk would) leaves the old file and no temporary; a link as
// the target stays a link to the new content.
TEST(AtomicFileTest, AFailedWriteLeavesTheOldFileAndALinkStays)
{
    const testsupport::ScratchFolder scratch;
    scratch.writeText("old", "old content");
    ASSERT_EQ(symlink("old", scratch.file("link").c_str()), 0);
    std::string error;
    ASSERT_TRUE(fw::writeFileAtomically(scratch.file("link"), "new content", error)) << error;
    EXPECT_EQ(scratch.readText("old"), "new content");
    struct stat info = {};
    ASSERT_EQ(lstat(scratch.file("link").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));

    rlimit previous = {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto signalBefore = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written =
        fw::writeFileAtomically(scratch.file("old"), std::string(1 << 20, 'x'), error);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, signalBefore);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("file too large"), std::string::npos) << error;
    EXPECT_EQ(scratch.readText("old"), "new content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary left";
}

// What the check before a command refuses, the write itself refuses too (the
// window's export and print go straight to it), with the same reason; a
// temporary whose writer holds it locked stays, a stale one goes.
TEST(AtomicFileTest, TheWriteRefusesWhatTheCheckRefusesAndKeepsLiveTemporaries)
{
    const testsupport::ScratchFolder scratch;
    scratch.writeText("victim", "keep");
    scratch.writeText("protected", "keep");
    ASSERT_EQ(chmod(scratch.file("protected").c_str(), 0444), 0);
    ASSERT_EQ(symlink("missing", scratch.file("dangling").c_str()), 0);
    ASSERT_EQ(symlink("loop", scratch.file("loop").c_str()), 0);
    scratch.writeText("held", "keep");
    const int holder = open(scratch.file("held").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    std::vector<std::pair<std::string, std::string>> rows{
        {"protected", "is write-protected (mode 0444)"},
        {"dangling", "is a link to missing, which does not exist"},
        {"loop", "is a link loop"},
        {"held", "is locked by a window or the simulator"}};
    if (geteuid() == 0 && symlink("victim", scratch.file("theirs").c_str()) == 0 &&
        lchown(scratch.file("theirs").c_str(), 12345, 12345) == 0) {
        rows.emplace_back("theirs", "is a link of another user (uid 12345)");
    }
    for (const auto& [name, reason] : rows) {
        const std::string path = scratch.file(name);
        const std::string conflict = fw::outputConflict(path, {});
        EXPECT_TRUE(conflict.starts_with(path + " " + reason)) << conflict;
        std::string error;
        EXPECT_FALSE(fw::writeFileAtomically(path, "new", error)) << name;
        EXPECT_EQ(error, path + ": " + conflict.substr(path.size() + 1));
    }
    EXPECT_EQ(scratch.readText("victim"), "keep");
    EXPECT_EQ(scratch.readText("protected"), "keep");
    EXPECT_EQ(scratch.readText("held"), "keep");
    close(holder);

    scratch.writeText(".victim.nebpt-Live01", "being written");
    scratch.writeText(".victim.nebpt-Stale1", "left by a killed write");
    const int writer = open(scratch.file(".victim.nebpt-Live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(writer, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(fw::removeStaleTemporaries(scratch.file("victim")), 1);
    EXPECT_EQ(scratch.readText(".victim.nebpt-Live01"), "being written");
    close(writer);
    EXPECT_EQ(fw::removeStaleTemporaries(scratch.file("victim")), 1);
}
