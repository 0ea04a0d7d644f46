#include "ProgramDocument.h"
#include "HostTestSupport.h"
#include "ProgramPrint.h"
#include "SimulatedDrive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <sstream>

using ::testing::HasSubstr;

// The document of the sample program: its first page shows something, and its
// text holds the identity, the date, the tables and the page number.
TEST(ProgramDocumentTest, WritesAPdfWhoseFirstPageShowsTheProgram)
{
    if (std::system("command -v pdftoppm >/dev/null && command -v pdftotext >/dev/null") != 0)
        GTEST_SKIP() << "poppler-utils is missing (scripts/setup installs it)";
    const testsupport::ScratchFolder scratch;
    SimulatedDrive drive(hosttest::sampleImage("fcd300_sample.json"), SimulatedDrive::Access::Read);
    std::ostringstream printed;
    std::string failure;
    ASSERT_TRUE(NEBPT::printProgram(drive, "sample", printed, failure)) << failure;
    QImage flow(300, 200, QImage::Format_RGB32);
    flow.fill(Qt::white);
    QPainter(&flow).fillRect(40, 40, 120, 60, Qt::darkBlue);

    QString error;
    const QString pdf = QString::fromStdString(scratch.file("program.pdf"));
    ASSERT_TRUE(writeProgramPdf(pdf, QString::fromStdString(printed.str()), flow,
                                QDateTime(QDate(2026, 12, 6), QTime(9, 30)), error))
        << error.toStdString();

    const hosttest::Run text = hosttest::run({"pdftotext", pdf.toStdString(), "-"});
    EXPECT_THAT(text.out, HasSubstr("Controller program"));
    EXPECT_THAT(text.out, HasSubstr("Drive FCD-300, AOC 02.10, database 02.40 (sample)"));
    EXPECT_THAT(text.out, HasSubstr("2026-12-06T09:30:00"));
    EXPECT_THAT(text.out, HasSubstr("Logic rule 0 OR Comparator 2 AND NOT Timeout 2"));
    EXPECT_THAT(text.out, HasSubstr("Controller: mode On"));

    ASSERT_EQ(hosttest::run({"pdftoppm", "-f", "1", "-l", "1", "-r", "30", "-png", "-singlefile",
                             pdf.toStdString(), scratch.file("page")})
                  .status,
              0);
    const QImage page(QString::fromStdString(scratch.file("page.png")));
    ASSERT_FALSE(page.isNull());
    EXPECT_LT(page.width(), page.height()) << "portrait";
    int dark = 0, blue = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            dark += c.lightness() < 128;
            blue += c.blue() > 100 && c.red() < 60;
        }
    }
    EXPECT_GT(dark, 200) << "text and tables";
    EXPECT_GT(blue, 20) << "the flow picture";
}
