#include "HostTestSupport.h"
#include "SimulatedDrive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// nebpt-host's outputs never destroy its inputs, its log cannot be sent
// elsewhere, and its messages say what is wrong.

using hosttest::fileBytes;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

hosttest::Run host(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), NEBPT_HOST_EXECUTABLE);
    return hosttest::run(arguments);
}

mode_t kindOf(const std::string& path)
{
    struct stat info = {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

struct stat statOf(const std::string& path)
{
    struct stat info = {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info;
}

// A folder all may write to, sticky as /tmp is, of the user `owner` (root only
// for another user).
bool sharedFolder(const std::string& path, uid_t owner)
{
    return mkdir(path.c_str(), 0777) == 0 && chmod(path.c_str(), 01777) == 0 &&
           chown(path.c_str(), owner, owner) == 0;
}

// A link at `path` to `target` that belongs to another user (root only).
bool otherUsersLink(const std::string& target, const std::string& path)
{
    return geteuid() == 0 && symlink(target.c_str(), path.c_str()) == 0 &&
           lchown(path.c_str(), 12345, 12345) == 0;
}

// Each output option pointed at the image it reads, by another name, or at what
// is no regular file: refused before anything is written, naming the option.
TEST(OutputFaultTest, OutputsNeverReplaceInputsOrNodes)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json", "drive.json");
    const std::string before = fileBytes(image);
    ASSERT_EQ(symlink(image.c_str(), scratch.file("link.json").c_str()), 0);
    ASSERT_EQ(link(image.c_str(), scratch.file("hard.json").c_str()), 0);
    ASSERT_EQ(mkfifo(scratch.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(scratch.file("folder").c_str(), 0700), 0);
    const bool device = mknod(scratch.file("null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;

    std::vector<std::string> outputs{
        image, scratch.path() + "./drive.json", "link.json", "hard.json", "fifo", "folder"};
    if (device)
        outputs.push_back("null");
    for (const char* option : {"--export", "--pdf", "--screenshot"}) {
        for (std::string output : outputs) {
            if (output[0] != '/')
                output = scratch.file(output);
            SCOPED_TRACE(std::string(option) + " " + output);
            const mode_t kind = kindOf(output);
            const hosttest::Run refused = host({option, output, image});
            EXPECT_EQ(refused.status, 2);
            EXPECT_THAT(refused.errors, AllOf(HasSubstr(std::string("nebpt-host: ") + option),
                                              HasSubstr(output), HasSubstr("nothing written")));
            EXPECT_TRUE(fileBytes(image) == before) << "the image is unchanged";
            EXPECT_EQ(kindOf(output), kind);
        }
    }
    if (!device)
        std::printf("mknod is not allowed here: no device-node rows\n");

    // A picture that cannot be made leaves the file that was there.
    scratch.writeText("shot.png", "keep");
    scratch.writeText("broken.json", "{");
    EXPECT_EQ(host({"--screenshot", scratch.file("shot.png"), scratch.file("broken.json")}).status,
              1);
    EXPECT_EQ(scratch.readText("shot.png"), "keep");
}

// Outputs in folders others share, or protected or held: each option refuses
// what the kernel's rule for links in sticky folders refuses (whatever the
// system's setting), another user's link as the output, a link to nothing or a
// loop, a write-protected file (for root too) and an image a drive holds; what
// it refuses keeps its bytes. A link the rule allows is followed.
TEST(OutputFaultTest, OutputsRefuseOtherUsersLinksAndProtectedOrHeldFiles)
{
    const testsupport::ScratchFolder holding;
    const std::string held = hosttest::copyOfSample(holding, "fcd300_sample.json", "held.json");
    const SimulatedDrive holder(held, SimulatedDrive::Access::Write);
    ASSERT_TRUE(holder.readOnlyReason().empty()) << "the drive holds the image's lock";

    struct Row
    {
        const char* name;
        std::string output;                         // in the row's folder, or absolute
        std::string watched;                        // the file the output would replace
        bool (*prepare)(const std::string& folder); // false: cannot be set up here
        const char* refusal;                        // nullptr: written
    };
    const std::vector<Row> rows{
        {"another user's link in a shared folder", "shared/out.json", "victim",
         [](const std::string& folder) {
             return sharedFolder(folder + "shared", 0) &&
                    otherUsersLink("../victim", folder + "shared/out.json");
         },
         "is a link of another user (uid 12345)"},
        {"another user's link to a folder in a shared folder", "shared/up/victim", "victim",
         [](const std::string& folder) {
             return sharedFolder(folder + "shared", 0) &&
                    otherUsersLink("..", folder + "shared/up");
         },
         "a link of another user (uid 12345) in the shared folder"},
        {"the shared folder's owner's link to a folder", "shared/up/victim", "victim",
         [](const std::string& folder) {
             return sharedFolder(folder + "shared", 12345) &&
                    otherUsersLink("..", folder + "shared/up");
         },
         nullptr},
        {"another user's link in a private folder", "out.json", "victim",
         [](const std::string& folder) { return otherUsersLink("victim", folder + "out.json"); },
         "is a link of another user (uid 12345)"},
        {"the user's own link in another user's shared folder", "shared/out.json", "victim",
         [](const std::string& folder) {
             return sharedFolder(folder + "shared", 12345) &&
                    symlink("../victim", (folder + "shared/out.json").c_str()) == 0;
         },
         nullptr},
        {"a write-protected file", "victim", "victim",
         [](const std::string& folder) { return chmod((folder + "victim").c_str(), 0444) == 0; },
         "is write-protected (mode 0444)"},
        {"a link to nothing", "out.json", "missing",
         [](const std::string& folder) {
             return symlink("missing", (folder + "out.json").c_str()) == 0;
         },
         "is a link to missing, which does not exist"},
        {"a link loop", "out.json", "victim",
         [](const std::string& folder) {
             return symlink("loop.json", (folder + "out.json").c_str()) == 0 &&
                    symlink("out.json", (folder + "loop.json").c_str()) == 0;
         },
         "is a link loop"},
        {"an image a drive holds", held, held, [](const std::string&) { return true; },
         "is locked by a window or the simulator"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const testsupport::ScratchFolder scratch;
        scratch.writeText("victim", "keep");
        const std::string image =
            hosttest::copyOfSample(scratch, "fcd300_sample.json", "drive.json");
        if (!row.prepare(scratch.path())) {
            std::printf("%s: cannot be set up here (not root?); skipped\n", row.name);
            continue;
        }
        const auto inRow = [&](const std::string& path) {
            return path[0] == '/' ? path : scratch.file(path);
        };
        const std::string output = inRow(row.output), watched = inRow(row.watched);
        const std::string before = fileBytes(watched);
        const mode_t kind = kindOf(output);
        if (!row.refusal) {
            const hosttest::Run written = host({"--export", output, image});
            EXPECT_EQ(written.status, 0) << written.errors;
            EXPECT_THAT(fileBytes(watched), HasSubstr("\"parameters\""));
            EXPECT_EQ(kindOf(output), kind) << "a link stays a link";
            continue;
        }
        for (const char* option : {"--export", "--pdf", "--screenshot"}) {
            SCOPED_TRACE(option);
            const hosttest::Run refused = host({option, output, image});
            EXPECT_EQ(refused.status, 2);
            EXPECT_THAT(refused.errors,
                        AllOf(HasSubstr(std::string("nebpt-host: ") + option + ": " + output),
                              HasSubstr(row.refusal), HasSubstr("; nothing written")));
            EXPECT_TRUE(fileBytes(watched) == before);
            EXPECT_EQ(kindOf(output), kind);
        }
    }
}

// A rewritten image keeps its owner and mode; a temporary left by a killed save
// goes when the image is next opened for writing, one left beside an output
// when the output is next written; another file's stays.
TEST(OutputFaultTest, RewrittenImageKeepsOwnerAndModeAndStaleTemporariesGo)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json", "drive.json");
    const std::string program = hosttest::copyOfSample(scratch, "fcd300_sample.json",
                                                       "program.json", "\"12.50\"", "\"9.00\"");
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(image.c_str(), 12345, 12345), 0);
    }
    ASSERT_EQ(chmod(image.c_str(), 0640), 0);
    const hosttest::Run imported = host({"--import", program, image});
    ASSERT_EQ(imported.status, 0) << imported.errors;
    EXPECT_THAT(fileBytes(image), HasSubstr("\"9.00\""));
    const struct stat after = statOf(image);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(after.st_uid, 12345u);
    }

    scratch.writeText(".drive.json.nebpt-Ab12Cd", "left by a killed save");
    scratch.writeText(".program.json.nebpt-Ab12Cd", "another image's");
    SimulatedDrive(image, SimulatedDrive::Access::Read);
    EXPECT_EQ(kindOf(scratch.file(".drive.json.nebpt-Ab12Cd")), S_IFREG) << "only read";
    SimulatedDrive(image, SimulatedDrive::Access::Write);
    EXPECT_EQ(kindOf(scratch.file(".drive.json.nebpt-Ab12Cd")), 0u);
    EXPECT_EQ(kindOf(scratch.file(".program.json.nebpt-Ab12Cd")), S_IFREG);

    scratch.writeText(".out.json.nebpt-Ab12Cd", "left by a killed export");
    const hosttest::Run exported = host({"--export", scratch.file("out.json"), image});
    EXPECT_EQ(exported.status, 0) << exported.errors;
    EXPECT_EQ(kindOf(scratch.file(".out.json.nebpt-Ab12Cd")), 0u);
    EXPECT_EQ(kindOf(scratch.file(".program.json.nebpt-Ab12Cd")), S_IFREG);
}

// The log folder in a temporary folder others share: a link, another user's
// folder or a folder open to all never carries the log anywhere else; the
// command works all the same.
TEST(OutputFaultTest, TheLogCannotBeRedirected)
{
    struct Row
    {
        const char* name;
        bool (*prepare)(const std::string& folder, const std::string& elsewhere);
        bool logged; // into the folder's own nebpt.log
    };
    const std::vector<Row> rows{
        {"a link as the log",
         [](const std::string& folder, const std::string& elsewhere) {
             return mkdir(folder.c_str(), 0700) == 0 &&
                    symlink((elsewhere + "victim").c_str(), (folder + "/nebpt.log").c_str()) == 0;
         },
         false},
        {"a link as the folder",
         [](const std::string& folder, const std::string& elsewhere) {
             return symlink(elsewhere.c_str(), folder.c_str()) == 0;
         },
         false},
        {"another user's folder",
         [](const std::string& folder, const std::string&) {
             return geteuid() == 0 && mkdir(folder.c_str(), 0777) == 0 &&
                    chown(folder.c_str(), 12345, 12345) == 0;
         },
         false},
        {"a folder open to all",
         [](const std::string& folder, const std::string&) {
             return mkdir(folder.c_str(), 0777) == 0 && chmod(folder.c_str(), 0777) == 0;
         },
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const testsupport::ScratchFolder tmp, elsewhere;
        elsewhere.writeText("victim", "");
        const std::string folder = tmp.path() + "Torvane Drives";
        if (!row.prepare(folder, elsewhere.path())) {
            std::printf("%s: cannot be set up here (not root?); skipped\n", row.name);
            continue;
        }
        const std::string image = hosttest::copyOfSample(tmp, "fcd300_sample.json", "drive.json",
                                                         "\"FCD-300\"", "\"FCD-999\"");
        hosttest::Run printed;
        {
            const testsupport::TempFolderGuard guard(tmp.path());
            printed = host({"--print", image});
        }
        EXPECT_EQ(printed.status, 1);
        EXPECT_THAT(printed.errors, HasSubstr("is not supported"));
        // The hint names the log, or says that nothing is logged and where it would be.
        EXPECT_THAT(printed.errors, HasSubstr(row.logged ? "see " + folder + "/nebpt.log"
                                                         : "nothing is logged: " + folder +
                                                               "/nebpt.log or its folder is"));
        EXPECT_EQ(elsewhere.readText("victim"), "");
        EXPECT_EQ(fileBytes(folder + "/nebpt.log").empty(), !row.logged);
        if (row.logged) {
            EXPECT_EQ(statOf(folder).st_mode & 07777, 0700u);
        }
    }
}

// Wrong command lines name the option; values with more decimals than the drive
// keeps are refused or, with --round, rounded with a note; a drive's control
// characters reach the terminal escaped.
TEST(OutputFaultTest, MessagesTellWhatIsWrong)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json", "drive.json");
    const std::string out = scratch.file("out");
    const std::vector<std::pair<std::vector<std::string>, std::string>> wrong{
        {{"--import", "", image}, "--import"},
        {{"--export", "", image}, "--export"},
        {{"--pdf", "", image}, "--pdf"},
        {{"--screenshot", "", image}, "--screenshot"},
        {{"--print", "--print", image}, "--print"},
        {{"--export", out, "--export", out, image}, "--export"},
        {{"--language", "german", "--language", "english", "--print", image}, "--language"},
        {{"--language", "klingon", "--print", image},
         "--language \"klingon\" is not one of the languages the host has: english, german"},
    };
    for (const auto& [arguments, option] : wrong) {
        SCOPED_TRACE(option);
        const hosttest::Run refused = host(arguments);
        EXPECT_EQ(refused.status, 2);
        EXPECT_THAT(refused.errors, HasSubstr("nebpt-host: " + option));
    }
    EXPECT_THAT(host({"--help"}).out,
                HasSubstr("3 the drive holds (or may hold) a partly written program"));

    // From a drive that keeps the timers to the millisecond.
    std::string text = fileBytes(hosttest::sampleImage("fcd300_sample.json"));
    text.replace(text.find("\"decimals\": 2"), 13, "\"decimals\": 3");
    text.replace(text.find("\"12.50\""), 7, "\"0.001\"");
    scratch.writeText("program.json", text);
    const std::string program = scratch.file("program.json");
    const std::string before = fileBytes(image);
    const hosttest::Run refused = host({"--import", program, image});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.errors, AllOf(HasSubstr("parameter 1303"), HasSubstr("element 1"),
                                      HasSubstr("0.001"), HasSubstr("decimals")));
    EXPECT_TRUE(fileBytes(image) == before) << "the image is unchanged";
    const hosttest::Run rounded = host({"--import", program, "--round", image});
    EXPECT_EQ(rounded.status, 0) << rounded.errors;
    EXPECT_THAT(rounded.errors, HasSubstr("0.001 rounded to 0.00"));
    EXPECT_THAT(rounded.out, HasSubstr("1 element written"));
    const ino_t written = statOf(image).st_ino;
    const hosttest::Run again = host({"--import", program, "--round", image});
    EXPECT_EQ(again.status, 0);
    EXPECT_THAT(again.out, HasSubstr("0 elements written"));
    EXPECT_EQ(statOf(image).st_ino, written) << "an import that changes nothing writes nothing";
    // A value typed into a program file with more decimals than the file itself keeps.
    const std::string typed = hosttest::copyOfSample(scratch, "fcd300_sample.json", "typed.json",
                                                     "\"12.50\"", "\"0.001\"");
    const hosttest::Run untold = host({"--import", typed, "--round", image});
    EXPECT_EQ(untold.status, 1);
    EXPECT_THAT(untold.errors, AllOf(HasSubstr("typed.json"), HasSubstr("0.001")));

    const std::string hostile = hosttest::copyOfSample(scratch, "fcd300_sample.json", "esc.json",
                                                       "\"FCD-300\"", "\"FCD\\u001b]0;x\\u0007\"");
    const hosttest::Run escaped = host({"--import", hostile, image});
    EXPECT_EQ(escaped.status, 1);
    EXPECT_THAT(escaped.errors, AllOf(HasSubstr("FCD\\x1b]0;x\\x07"), Not(HasSubstr("\x1b"))));
}

} // namespace
