#include "NEBPTMain.h"

#include "Dialogs/EAPairCtrl.h"
#include "Dialogs/WorkFlow.h"
#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEB_EAPair.h"
#include "dialogs/WidgetTestSupport.h"
#include "support/FakeHost.h"
#include "support/ScratchFolder.h"

#include "framework/Resources.h"
#include "framework/SystemPaths.h"
#include "framework/widgets/Geometry.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned long kEvent = 1301;
constexpr unsigned long kAction = 1302;
constexpr unsigned kEmptyProgramQuestion = 2139;

// The host side of the entry object: a form view on the screen, the fake host's
// sample drive with a program of three pairs, the log in a scratch folder, and
// a resource library of the test's own current (german) so that the tests see
// which library the entry object makes current and what it leaves behind.
class EntryTest : public ::testing::Test
{
protected:
    EntryTest()
    {
        view.setGeometry(120, 80, 700, 900);
        view.show();
        for (long i = 0; i < 3; ++i) {
            host.setValue(kEvent, i, std::to_string(i + 1));
            host.setValue(kAction, i, "2");
        }
    }

    std::unique_ptr<CNEBPTMain> makeEntry() { return std::make_unique<CNEBPTMain>(view, &host); }

    CWorkFlow* flow() const { return view.findChild<CWorkFlow*>(); }
    bool flowShown() const { return flow() && flow()->IsWindowCreated() && flow()->isVisible(); }
    size_t pairsShown() const { return flow() ? flow()->pairCtrls().size() : 0; }

    std::vector<std::string> logLines() const
    {
        return testsupport::readLogLines(scratch.path() + "Torvane Drives/nebpt.log");
    }

    static std::string stringOf(fw::LibraryHandle library, unsigned id)
    {
        testsupport::CurrentLanguageGuard guard(library);
        return fw::loadString(id);
    }

    static std::vector<long> coordinates(const RECT& rect)
    {
        return {rect.left, rect.top, rect.right, rect.bottom};
    }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::CurrentLanguageGuard hostResources{testsupport::germanLibrary()};
    testsupport::MessageBoxRecorder messages{fw::IDNO};
    testsupport::FakeHost host = testsupport::FakeHost::sampleDrive();
    QWidget view;
};

using Coordinates = std::vector<long>;

TEST_F(EntryTest, ConstructionReadsNothingFromTheDriveButTheLanguage)
{
    host.clearCalls();
    auto entry = makeEntry();
    ASSERT_EQ(host.calls().size(), 2u);
    EXPECT_EQ(host.calls()[0].operation, "GetIndexBase");
    EXPECT_EQ(host.calls()[1].operation, "GetLanguage");
    EXPECT_EQ(flow(), nullptr) << "no window before Open";
    EXPECT_TRUE(logLines().empty());
}

TEST_F(EntryTest, InitializeAnswersZeroAndTouchesNothing)
{
    auto entry = makeEntry();
    testsupport::FakeHost other = testsupport::FakeHost::sampleDrive();
    host.clearCalls();
    EXPECT_EQ(entry->Initialize(nullptr), 0);
    EXPECT_EQ(entry->Initialize(&other), 0);
    EXPECT_EQ(entry->Initialize(&host), 0);
    EXPECT_TRUE(host.calls().empty());
    EXPECT_TRUE(other.calls().empty());
    EXPECT_EQ(flow(), nullptr);
}

TEST_F(EntryTest, OpenShowsTheProgramAsAFlowInTheView)
{
    auto entry = makeEntry();
    EXPECT_TRUE(entry->Open());
    ASSERT_TRUE(flowShown());
    EXPECT_EQ(flow()->parentWidget(), &view);
    EXPECT_EQ(pairsShown(), 3u);
    EXPECT_EQ(host.callCount("GetDriveIdentity"), 1u);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_TRUE(logLines().empty());
}

TEST_F(EntryTest, UpdateFlowBeforeOpenOpensAndThenUpdates)
{
    auto entry = makeEntry();
    EXPECT_TRUE(entry->UpdateFlow());
    ASSERT_TRUE(flowShown());
    EXPECT_EQ(pairsShown(), 3u);
    EXPECT_EQ(host.callCount("GetDriveIdentity"), 1u);

    // The drive's program changes behind the editor's back; an update shows it.
    host.setValue(kEvent, 3, "4");
    host.setValue(kAction, 3, "2");
    host.clearCalls();
    EXPECT_TRUE(entry->UpdateFlow());
    EXPECT_EQ(host.callCount("GetDriveIdentity"), 0u) << "the second call updates, not opens";
    EXPECT_GT(host.callCount("ReadParameterValue"), 0u);
    EXPECT_EQ(pairsShown(), 4u);
    EXPECT_EQ(flow()->pairCtrls().back()->getPair().getEvent().getItem().getID(), 4u);
}

TEST_F(EntryTest, UpdateFlowReportsAFailedReadAsFalse)
{
    auto entry = makeEntry();
    ASSERT_TRUE(entry->Open());
    host.failOperation("ReadParameterValue");
    EXPECT_FALSE(entry->UpdateFlow());
    EXPECT_EQ(logLines().size(), 1u);
    EXPECT_TRUE(messages.shown().empty()) << "nothing is shown for a failure";

    host.stopFailing();
    EXPECT_TRUE(entry->UpdateFlow());
    EXPECT_EQ(pairsShown(), 3u);
}

TEST_F(EntryTest, UpdateFlowThatCannotOpenStaysUnopened)
{
    auto entry = makeEntry();
    host.failOperation("GetDriveIdentity");
    EXPECT_FALSE(entry->UpdateFlow());
    EXPECT_EQ(logLines().size(), 1u);

    // Still unopened: the next call takes the opening path again.
    host.stopFailing();
    host.clearCalls();
    EXPECT_TRUE(entry->UpdateFlow());
    EXPECT_EQ(host.callCount("GetDriveIdentity"), 1u);
    EXPECT_TRUE(flowShown());
}

TEST_F(EntryTest, OpenAfterAFailingDriveIdentityIsOpenedWithoutFlow)
{
    auto entry = makeEntry();
    host.failOperation("GetDriveIdentity");
    EXPECT_TRUE(entry->Open());
    EXPECT_EQ(logLines().size(), 1u);
    EXPECT_FALSE(flowShown());
    EXPECT_TRUE(messages.shown().empty());
    RECT rect{1, 2, 3, 4};
    entry->GetNEBPTRect(&rect);
    EXPECT_EQ(coordinates(rect), Coordinates({0, 0, 0, 0}));

    // Opened although nothing is shown: an update does not connect again.
    host.stopFailing();
    host.clearCalls();
    entry->UpdateFlow();
    EXPECT_EQ(host.callCount("GetDriveIdentity"), 0u);
}

TEST_F(EntryTest, OpenAfterAFailingReadIsOpenedWithOneLogLine)
{
    auto entry = makeEntry();
    host.failOperation("ReadParameterValue");
    EXPECT_TRUE(entry->Open());
    EXPECT_EQ(logLines().size(), 1u);
    EXPECT_FALSE(flowShown());
    EXPECT_TRUE(messages.shown().empty());

    host.stopFailing();
    host.clearCalls();
    EXPECT_TRUE(entry->UpdateFlow());
    EXPECT_EQ(host.callCount("GetDriveIdentity"), 0u) << "opened: the update path";
}

TEST_F(EntryTest, CloseAnswersTrueAndLeavesTheFlowShown)
{
    auto entry = makeEntry();
    EXPECT_TRUE(entry->Close()) << "also before Open";
    ASSERT_TRUE(entry->Open());
    host.clearCalls();
    EXPECT_TRUE(entry->Close());
    EXPECT_TRUE(flowShown());
    EXPECT_EQ(pairsShown(), 3u);
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(EntryTest, RectangleIsEmptyBeforeOpenAndTheFlowsScreenRectangleAfter)
{
    auto entry = makeEntry();
    RECT rect{7, 7, 7, 7};
    entry->GetNEBPTRect(&rect);
    EXPECT_EQ(coordinates(rect), Coordinates({0, 0, 0, 0}));
    entry->GetNEBPTRect(nullptr); // no rectangle to fill: nothing happens

    ASSERT_TRUE(entry->Open());
    entry->GetNEBPTRect(&rect);
    const fw::CRect screen = fw::windowRect(flow());
    EXPECT_EQ(coordinates(rect),
              Coordinates({screen.left, screen.top, screen.right, screen.bottom}));
    EXPECT_GT(rect.right - rect.left, 0);
    EXPECT_GT(rect.bottom - rect.top, 0);
    // On the screen, the flow lies inside the view.
    const QPoint viewOrigin = view.mapToGlobal(QPoint(0, 0));
    EXPECT_GE(rect.left, viewOrigin.x());
    EXPECT_GE(rect.top, viewOrigin.y());
}

TEST_F(EntryTest, AnEmptyProgramAsksOnceAndNoLeavesTheFlowEmpty)
{
    for (long i = 0; i < 3; ++i) {
        host.setValue(kEvent, i, "0");
        host.setValue(kAction, i, "0");
    }
    auto entry = makeEntry();
    EXPECT_TRUE(entry->Open());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, fw::loadString(kEmptyProgramQuestion));
    EXPECT_TRUE(flowShown());
    EXPECT_EQ(pairsShown(), 0u);
    EXPECT_EQ(host.callCount("WriteParameterValues"), 0u);
}

TEST_F(EntryTest, DestructionTakesTheFlowOutOfTheView)
{
    auto entry = makeEntry();
    ASSERT_TRUE(entry->Open());
    ASSERT_NE(flow(), nullptr);
    entry.reset();
    EXPECT_EQ(flow(), nullptr);
    EXPECT_TRUE(view.findChildren<QWidget*>().isEmpty()) << "the view is left as it was";
}

TEST_F(EntryTest, BadInterfacesThrowFromTheConstructor)
{
    EXPECT_THROW(CNEBPTMain(view, nullptr), CCustomException);
    host.indexBase = -1;
    EXPECT_THROW(CNEBPTMain(view, &host), CCustomException);
    EXPECT_EQ(logLines().size(), 2u);
    EXPECT_EQ(fw::currentResourceLibrary(), testsupport::germanLibrary())
        << "no language library was made current";
}

TEST_F(EntryTest, WithoutAHostNothingIsLoadedAndOpenIsQuiet)
{
    CNEBPTMain entry(view);
    EXPECT_EQ(fw::currentResourceLibrary(), testsupport::germanLibrary());
    EXPECT_TRUE(entry.Open());
    EXPECT_FALSE(flowShown());
    EXPECT_EQ(logLines().size(), 1u);
    RECT rect{1, 1, 1, 1};
    entry.GetNEBPTRect(&rect);
    EXPECT_EQ(coordinates(rect), Coordinates({0, 0, 0, 0}));
}

// --- the language library ---

TEST_F(EntryTest, TheHostsLanguageBecomesCurrentAndTheDestructorRestoresThePrevious)
{
    const std::string english = stringOf(testsupport::englishLibrary(), kEmptyProgramQuestion);
    const std::string german = stringOf(testsupport::germanLibrary(), kEmptyProgramQuestion);
    ASSERT_NE(english, german);

    host.language = "english";
    {
        auto entry = makeEntry();
        EXPECT_NE(fw::currentResourceLibrary(), testsupport::germanLibrary());
        EXPECT_EQ(fw::loadString(kEmptyProgramQuestion), english);
    }
    EXPECT_EQ(fw::currentResourceLibrary(), testsupport::germanLibrary());

    testsupport::CurrentLanguageGuard none(nullptr);
    host.language = "german";
    {
        auto entry = makeEntry();
        EXPECT_EQ(fw::loadString(kEmptyProgramQuestion), german);
    }
    EXPECT_EQ(fw::currentResourceLibrary(), nullptr);
}

class LanguageFolderTest : public EntryTest
{
protected:
    // A host folder holding the drive configuration and of the languages only english.
    void englishOnly()
    {
        for (const char* name : {"NEBPT_english.so", "drives_conf.neb"}) {
            const std::string target = fw::executableDirectory() + name;
            ASSERT_EQ(symlink(target.c_str(), folder.file(name).c_str()), 0) << name;
        }
    }

    testsupport::ScratchFolder folder;
};

TEST_F(LanguageFolderTest, AMissingLanguageFallsBackToEnglish)
{
    englishOnly();
    testsupport::ExecutableFolderGuard hostFolder(folder.path());
    const std::string english = stringOf(testsupport::englishLibrary(), kEmptyProgramQuestion);

    for (const char* language : {"german", "klingon", ""}) {
        host.language = language;
        auto entry = makeEntry();
        EXPECT_EQ(fw::loadString(kEmptyProgramQuestion), english) << language;
        EXPECT_TRUE(entry->Open()) << language;
        EXPECT_TRUE(flowShown()) << "templates come from the english library";
    }
    EXPECT_EQ(fw::currentResourceLibrary(), testsupport::germanLibrary());
}

TEST_F(LanguageFolderTest, NoLibraryAtAllLeavesTheResourcesAsTheyWere)
{
    testsupport::ExecutableFolderGuard hostFolder(folder.path());
    auto entry = makeEntry();
    EXPECT_EQ(fw::currentResourceLibrary(), testsupport::germanLibrary());
    entry.reset();
    EXPECT_EQ(fw::currentResourceLibrary(), testsupport::germanLibrary());
}

TEST_F(LanguageFolderTest, AHostThatCannotTellItsLanguageGetsEnglish)
{
    englishOnly();
    testsupport::ExecutableFolderGuard hostFolder(folder.path());
    host.failOperation("GetLanguage");
    auto entry = makeEntry();
    EXPECT_EQ(fw::loadString(kEmptyProgramQuestion),
              stringOf(testsupport::englishLibrary(), kEmptyProgramQuestion));
    EXPECT_EQ(logLines().size(), 1u);
}

} // namespace
