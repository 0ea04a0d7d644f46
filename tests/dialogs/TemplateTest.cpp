#include "dialogs/WidgetTestSupport.h"

#include "framework/Resources.h"
#include "framework/SystemPaths.h"
#include "framework/widgets/SvgPicture.h"
#include "framework/widgets/WidgetResources.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using testsupport::CurrentLanguageGuard;

namespace {

enum class Kind
{
    Any,
    List,
    Button,
    Edit,
    Text
};

struct Expected
{
    unsigned templateId;
    std::map<int, Kind> controls;
};

// The controls each template must offer the code that drives it.
const std::vector<Expected>& expectedTemplates()
{
    static const std::vector<Expected> templates = {
        {2102, {}},
        {2133, {{3005, Kind::List}, {3001, Kind::Button}}},
        {2134, {}},
        {2135, {{3008, Kind::List}, {3010, Kind::Button}, {3001, Kind::Button}}},
        {2141, {}},
        {2142, {}},
        {2149,
         {{3012, Kind::List}, {3013, Kind::List},   {3014, Kind::List},   {3015, Kind::List},
          {3016, Kind::List}, {3021, Kind::Button}, {3022, Kind::Button}, {3023, Kind::Button},
          {3025, Kind::Any},  {3026, Kind::Any},    {3027, Kind::Any},    {3028, Kind::Any},
          {3029, Kind::Any},  {3030, Kind::Any},    {3031, Kind::Any},    {3000, Kind::Any},
          {3032, Kind::Any},  {3033, Kind::Any},    {3034, Kind::Any},    {1, Kind::Button},
          {2, Kind::Button}}},
        {2150,
         {{3016, Kind::List},
          {3017, Kind::List},
          {3019, Kind::Edit},
          {3035, Kind::Any},
          {1, Kind::Button},
          {2, Kind::Button}}},
        {2151, {{3018, Kind::Edit}, {-1, Kind::Text}, {1, Kind::Button}, {2, Kind::Button}}},
        {3049,
         {{3037, Kind::List},
          {3038, Kind::List},
          {3039, Kind::List},
          {3040, Kind::Text},
          {3041, Kind::Text},
          {3042, Kind::Text},
          {1, Kind::Button},
          {2, Kind::Button}}},
    };
    return templates;
}

bool hasKind(QWidget* control, Kind kind)
{
    switch (kind) {
    case Kind::List:
        return qobject_cast<QComboBox*>(control) != nullptr;
    case Kind::Button:
        return qobject_cast<QAbstractButton*>(control) != nullptr;
    case Kind::Edit:
        return qobject_cast<QLineEdit*>(control) != nullptr;
    case Kind::Text:
        return qobject_cast<QLabel*>(control) != nullptr;
    case Kind::Any:
        return control != nullptr;
    }
    return false;
}

std::unique_ptr<QWidget> build(unsigned templateId)
{
    auto widget = std::make_unique<QWidget>();
    if (!fw::createTemplate(templateId, widget.get()))
        return nullptr;
    return widget;
}

class TemplateTest : public ::testing::TestWithParam<const char*>
{
protected:
    fw::LibraryHandle library() const
    {
        return std::string(GetParam()) == "english" ? testsupport::englishLibrary()
                                                    : testsupport::germanLibrary();
    }
};

TEST_P(TemplateTest, EveryTemplateOffersTheControlsItsDialogAddresses)
{
    ASSERT_NE(library(), nullptr);
    CurrentLanguageGuard language(library());
    for (const Expected& expected : expectedTemplates()) {
        SCOPED_TRACE(expected.templateId);
        auto widget = build(expected.templateId);
        ASSERT_NE(widget, nullptr);
        EXPECT_GT(widget->width(), 0);
        EXPECT_GT(widget->height(), 0);
        for (const auto& [id, kind] : expected.controls) {
            SCOPED_TRACE(id);
            EXPECT_TRUE(hasKind(fw::findControl(widget.get(), id), kind));
        }
    }
}

TEST_P(TemplateTest, ControlsLieInsideTheirTemplateWithoutOverlapping)
{
    CurrentLanguageGuard language(library());
    for (const Expected& expected : expectedTemplates()) {
        SCOPED_TRACE(expected.templateId);
        auto widget = build(expected.templateId);
        ASSERT_NE(widget, nullptr);
        std::vector<QWidget*> operable;
        for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            SCOPED_TRACE(child->objectName().toStdString());
            EXPECT_TRUE(widget->rect().contains(child->geometry()));
            if (qobject_cast<QComboBox*>(child) || qobject_cast<QAbstractButton*>(child) ||
                qobject_cast<QLineEdit*>(child) || qobject_cast<QLabel*>(child))
                operable.push_back(child);
        }
        for (size_t i = 0; i < operable.size(); ++i)
            for (size_t j = i + 1; j < operable.size(); ++j)
                EXPECT_FALSE(operable[i]->geometry().intersects(operable[j]->geometry()))
                    << operable[i]->objectName().toStdString() << " overlaps "
                    << operable[j]->objectName().toStdString();
    }
}

TEST_P(TemplateTest, PicturesLoadFromTheLibrary)
{
    CurrentLanguageGuard language(library());
    int pictures = 0;
    for (const Expected& expected : expectedTemplates()) {
        auto widget = build(expected.templateId);
        ASSERT_NE(widget, nullptr);
        for (auto* picture : widget->findChildren<fw::SvgPicture*>()) {
            SCOPED_TRACE(picture->source().toStdString());
            EXPECT_TRUE(picture->isLoaded());
            ++pictures;
        }
    }
    EXPECT_EQ(pictures, 1 + 1 + 11 + 1); // arrows, logic rule diagram, comparator output
}

// The flow places the element windows at fixed points: the templates must fit.
TEST_P(TemplateTest, ElementWindowsFitWhereTheFlowPutsThem)
{
    CurrentLanguageGuard language(library());
    const QSize flow = build(2102)->size();
    const QSize pair = build(2134)->size();
    const QSize event = build(2135)->size();
    const QSize action = build(2133)->size();
    const QSize top = build(2141)->size();
    const QSize bottom = build(2142)->size();

    EXPECT_LE(21 + event.width(), pair.width());
    EXPECT_LE(10 + event.height(), 40); // the event box ends above the action box
    EXPECT_LE(50 + action.width(), pair.width());
    EXPECT_LE(40 + action.height(), pair.height());
    EXPECT_LE(40 + pair.width(), flow.width());
    EXPECT_LE(53 + top.width(), flow.width());
    EXPECT_LE(53 + bottom.width(), flow.width());
}

TEST_P(TemplateTest, UnitCaptionIsTheFirstStaticTextWithoutNumber)
{
    CurrentLanguageGuard language(library());
    auto timer = build(2151);
    QWidget* first = fw::findControl(timer.get(), -1);
    ASSERT_NE(qobject_cast<QLabel*>(first), nullptr);
    const QRect field = fw::findControl(timer.get(), 3018)->geometry();
    EXPECT_GE(first->geometry().left(), field.right()); // beside the value, on its right
}

TEST_P(TemplateTest, StringTableHoldsEveryNumberedText)
{
    CurrentLanguageGuard language(library());
    for (unsigned id : {2134u, 2135u, 2136u, 2137u, 2138u, 2139u, 2140u, 2141u, 2142u, 2143u, 2145u,
                        2147u, 2148u}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(fw::loadString(id).empty());
    }
    // The dialog titles are format strings with one integer and nothing else.
    for (unsigned id : {2137u, 2138u}) {
        const std::string text = fw::loadString(id);
        const size_t at = text.find('%');
        ASSERT_NE(at, std::string::npos) << id;
        EXPECT_EQ(text.substr(at, 2), "%d");
        EXPECT_EQ(text.find('%', at + 1), std::string::npos);
    }
    EXPECT_EQ(fw::loadString(1), "");
    EXPECT_EQ(fw::loadString(2144), "");
}

INSTANTIATE_TEST_SUITE_P(Languages, TemplateTest, ::testing::Values("english", "german"));

TEST(LanguageLibraryTest, EnglishAndGermanTextsDiffer)
{
    {
        CurrentLanguageGuard language(testsupport::englishLibrary());
        EXPECT_EQ(fw::loadString(2134), "Add pair at end");
        EXPECT_EQ(fw::loadString(2147), "Logic rule");
        EXPECT_EQ(fw::loadString(2137), "Comparator %d");
        auto timer = build(2151);
        EXPECT_EQ(qobject_cast<QAbstractButton*>(fw::findControl(timer.get(), 2))->text(),
                  "Cancel");
    }
    {
        CurrentLanguageGuard language(testsupport::germanLibrary());
        EXPECT_EQ(fw::loadString(2134), "Paar am Ende anfügen");
        EXPECT_EQ(fw::loadString(2147), "Logikregel");
        auto timer = build(2151);
        EXPECT_EQ(qobject_cast<QAbstractButton*>(fw::findControl(timer.get(), 2))->text(),
                  "Abbrechen");
    }
}

TEST(LanguageLibraryTest, LibraryLoadedByFileNameBecomesTheResourceSource)
{
    const fw::LibraryHandle english =
        fw::loadLibrary(fw::executableDirectory() + "NEBPT_english.so");
    ASSERT_NE(english, nullptr);
    EXPECT_EQ(fw::loadLibrary(fw::executableDirectory() + "NEBPT_klingon.so"), nullptr);

    const fw::LibraryHandle previous = fw::setCurrentResourceLibrary(english);
    EXPECT_EQ(fw::currentResourceLibrary(), english);
    EXPECT_EQ(fw::loadString(2145), "Controller settings...");
    QWidget widget;
    EXPECT_TRUE(fw::createTemplate(2150, &widget));
    EXPECT_NE(fw::findControl(&widget, 3019), nullptr);
    EXPECT_FALSE(fw::createTemplate(4711, &widget));
    fw::setCurrentResourceLibrary(previous);
    // Stays loaded: the widget above keeps texts that the library made.
}

TEST(LanguageLibraryTest, WithoutCurrentLibraryNothingIsBuilt)
{
    CurrentLanguageGuard none(nullptr);
    QWidget widget;
    EXPECT_FALSE(fw::createTemplate(2151, &widget));
    EXPECT_TRUE(widget.children().isEmpty());
    EXPECT_EQ(fw::loadString(2134), "");
}

} // namespace
