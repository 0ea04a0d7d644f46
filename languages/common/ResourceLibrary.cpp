// The functions a language resource library exports: numbered strings and
// numbered dialog templates. The templates are the Qt Designer forms of
// languages/forms, compiled by uic, their controls numbered here from
// NEBPTResources.h; the strings are the table of Strings.h. Both are written in
// English; a library built with NEBPT_TRANSLATION (the resource path of a
// compiled Qt Linguist file) shows them translated.

#include "NEBPTResources.h"
#include "Strings.h"

#include <QByteArray>
#include <QString>
#include <QTranslator>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <map>
#include <set>
#include <string>

// uic calls this for every text of a form (uic option -tr).
static QString nebptTranslate(const char* source, const char* disambiguation);

#include "ui_Action.h"
#include "ui_BottomArrow.h"
#include "ui_Comparator.h"
#include "ui_ControllerSettings.h"
#include "ui_Event.h"
#include "ui_LogicRule.h"
#include "ui_Pair.h"
#include "ui_Program.h"
#include "ui_Timer.h"
#include "ui_TopArrow.h"

#define NEBPT_RESOURCE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The translation context of the texts looked up now: the form being built, or
// the string table.
const char* g_context = "Strings";

// Texts this library was asked for and could not translate ("context: text").
std::set<std::string>& untranslated()
{
    static std::set<std::string> texts;
    return texts;
}

#ifdef NEBPT_TRANSLATION
const QTranslator* translator()
{
    static QTranslator* const loaded = [] {
        static QTranslator translator;
        if (!translator.load(QStringLiteral(NEBPT_TRANSLATION)))
            qWarning("NEBPT language library: cannot load its translation %s", NEBPT_TRANSLATION);
        return &translator;
    }();
    return loaded;
}
#endif

QString translate(const char* context, const char* source, const char* disambiguation)
{
#ifdef NEBPT_TRANSLATION
    const QString text = translator()->translate(context, source, disambiguation);
    if (!text.isEmpty())
        return text;
    // Shown in English rather than not at all, but logged and reported.
    if (untranslated().insert(std::string(context) + ": " + source).second)
        qWarning("NEBPT language library: no translation of \"%s\" (%s)", source, context);
#else
    (void)context;
    (void)disambiguation;
#endif
    return QString::fromUtf8(source);
}

struct Control
{
    const char* name; // the object name in the form
    int id;
};

template <class Form>
int build(QWidget* widget, const char* context, std::initializer_list<Control> controls)
{
    g_context = context;
    Form form;
    form.setupUi(widget);
    g_context = "Strings";
    for (const Control& control : controls) {
        auto* child = widget->findChild<QWidget*>(QLatin1String(control.name));
        if (!child) {
            qWarning("NEBPT language library: form %s has no control %s", context, control.name);
            return 0;
        }
        child->setProperty("ctrlId", control.id);
    }
    return 1;
}

} // namespace

static QString nebptTranslate(const char* source, const char* disambiguation)
{
    return translate(g_context, source, disambiguation);
}

NEBPT_RESOURCE_EXPORT const char* nebpt_resource_string(unsigned id)
{
    const auto found =
        std::lower_bound(kResourceStrings.begin(), kResourceStrings.end(), id,
                         [](const ResourceString& s, unsigned key) { return s.id < key; });
    if (found == kResourceStrings.end() || found->id != id)
        return nullptr;
#ifdef NEBPT_TRANSLATION
    // Translated once; the map keeps the text for the caller.
    static std::map<unsigned, QByteArray> texts;
    auto [text, added] = texts.try_emplace(id);
    if (added)
        text->second = translate("Strings", found->text, nullptr).toUtf8();
    return text->second.constData();
#else
    return found->text;
#endif
}

NEBPT_RESOURCE_EXPORT int nebpt_resource_create_template(unsigned id, void* widget)
{
    using namespace res;
    auto* into = static_cast<QWidget*>(widget);
    if (!into)
        return 0;
    switch (id) {
    case IDD_PROGRAM:
        return build<Ui::Program>(into, "Program", {});
    case IDD_ACTION:
        return build<Ui::Action>(
            into, "Action", {{"actionList", IDC_ACTION_LIST}, {"objectButton", IDC_OBJECT_BUTTON}});
    case IDD_PAIR:
        return build<Ui::Pair>(into, "Pair", {});
    case IDD_EVENT:
        return build<Ui::Event>(into, "Event",
                                {{"openListButton", IDC_OPEN_LIST},
                                 {"eventList", IDC_EVENT_LIST},
                                 {"objectButton", IDC_OBJECT_BUTTON}});
    case IDD_TOP_ARROW:
        return build<Ui::TopArrow>(into, "TopArrow", {});
    case IDD_BOTTOM_ARROW:
        return build<Ui::BottomArrow>(into, "BottomArrow", {});
    case IDD_LOGIC_RULE:
        return build<Ui::LogicRule>(into, "LogicRule",
                                    {{"diagramOneOperand", IDC_LR_VARIANT_ONE},
                                     {"diagramTwoOperands", IDC_LR_VARIANT_TWO},
                                     {"diagramThreeOperands", IDC_LR_VARIANT_THREE},
                                     {"operator1And", IDC_LR_OP1_AND},
                                     {"operator1Or", IDC_LR_OP1_OR},
                                     {"operator2And", IDC_LR_OP2_AND},
                                     {"operator2Or", IDC_LR_OP2_OR},
                                     {"operator1NotFirst", IDC_LR_OP1_NOT_FIRST},
                                     {"operator1NotSecond", IDC_LR_OP1_NOT_SECOND},
                                     {"operator2NotFirst", IDC_LR_OP2_NOT_FIRST},
                                     {"operator2NotSecond", IDC_LR_OP2_NOT_SECOND},
                                     {"operand1List", IDC_LR_OPERAND_1},
                                     {"operand1Button", IDC_LR_OPERAND_BUTTON_1},
                                     {"operand2List", IDC_LR_OPERAND_1 + 1},
                                     {"operand2Button", IDC_LR_OPERAND_BUTTON_1 + 1},
                                     {"operand3List", IDC_LR_OPERAND_1 + 2},
                                     {"operand3Button", IDC_LR_OPERAND_BUTTON_1 + 2},
                                     {"operator1List", IDC_LR_OPERATOR_1},
                                     {"operator2List", IDC_LR_OPERATOR_1 + 1},
                                     {"okButton", IDC_OK},
                                     {"cancelButton", IDC_CANCEL}});
    case IDD_COMPARATOR:
        return build<Ui::Comparator>(into, "Comparator",
                                     {{"operandList", IDC_COMP_OPERAND},
                                      {"valueEdit", IDC_COMP_VALUE},
                                      {"operatorList", IDC_COMP_OPERATOR},
                                      {"outputArrow", IDC_COMP_OUTPUT},
                                      {"okButton", IDC_OK},
                                      {"cancelButton", IDC_CANCEL}});
    case IDD_TIMER:
        return build<Ui::Timer>(into, "Timer",
                                {{"unitLabel", IDC_TIMER_UNIT},
                                 {"valueEdit", IDC_TIMER_VALUE},
                                 {"okButton", IDC_OK},
                                 {"cancelButton", IDC_CANCEL}});
    case IDD_SETTINGS:
        return build<Ui::ControllerSettings>(into, "ControllerSettings",
                                             {{"modeList", IDC_MODE_LIST},
                                              {"modeParameter", IDC_MODE_PARAMETER},
                                              {"startList", IDC_START_LIST},
                                              {"startParameter", IDC_START_PARAMETER},
                                              {"stopList", IDC_STOP_LIST},
                                              {"stopParameter", IDC_STOP_PARAMETER},
                                              {"okButton", IDC_OK},
                                              {"cancelButton", IDC_CANCEL}});
    default:
        return 0;
    }
}

// The texts asked for so far that the library's translation lacks, one per
// line ("context: text"); empty when all were translated (always, in English).
NEBPT_RESOURCE_EXPORT const char* nebpt_resource_untranslated()
{
    static std::string list;
    list.clear();
    for (const std::string& text : untranslated())
        list += text + "\n";
    return list.c_str();
}
