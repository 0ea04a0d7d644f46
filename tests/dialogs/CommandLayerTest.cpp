#include "dialogs/EditorDialogFixture.h"

#include "Settings_Manager/CNEB_EAPair.h"
#include "Settings_Manager/CNEB_Timer.h"

using namespace editortest;

namespace {

using CommandLayerTest = EditorFixture;

TEST_F(CommandLayerTest, InitTwiceTouchesTheDriveOnce)
{
    connect();
    EXPECT_TRUE(manager->getNEBProgram().isBuilt());
    manager->init();
    EXPECT_TRUE(host.calls().empty()) << "a built program is left alone";

    manager->updateNebProgram();
    EXPECT_GT(host.callCount("ReadParameterValue"), 0u) << "an update always reads the drive";
}

TEST_F(CommandLayerTest, SaveWhoseWriteFailsAnswersFalseWithoutRereading)
{
    connect();
    CNEB_Timer& timer = manager->getNEBProgram().getTimer(1);
    timer.setValue(9.5);
    host.failOperation("WriteParameterValues");
    EXPECT_FALSE(manager->saveTimer(timer));
    EXPECT_EQ(host.callCount("WriteParameterValues"), 1u);
    EXPECT_EQ(readsAfterWrite(), 0u) << "no re-read after a failed write";
    EXPECT_EQ(logLines().size(), 1u);
    EXPECT_TRUE(messages.shown().empty());

    host.stopFailing();
    host.clearCalls();
    EXPECT_TRUE(manager->saveTimer(timer));
    EXPECT_EQ(host.callCount("WriteParameterValues"), 1u);
    EXPECT_GT(readsAfterWrite(), 0u);
    EXPECT_DOUBLE_EQ(manager->getNEBProgram().getTimer(1).getValue(), 9.5);
}

TEST_F(CommandLayerTest, AddPairToEndAtTheLimitWritesNothing)
{
    for (long i = 0; i < 20; ++i) {
        host.setValue(kEvent, i, std::to_string(i % 6));
        host.setValue(kAction, i, "22");
    }
    connect();
    const size_t pairs = manager->getNEBProgram().getPairs().size();
    manager->addPairToEnd();
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(manager->getNEBProgram().getPairs().size(), pairs);
    EXPECT_TRUE(messages.shown().empty()) << "nothing is shown";
    EXPECT_EQ(logLines().size(), 1u);
}

TEST_F(CommandLayerTest, AddPairToEndWritesTheProgramAndRereads)
{
    connect();
    manager->addPairToEnd();
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_GT(readsAfterWrite(), 0u);
    EXPECT_EQ(manager->getNEBProgram().getPairs().size(), 1u);
}

TEST_F(CommandLayerTest, DeleteAndInsertPairsWriteTheWholeProgram)
{
    host.setValue(kEvent, 0, "1");
    host.setValue(kAction, 0, "22");
    host.setValue(kEvent, 1, "2");
    host.setValue(kAction, 1, "24");
    connect();
    ASSERT_EQ(manager->getNEBProgram().getPairs().size(), 2u);

    manager->deletePair(*manager->getNEBProgram().getPairs().front());
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(host.value(kEvent, 0), "2") << "the second step moved to the front";
    EXPECT_EQ(manager->getNEBProgram().getPairs().size(), 1u);

    host.clearCalls();
    manager->addPairBeforeSelected(*manager->getNEBProgram().getPairs().front());
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(host.value(kEvent, 1), "2") << "the step moved one place back";
    EXPECT_EQ(manager->getNEBProgram().getPairs().size(), 2u);
}

TEST_F(CommandLayerTest, ModifyEventWritesAndAFailedWriteAnswersFalse)
{
    host.setValue(kEvent, 0, "1");
    host.setValue(kAction, 0, "22");
    connect();
    CNEB_EAPair& pair = *manager->getNEBProgram().getPairs().front();
    CNEB_ChoicelistItem item = pair.getEvent().getChoicelist().findItem(3);
    EXPECT_TRUE(manager->modifyEvent(pair.getEvent(), item));
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(host.value(kEvent, 0), "3");

    host.clearCalls();
    host.failOperation("WriteParameterValues");
    CNEB_EAPair& reread = *manager->getNEBProgram().getPairs().front();
    CNEB_ChoicelistItem other = reread.getEvent().getChoicelist().findItem(2);
    EXPECT_FALSE(manager->modifyEvent(reread.getEvent(), other));
    EXPECT_EQ(readsAfterWrite(), 0u);
    EXPECT_EQ(host.value(kEvent, 0), "3");
}

TEST_F(CommandLayerTest, UndoRedoAndExecutionPointTouchNothing)
{
    connect();
    manager->undo();
    manager->redo();
    EXPECT_EQ(manager->getNEBExecutionPoint(), 0);
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(CommandLayerTest, ParameterNameAndLanguageComeFromTheHost)
{
    host.language = "german";
    connect();
    std::string name, language;
    manager->getParameterName("1306", name);
    manager->getActiveLanguage(language);
    EXPECT_EQ(name, "Stop event");
    EXPECT_EQ(language, "german");
}

} // namespace
