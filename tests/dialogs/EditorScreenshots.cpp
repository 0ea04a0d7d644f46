#include "dialogs/EditorDialogFixture.h"

#include "Dialogs/Compdlg.h"
#include "Dialogs/NEBSettingsDLG.h"
#include "Dialogs/Timerdlg.h"

#include <QDir>
#include <QImage>
#include <QPixmap>

using namespace editortest;
using testsupport::ModalAnswerer;

namespace {

// Pictures of the three editor dialogs on the sample drive, for looking at the
// layout: written to NEBPT_SCREENSHOT_DIR in the build folder.
class EditorScreenshots : public EditorFixture
{
protected:
    template <class Dialog, class Object> void shoot(Object& object, const std::string& name)
    {
        QDir().mkpath(QStringLiteral(NEBPT_SCREENSHOT_DIR));
        const QString path =
            QStringLiteral(NEBPT_SCREENSHOT_DIR) + "/" + QString::fromStdString(name);
        QFile::remove(path);
        bool saved = false;
        {
            ModalAnswerer answerer([&](fw::CDialog& d) { saved = d.grab().save(path, "PNG"); });
            Dialog dialog(*manager, object, nullptr);
            EXPECT_EQ(dialog.DoModal(), fw::IDCANCEL);
        }
        EXPECT_TRUE(saved) << path.toStdString();
        const QImage image(path);
        EXPECT_FALSE(image.isNull());
        EXPECT_EQ(image.pixelColor(2, 2), QColor(255, 255, 255)) << "white background";
    }
};

TEST_F(EditorScreenshots, WritesPicturesOfTheEditors)
{
    host.setValue(kTimer, 2, "1234.5");
    host.setValue(kCompOperand, 1, "3");
    host.setValue(kCompOperator, 1, "2");
    host.setValue(kCompValue, 1, "1500");
    host.setValue(kMode, -1, "1");
    connect();
    NEBPT::CNEB_Program& program = manager->getNEBProgram();
    shoot<CTimerdlg>(program.getTimer(2), "timer_dialog.png");
    shoot<CCompdlg>(program.getComparator(1), "comparator_dialog.png");
    shoot<CCompdlg>(program.getComparator(0), "comparator_dialog_disabled.png");
    shoot<CNEBSettingsDLG>(program.getSettings(), "settings_dialog.png");
    EXPECT_TRUE(writes().empty());
}

} // namespace
