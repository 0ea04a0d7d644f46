#include "FlowFixture.h"

#include <QImage>

#include <map>

using namespace flowtest;

namespace {

// Pictures of the flow on the sample drive, for looking at the layout: written
// to the build folder as flow_english.png and flow_german.png.
class FlowScreenshots : public FlowFixture
{
protected:
    void shoot(const std::string& name)
    {
        // A program as a machine would run it: start on a digital input, wait
        // for a comparator, run a timer, stop on an alarm or a logic rule.
        open({{19, 22}, {22, 30}, {34, 2}, {28, 24}, {16, 24}, {3, 1}});
        activate();
        // The second pair with the focus in its event list looks selected.
        list(pairCtrl(1).eventCtrl())->setFocus();
        fw::sendMessage(&pairCtrl(1), fw::WM_ACTIVATE);
        QApplication::processEvents();
        const QString path = QStringLiteral(NEBPT_FLOW_SCREENSHOT_DIR "/") + name.c_str();
        const QImage image = flow->grab().toImage();
        ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
        EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(pairCtrl(1).mapTo(flow.get(), QPoint(0, 0))), QColor(Qt::black));
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
    // The texts of the program shown (none begins with another).
    const std::map<std::string, std::string> german = {
        {"On reference", "Sollwert erreicht"},
        {"Alarm (trip)", "Alarm (Abschaltung)"},
        {"Digital input 18", "Digitaleingang 18"},
        {"Comparator", "Vergleicher"},
        {"Logic rule", "Logikregel"},
        {"Timeout", "Timer abgelaufen"},
        {"No action", "Keine Aktion"},
        {"Select set-up 1", "Parametersatz 1 wählen"},
        {"Stop", "Stopp"},
        {"Start timer", "Timer starten"}};
    for (unsigned long number : {kEvent, kAction})
        for (std::string& choice : host.parameter(number).choices) // "<value>:<text>"
            for (const auto& [english, text] : german)
                if (choice.compare(choice.find(':') + 1, english.size(), english) == 0) {
                    choice.replace(choice.find(':') + 1, english.size(), text);
                    break;
                }
    host.language = "german";
    testsupport::CurrentLanguageGuard language(testsupport::germanLibrary());
    shoot("flow_german.png");
    EXPECT_EQ(objectButton(pairCtrl(1).eventCtrl())->text(), "Vergleicher...");
}

} // namespace
