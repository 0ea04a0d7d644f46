#include "FlowFixture.h"

#include <QDir>
#include <QImage>

#include <map>

using namespace flowtest;

namespace {

// Pictures of the flow on the sample drive, for looking at the layout: written
// to the build folder as flow_english.png and flow_german.png.
class FlowScreenshots : public FlowFixture
{
protected:
    void SetUp() override
    {
        hostWindow.resize(480, 560);
        view->setGeometry(0, 0, 480, 560);
        // A program as a machine would run it: start on a digital input, wait
        // for a comparator, run a timer, stop on an alarm or a logic rule.
        setProgram({{19, 22}, {22, 30}, {34, 2}, {28, 24}, {16, 24}, {3, 1}});
    }

    void shoot(const std::string& name)
    {
        open();
        activate();
        // The second pair with the focus in its event list looks selected.
        eventList(pairCtrl(1))->setFocus();
        fw::sendMessage(&pairCtrl(1), fw::WM_ACTIVATE);
        QApplication::processEvents();
        const QString path =
            QStringLiteral(NEBPT_FLOW_SCREENSHOT_DIR) + "/" + QString::fromStdString(name);
        QFile::remove(path);
        const QImage image = flow->grab().toImage();
        ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
        EXPECT_FALSE(QImage(path).isNull());
        EXPECT_EQ(image.pixelColor(5, 5), QColor(255, 255, 255)) << "white flow";
        // The frame of the selected pair.
        const QPoint frame = pairCtrl(1).mapTo(flow.get(), QPoint(0, 0));
        EXPECT_EQ(image.pixelColor(frame), QColor(0, 0, 0));
        EXPECT_TRUE(writes().empty());
    }
};

TEST_F(FlowScreenshots, English)
{
    shoot("flow_english.png");
}

// The German library with the drive's texts as a German host reports them.
TEST_F(FlowScreenshots, German)
{
    const std::map<std::string, std::string> german = {
        {"False", "Falsch"},
        {"True", "Wahr"},
        {"Running", "Motor läuft"},
        {"On reference", "Sollwert erreicht"},
        {"Torque limit", "Momentgrenze"},
        {"Warning", "Warnung"},
        {"Alarm (trip)", "Alarm (Abschaltung)"},
        {"Digital input 18", "Digitaleingang 18"},
        {"Comparator", "Vergleicher"},
        {"Logic rule", "Logikregel"},
        {"Timeout", "Timer abgelaufen"},
        {"Disabled", "Deaktiviert"},
        {"No action", "Keine Aktion"},
        {"Select set-up 1", "Parametersatz 1 wählen"},
        {"Start", "Start"},
        {"Stop", "Stopp"},
        {"Start timer", "Timer starten"},
    };
    auto translate = [&](std::vector<std::string>& choices) {
        for (std::string& choice : choices) {
            const size_t colon = choice.find(':');
            std::string text = choice.substr(colon + 1);
            std::string number;
            const size_t space = text.rfind(' ');
            if (!german.count(text) && space != std::string::npos &&
                text.find_first_not_of("0123456789", space + 1) == std::string::npos) {
                number = text.substr(space);
                text.resize(space);
            }
            const auto it = german.find(text);
            if (it != german.end())
                choice = choice.substr(0, colon + 1) + it->second + number;
        }
    };
    translate(host.parameter(kEvent).choices);
    translate(host.parameter(kAction).choices);
    host.language = "german";
    testsupport::CurrentLanguageGuard language(testsupport::germanLibrary());
    shoot("flow_german.png");
    EXPECT_EQ(objectButton(pairCtrl(1).eventCtrl())->text(), "Vergleicher...");
}

} // namespace
