#pragma once

#include "GuiTestSupport.h"
#include "HostTestSupport.h"
#include "HostWindow.h"
#include "HostWindowTestSupport.h"
#include "SimulatedDrive.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace guitest {

// nebpt-host's window on the X server over a copy of the sample drive image,
// shown and in front; message boxes answered Yes through the framework's seam.

inline const std::string kSample = "fcd300_sample.json";
// The sample's six pairs, by the events their lists show.
inline const std::vector<std::string> kSampleEvents = {
    "Digital input 18", "Timeout 0", "Comparator 0", "Logic rule 1", "Timeout 1", "Logic rule 0"};

inline std::string valueOnDisk(const std::string& image, unsigned long number, long element)
{
    return SimulatedDrive(image, SimulatedDrive::Access::Read).value(number, element);
}

// In the file dialog in front: the path typed as the file name, then Return.
inline void typeFileName(QWidget& dialog, const std::string& path)
{
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr) << "Qt's own file dialog";
    typeInto(name, QString::fromStdString(path));
    keyInto(name, Qt::Key_Return);
}

class WindowGuiTest : public ::testing::Test
{
protected:
    void SetUp() override { showOnScreen(window); }

    // A menu item by the text it reads in English, found once: it stays the
    // same item in every language.
    QAction* item(const std::string& text)
    {
        EXPECT_EQ(items.count(text), 1u) << "no menu item " << text;
        return items.count(text) ? items.at(text) : nullptr;
    }

    bool open(const std::string& path)
    {
        return hosttest::done(window.openImage(QString::fromStdString(path)));
    }

    // The event lists of the flow, top to bottom.
    QComboBox* eventList(size_t pair)
    {
        const std::vector<QComboBox*> lists = hosttest::eventLists(window);
        EXPECT_LT(pair, lists.size());
        return pair < lists.size() ? lists[pair] : nullptr;
    }

    // Chooses `item` from the menu bar, answering the file dialog it opens with `path`.
    void chooseFile(const std::string& menuItem, const std::string& path)
    {
        const Answer dialog("the file dialog of " + menuItem, modal<QFileDialog>,
                            [&](QWidget& shown) { typeFileName(shown, path); });
        choose(window, item(menuItem));
    }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::MessageBoxRecorder messages{fw::IDYES};
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    HostWindow window;
    const std::map<std::string, QAction*> items = menuItems(window);
};

} // namespace guitest
