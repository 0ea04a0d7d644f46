#include "dialogs/EditorDialogFixture.h"

#include "Dialogs/Compdlg.h"
#include "Dialogs/LRdlg.h"
#include "Dialogs/NEBSettingsDLG.h"
#include "Dialogs/Timerdlg.h"

#include <QDir>
#include <QImage>

using namespace editortest;

namespace {

// Pictures of the editor dialogs on the sample drive, for looking at the
// layout: written to NEBPT_SCREENSHOT_DIR in the build folder.
struct EditorScreenshots : EditorFixture
{
    template <class Dialog, class Object> void shoot(Object& object, const char* name)
    {
        const QString path = QStringLiteral(NEBPT_SCREENSHOT_DIR "/") + name;
        QFile::remove(path);
        EXPECT_EQ(fw::IDCANCEL,
                  runDialog<Dialog>(object, [&](fw::CDialog& d) { d.grab().save(path, "PNG"); }));
        const QImage image(path);
        ASSERT_FALSE(image.isNull()) << path.toStdString();
        EXPECT_EQ(image.pixelColor(2, image.height() - 3), QColor(Qt::white)) << name;
    }
};

TEST_F(EditorScreenshots, WritesPicturesOfTheEditors)
{
    host.setValue(kTimer, 2, "1234.5");
    host.setValue(kCompOperand, 1, "3");
    host.setValue(kCompOperator, 1, "2");
    host.setValue(kCompValue, 1, "1500");
    host.setValue(kMode, -1, "1");
    for (const auto& [parameter, value] :
         {std::pair{1320, "22"}, {1321, "3"}, {1322, "35"}, {1323, "8"}, {1324, "30"}})
        host.setValue(parameter, 0, value); // comparator 0 AND NOT timeout 1 NOT OR NOT rule 2
    connect();
    QDir().mkpath(QStringLiteral(NEBPT_SCREENSHOT_DIR));
    NEBPT::CNEB_Program& program = manager->getNEBProgram();
    shoot<CTimerdlg>(program.getTimer(2), "timer_dialog.png");
    shoot<CCompdlg>(program.getComparator(1), "comparator_dialog.png");
    shoot<CCompdlg>(program.getComparator(0), "comparator_dialog_disabled.png");
    shoot<CNEBSettingsDLG>(program.getSettings(), "settings_dialog.png");
    shoot<CLRdlg>(program.getLogicRule(0), "lr_dialog.png");
    EXPECT_TRUE(writes().empty());
}

} // namespace
