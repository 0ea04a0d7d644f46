// The language libraries: every template builds in both languages with the same
// controls, laid out inside the window without overlaps, with its pictures. The
// English controls are the ones the dialog tests drive.

#include "dialogs/WidgetTestSupport.h"

#include "framework/widgets/SvgPicture.h"
#include "framework/widgets/WidgetResources.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using testsupport::CurrentLanguageGuard;

namespace {

std::unique_ptr<QWidget> build(unsigned templateId)
{
    auto widget = std::make_unique<QWidget>();
    return fw::createTemplate(templateId, widget.get()) ? std::move(widget) : nullptr;
}

TEST(TemplateTest, BothLanguagesBuildTheSameControlsInsideWithoutOverlapFittingTheFlowAndAllTexts)
{
    const fw::LibraryHandle languages[] = {testsupport::englishLibrary(),
                                           testsupport::germanLibrary()};
    int pictures = 0;
    for (unsigned id : {2102, 2133, 2134, 2135, 2141, 2142, 2149, 2150, 2151, 3049}) {
        std::vector<std::pair<int, std::string>> controls[2];
        for (int language : {0, 1}) {
            SCOPED_TRACE("template " + std::to_string(id) + " language " +
                         std::to_string(language));
            CurrentLanguageGuard guard(languages[language]);
            auto widget = build(id);
            ASSERT_NE(widget, nullptr);
            EXPECT_FALSE(widget->size().isEmpty());
            std::vector<QWidget*> operable;
            for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                EXPECT_TRUE(widget->rect().contains(child->geometry())) << fw::controlId(child);
                controls[language].emplace_back(fw::controlId(child),
                                                child->metaObject()->className());
                if (qobject_cast<QComboBox*>(child) || qobject_cast<QAbstractButton*>(child) ||
                    qobject_cast<QLineEdit*>(child) || qobject_cast<QLabel*>(child))
                    operable.push_back(child);
            }
            for (size_t i = 0; i < operable.size(); ++i)
                for (size_t j = i + 1; j < operable.size(); ++j)
                    EXPECT_FALSE(operable[i]->geometry().intersects(operable[j]->geometry()))
                        << fw::controlId(operable[i]) << " overlaps " << fw::controlId(operable[j]);
            for (auto* picture : widget->findChildren<fw::SvgPicture*>()) {
                EXPECT_TRUE(picture->isLoaded()) << picture->source().toStdString();
                ++pictures;
            }
        }
        EXPECT_EQ(controls[0], controls[1]) << "template " << id;
    }
    EXPECT_EQ(pictures, 2 * (1 + 1 + 11 + 1)); // arrows, logic rule diagram, comparator output

    // The flow places the element windows at fixed points: the templates must fit.
    for (fw::LibraryHandle library : languages) {
        CurrentLanguageGuard guard(library);
        const QSize flow = build(2102)->size(), pair = build(2134)->size();
        const QSize event = build(2135)->size(), action = build(2133)->size();
        EXPECT_LE(21 + event.width(), pair.width());
        EXPECT_LE(10 + event.height(), 40); // the event box ends above the action box
        EXPECT_LE(50 + action.width(), pair.width());
        EXPECT_LE(40 + action.height(), pair.height());
        EXPECT_LE(40 + pair.width(), flow.width());
        EXPECT_LE(53 + build(2141)->width(), flow.width());
        EXPECT_LE(53 + build(2142)->width(), flow.width());

        for (unsigned id :
             {2134, 2135, 2136, 2137, 2138, 2139, 2140, 2141, 2142, 2143, 2145, 2147, 2148})
            EXPECT_FALSE(fw::loadString(id).empty()) << id;
        // The dialog titles are format strings with one integer and nothing else.
        for (unsigned id : {2137u, 2138u}) {
            const std::string text = fw::loadString(id);
            EXPECT_EQ(std::count(text.begin(), text.end(), '%'), 1) << id;
            EXPECT_NE(text.find("%d"), std::string::npos) << id;
        }
    }
}

} // namespace
