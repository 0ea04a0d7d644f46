#include "NEBPTMain.h"

#include "Dialogs/EAPairCtrl.h"
#include "Dialogs/Timerdlg.h"
#include "Dialogs/WorkFlow.h"
#include "External_Data_Manager/ExternalDataManager.h"
#include "dialogs/EditorDialogFixture.h"

#include "framework/SystemPaths.h"
#include "framework/widgets/Geometry.h"
#include "framework/widgets/Messages.h"
#include "languages/common/NEBPTResources.h"

#include <QApplication>
#include <QPointer>

#include <typeinfo>
#include <unistd.h>

namespace {

// The host side of the entry object: a form view on the screen and the fake
// host's sample drive with a program of three pairs. The host's own resource
// library (german) is current, so that the tests see which library the entry
// object makes current and what it leaves behind.
class EntryTest : public editortest::EditorFixture
{
protected:
    EntryTest()
    {
        view.setGeometry(120, 80, 700, 900);
        view.show();
        storeSteps({{1, 2}, {2, 2}, {3, 2}});
    }

    std::unique_ptr<CNEBPTMain> makeEntry() { return std::make_unique<CNEBPTMain>(view, &host); }
    CWorkFlow* flow() const { return view.findChild<CWorkFlow*>(); }
    bool flowShown() const { return flow() && flow()->IsWindowCreated() && flow()->isVisible(); }
    size_t pairsShown() const { return flow() ? flow()->pairCtrls().size() : 0; }
    static fw::CRect rectOf(CNEBPTMain& entry)
    {
        RECT rect{7, 7, 7, 7};
        entry.GetNEBPTRect(&rect);
        return fw::CRect(int(rect.left), int(rect.top), int(rect.right), int(rect.bottom));
    }
    static std::string questionIn(fw::LibraryHandle library)
    {
        testsupport::CurrentLanguageGuard guard(library);
        return fw::loadString(res::IDS_EMPTY_PROGRAM);
    }

    testsupport::CurrentLanguageGuard hostResources{testsupport::germanLibrary()};
    QWidget view;
};

// The drive's program changes behind the editor's back: an update shows it.
TEST_F(EntryTest, OpenShowsTheProgramAndUpdateFlowRereadsItUntilTheEntryIsDestroyed)
{
    host.clearCalls();
    auto entry = makeEntry();
    EXPECT_TRUE(entry->Close()) << "also before Open";
    EXPECT_EQ(rectOf(*entry), fw::CRect());
    entry->GetNEBPTRect(nullptr); // no rectangle to fill: nothing happens
    EXPECT_EQ(host.calls().size(), 2u) << "nothing from the drive but index base and language";

    EXPECT_TRUE(entry->Open());
    ASSERT_TRUE(flowShown());
    EXPECT_EQ(flow()->parentWidget(), &view);
    EXPECT_EQ(pairsShown(), 3u);
    EXPECT_EQ(rectOf(*entry), fw::windowRect(flow()));

    storeSteps({{1, 2}, {2, 2}, {3, 2}, {4, 2}});
    host.clearCalls();
    EXPECT_TRUE(entry->UpdateFlow());
    EXPECT_EQ(host.callCount("GetDriveIdentity"), 0u);
    EXPECT_EQ(pairsShown(), 4u);
    host.failOperation("ReadParameterValue");
    EXPECT_FALSE(entry->UpdateFlow());
    EXPECT_EQ(logLines().size(), 1u);
    EXPECT_TRUE(messages.shown().empty()) << "nothing is shown for a failure";

    host.stopFailing();
    host.clearCalls();
    EXPECT_TRUE(entry->Close());
    EXPECT_TRUE(flowShown());
    EXPECT_TRUE(host.calls().empty());
    entry.reset();
    EXPECT_TRUE(view.findChildren<QWidget*>().isEmpty()) << "the view is left as it was";
}

TEST_F(EntryTest, OpenThatFailsIsLoggedAndCountsAsOpenedUnlessTheHostFailed)
{
    // A failure of the plug-in's own counts as opened: UpdateFlow takes the update
    // path. The host's own exception from the identification does not (nor is it
    // logged): the next UpdateFlow opens.
    for (const auto& [operation, opened] :
         {std::pair{"ReadParameterValue", true}, {"GetDriveIdentity", false}}) {
        auto entry = makeEntry();
        host.failOperation(operation);
        EXPECT_EQ(entry->Open(), opened) << operation;
        EXPECT_FALSE(flowShown()) << operation;
        host.stopFailing();
        host.clearCalls();
        EXPECT_TRUE(entry->UpdateFlow());
        EXPECT_EQ(host.callCount("GetDriveIdentity"), opened ? 0u : 1u) << operation;
        EXPECT_EQ(flowShown(), !opened) << operation;
    }
    // Without a usable host the constructor refuses; without any host nothing
    // is loaded and Open shows nothing.
    EXPECT_THROW(CNEBPTMain(view, nullptr), CCustomException);
    CNEBPTMain entry(view);
    EXPECT_EQ(fw::currentResourceLibrary(), testsupport::germanLibrary());
    EXPECT_TRUE(entry.Open());
    EXPECT_FALSE(flowShown());
    EXPECT_EQ(logLines().size(), 3u);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(EntryTest, TheHostsLanguageIsCurrentWhileTheEntryLivesWithEnglishAsFallback)
{
    const std::string english = questionIn(testsupport::englishLibrary());
    for (const char* language : {"german", "German"}) { // names are matched in any case
        testsupport::CurrentLanguageGuard before(nullptr);
        host.language = language;
        auto entry = makeEntry();
        EXPECT_EQ(fw::loadString(res::IDS_EMPTY_PROGRAM), questionIn(testsupport::germanLibrary()))
            << language;
        entry.reset();
        EXPECT_EQ(fw::currentResourceLibrary(), nullptr) << "the previous library is restored";
    }

    const std::string bin = fw::executableDirectory();
    testsupport::ScratchFolder folder;
    testsupport::ExecutableFolderGuard hostFolder(folder.path());
    {
        // A host folder without any language library: the resource source stays.
        auto entry = makeEntry();
        EXPECT_EQ(fw::currentResourceLibrary(), testsupport::germanLibrary());
    }
    // Of the languages only english beside the drive configuration.
    for (const char* name : {"NEBPT_english.so", "drives_conf.neb"})
        ASSERT_EQ(symlink((bin + name).c_str(), folder.file(name).c_str()), 0) << name;
    for (const char* language : {"german", "klingon", ""}) {
        host.language = language;
        auto entry = makeEntry();
        EXPECT_EQ(fw::loadString(res::IDS_EMPTY_PROGRAM), english) << language;
        EXPECT_TRUE(entry->Open()) << language;
        EXPECT_TRUE(flowShown()) << "templates come from the english library";
    }
    // A host that cannot tell its language hears of it from the constructor.
    host.failOperation("GetLanguage");
    EXPECT_THROW(makeEntry(), std::runtime_error);
    EXPECT_EQ(fw::currentResourceLibrary(), testsupport::germanLibrary());
}

// An update that arrives while an editor opened from the flow is open (the host
// redraws, or a window asks for a rebuild) waits until the editor has closed:
// the editor and the window that opened it stay, the edit is kept, and then the
// update runs. The call that had it wait answers false: it updated nothing. A
// waiting update that fails is logged; every later answer is its own call's.
TEST_F(EntryTest, UpdatesWaitForTheOpenEditor)
{
    storeSteps({{1, 30}, {2, 2}, {3, 2}}); // starts timer 0
    auto entry = makeEntry();
    ASSERT_TRUE(entry->Open());
    CEAPairCtrl* pair = flow()->pairCtrls().front();
    const QPointer<QWidget> pairWindow = pair; // gone once the flow is rebuilt
    bool stayed = false;
    testsupport::ModalAnswerer answerer([&](fw::CDialog& dialog) {
        storeSteps({{1, 30}, {2, 2}, {3, 2}, {4, 2}}); // a fourth pair, behind its back
        EXPECT_FALSE(entry->UpdateFlow());
        EXPECT_FALSE(entry->UpdateFlow()) << "waits once";
        fw::postMessage(flow(), WM_REREAD_DATA);
        testsupport::runPostedMessages();
        stayed = !pairWindow.isNull();
        typeAndOk(dialog, CTimerdlg::IDC_VALUE, "7.5");
    });
    pair->actionCtrl().GetDlgItemAs<QAbstractButton>(CActionCtrl::IDC_OBJECT_BUTTON)->click();
    EXPECT_TRUE(stayed);
    testsupport::runPostedMessages();
    testsupport::runPostedMessages();
    EXPECT_EQ(answerer.answered(), (std::vector<unsigned>{CTimerdlg::IDD}));
    EXPECT_EQ(host.value(editortest::kTimer, 0), "7.500000");
    EXPECT_EQ(pairsShown(), 4u) << "the update ran once the editor had closed";
    EXPECT_TRUE(pairWindow.isNull());

    // A waiting update that then fails is logged, also a failure of the host's
    // own (the host's call has long returned): updating the opened flow, and
    // opening a fresh one. The flow keeps the program as last read.
    auto fresh = makeEntry();
    for (const auto& [which, operation] :
         {std::pair{entry.get(), "ReadParameterValue"}, {fresh.get(), "GetDriveIdentity"}}) {
        SCOPED_TRACE(operation);
        const size_t logged = logLines().size(), pairs = pairsShown();
        const fw::CRect place = rectOf(*which);
        storeSteps({{1, 30}, {2, 2}});
        {
            fw::ModalScope modal; // a window of the host's, say
            EXPECT_FALSE(which->UpdateFlow());
            host.failOperation(operation);
        }
        testsupport::runPostedMessages();
        host.stopFailing();
        EXPECT_EQ(logLines().size(), logged + 1);
        EXPECT_EQ(std::pair(pairsShown(), rectOf(*which)), std::pair(pairs, place));
        EXPECT_TRUE(which->UpdateFlow()) << "the next answer is its own";
        EXPECT_NE(rectOf(*which), fw::CRect());
    }
    EXPECT_NE(logLines().back().find("The flow could not be updated: "), std::string::npos);
    EXPECT_EQ(pairsShown(), 2u);
}

// The host shows the controller's state in the flow and selects a pair: the
// state waits for the flow to be opened; a pair that is not shown is refused.
TEST_F(EntryTest, TheLiveStateAndTheSelectedPairReachTheFlow)
{
    auto entry = makeEntry();
    EXPECT_FALSE(entry->SelectPair(0)) << "no flow yet";
    entry->ShowLiveState({true, true, 1, {}});
    ASSERT_TRUE(entry->Open());
    view.activateWindow();
    QApplication::processEvents();
    const auto pair = [this](size_t n) { return *std::next(flow()->pairCtrls().begin(), n); };
    for (size_t n = 0; n < 3; ++n)
        EXPECT_EQ(pair(n)->isActive(), n == 1) << n;

    for (const auto& [selected, answer] :
         {std::pair{2, true}, {0, true}, {-1, false}, {3, false}}) {
        EXPECT_EQ(entry->SelectPair(selected), answer) << selected;
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_TRUE(focused == pair(answer ? selected : 0) ||
                    pair(answer ? selected : 0)->isAncestorOf(focused))
            << selected << ": the focus stays where it was";
        EXPECT_TRUE(pair(answer ? selected : 0)->isSelected()) << selected;
    }
    entry->ShowLiveState({});
    EXPECT_FALSE(pair(1)->isActive());
}

// The type of the message box handler the seam holds now.
const std::type_info& currentHandlerType()
{
    fw::MessageBoxHandler current = fw::setMessageBoxHandler({});
    const std::type_info& type = current.target_type();
    fw::setMessageBoxHandler(std::move(current));
    return type;
}

// Loading libNEBPT.so registers it with the application framework: message
// boxes become Qt message boxes until it is unloaded.
TEST(LibraryRegistrationTest, LoadingInstallsTheQtMessageBoxAndUnloadingRestores)
{
    testsupport::MessageBoxRecorder recorder;
    const std::type_info& recorderType = currentHandlerType();
    fw::LibraryHandle library = fw::loadLibrary(NEBPT_PLUGIN_LIBRARY);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(currentHandlerType(), recorderType);
    EXPECT_EQ(fw::librarySymbol(library, "_ZN17CSettingsManager4initEv"), nullptr)
        << "the model stays inside";
    fw::freeLibrary(library);
    EXPECT_EQ(currentHandlerType(), recorderType); // else the next box would wait for a user
}

} // namespace
