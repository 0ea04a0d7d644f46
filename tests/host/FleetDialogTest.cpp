#include "FleetDialog.h"
#include "HostTestSupport.h"
#include "HostWindow.h"
#include "LinkTestSupport.h"
#include "WorkflowTestSupport.h"

#include "framework/widgets/FileDialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

// File > Fleet in nebpt-host's window over simulators started by the test: the
// drives run to their end, or are cancelled before any of them is written, and
// the report the dialog saves is the command's.

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

const std::string kHost = NEBPT_HOST_EXECUTABLE;

// The rows of the dialog's table as the user reads their outcomes, by drive name.
std::map<std::string, std::string> outcomesShown(const QTableWidget& table)
{
    std::map<std::string, std::string> outcomes;
    for (int row = 0; row < table.rowCount(); ++row)
        outcomes[table.item(row, 0)->text().toStdString()] =
            table.item(row, 4)->text().toStdString();
    return outcomes;
}

void click(const QWidget& dialog, const char* button)
{
    auto* pressed = dialog.findChild<QPushButton*>(QLatin1String(button));
    ASSERT_NE(pressed, nullptr) << button;
    ASSERT_TRUE(pressed->isEnabled()) << button;
    pressed->click();
}

} // namespace

TEST(FleetDialogTest, RunsTheDrivesToTheirEndOrCancelsThemAndSavesTheReport)
{
    const struct
    {
        const char* name;
        bool cancel; // Cancel at once after Start, before any drive began
        std::vector<std::string> simulator;
        std::map<std::string, std::string> outcomes;
    } cases[]{
        {"run to the end",
         false,
         {},
         {{"Line 1", "written"}, {"Line 2", "written"}, {"Holding it", "identical"}}},
        {"cancelled at once",
         true,
         {"--latency", "50"},
         {{"Line 1", "cancelled"}, {"Line 2", "cancelled"}, {"Holding it", "cancelled"}}},
    };
    for (const auto& run : cases) {
        SCOPED_TRACE(run.name);
        const testsupport::ScratchFolder scratch;
        const testsupport::MessageBoxRecorder messages;
        workflowtest::sampleWith(scratch, {{1301, {{0, "2"}}}, {1306, {{0, "5"}}}},
                                 "fcd300_sample.json", "new.json");
        const std::string program = scratch.file("program.json");
        ASSERT_EQ(hosttest::run({kHost, "--export", program, scratch.file("new.json")}).status, 0);
        hosttest::copyOfSample(scratch, "fcd300_sample.json", "fcd300.json");

        std::vector<std::string> images, before;
        std::vector<std::unique_ptr<linktest::DriveSimulator>> simulators;
        QJsonArray entries;
        for (const char* name : {"Line 1", "Line 2", "Holding it"}) {
            const std::string image = scratch.file(std::string(name) + ".json");
            if (std::string(name) == "Holding it")
                scratch.writeText(std::string(name) + ".json", scratch.readText("new.json"));
            else
                hosttest::copyOfSample(scratch, "fcd300_sample.json", std::string(name) + ".json");
            images.push_back(image);
            before.push_back(hosttest::fileBytes(image));
            simulators.push_back(std::make_unique<linktest::DriveSimulator>(image, run.simulator));
            entries.append(
                QJsonObject{{"name", name},
                            {"connect", QString::fromStdString(simulators.back()->address())},
                            {"profile", "fcd300.json"}});
        }
        scratch.writeText("fleet.json",
                          QJsonDocument(QJsonObject{{"drives", entries}}).toJson().toStdString());

        HostWindow window;
        // File > Fleet, the fleet file; Browse, the program.
        QString answer = QString::fromStdString(scratch.file("fleet.json"));
        const fw::FileDialogHook previous =
            fw::setFileDialogHook([&answer](fw::FileChoice, const QString&) { return answer; });
        window.findChild<QAction*>(QStringLiteral("actionFleet"))->trigger();
        auto* dialog = window.findChild<FleetDialog*>();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->isVisible());
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("fleetDrives"));
        ASSERT_EQ(table->rowCount(), 3);
        answer = QString::fromStdString(program);
        click(*dialog, "fleetBrowseProgram");

        click(*dialog, "fleetStart");
        if (run.cancel)
            click(*dialog, "fleetCancel");
        // Only keeps a broken test from hanging: nothing is asserted about time.
        QElapsedTimer waited;
        waited.start();
        while (dialog->running() && waited.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            50);
        ASSERT_FALSE(dialog->running()) << "the fleet did not end";
        EXPECT_EQ(outcomesShown(*table), run.outcomes);
        EXPECT_THAT(
            dialog->findChild<QLabel*>(QStringLiteral("fleetSummary"))->text().toStdString(),
            HasSubstr("3 drives ended"));
        for (size_t i = 0; i < images.size(); ++i)
            if (run.cancel || i == 2)
                EXPECT_EQ(hosttest::fileBytes(images[i]), before[i]) << images[i] << " was written";
            else
                EXPECT_NE(hosttest::fileBytes(images[i]), before[i]) << images[i];

        // Save report: the command's report, every drive as the table showed it.
        answer = QString::fromStdString(scratch.file("report.json"));
        click(*dialog, "fleetSaveReport");
        const QJsonObject report =
            QJsonDocument::fromJson(QByteArray::fromStdString(scratch.readText("report.json")))
                .object();
        ASSERT_FALSE(report.isEmpty()) << "no report, or not JSON";
        EXPECT_EQ(report["programSha256"].toString().size(), 64);
        std::map<std::string, std::string> filed;
        for (const QJsonValue drive : report["drives"].toArray())
            filed[drive["name"].toString().toStdString()] =
                drive["outcome"].toString().toStdString();
        EXPECT_EQ(filed, run.outcomes);
        // Never over one of the run's inputs.
        answer = QString::fromStdString(program);
        const std::string programBytes = hosttest::fileBytes(program);
        click(*dialog, "fleetSaveReport");
        EXPECT_EQ(hosttest::fileBytes(program), programBytes);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_THAT(messages.shown()[0].text, HasSubstr("program file"));
        fw::setFileDialogHook(previous);
    }
}
