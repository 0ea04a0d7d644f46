// The language libraries: every template builds with its numbered controls laid
// out inside the window without overlaps and its pictures; every string exists;
// the German library translates every text it is asked for.

#include "dialogs/WidgetTestSupport.h"

#include "framework/widgets/SvgPicture.h"
#include "framework/widgets/WidgetResources.h"
#include "languages/common/NEBPTResources.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <string>

using testsupport::CurrentLanguageGuard;

namespace {

TEST(TemplateTest, EveryTemplateAndStringInBothLanguagesAndGermanFullyTranslated)
{
    for (fw::LibraryHandle library :
         {testsupport::englishLibrary(), testsupport::germanLibrary()}) {
        CurrentLanguageGuard guard(library);
        for (unsigned id : res::kTemplates) {
            SCOPED_TRACE("template " + std::to_string(id));
            QWidget widget;
            ASSERT_TRUE(fw::createTemplate(id, &widget));
            EXPECT_FALSE(widget.size().isEmpty());
            std::vector<QWidget*> operable;
            for (QWidget* child : widget.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                EXPECT_TRUE(widget.rect().contains(child->geometry())) << fw::controlId(child);
                if (qobject_cast<QComboBox*>(child) || qobject_cast<QAbstractButton*>(child) ||
                    qobject_cast<QLineEdit*>(child) || qobject_cast<QLabel*>(child))
                    operable.push_back(child);
            }
            for (size_t i = 0; i < operable.size(); ++i)
                for (size_t j = i + 1; j < operable.size(); ++j)
                    EXPECT_FALSE(operable[i]->geometry().intersects(operable[j]->geometry()))
                        << fw::controlId(operable[i]) << " overlaps " << fw::controlId(operable[j]);
            for (auto* picture : widget.findChildren<fw::SvgPicture*>())
                EXPECT_TRUE(picture->isLoaded()) << picture->source().toStdString();
        }
        for (unsigned id : res::kStrings)
            EXPECT_FALSE(fw::loadString(id).empty()) << id;
    }
    // Asked for every text above; an unfinished or absent translation would show in English.
    using Untranslated = const char* (*)();
    const auto untranslated = reinterpret_cast<Untranslated>(
        fw::librarySymbol(testsupport::germanLibrary(), "nebpt_resource_untranslated"));
    ASSERT_NE(untranslated, nullptr);
    EXPECT_STREQ(untranslated(), "");
}

} // namespace
