// The two functions a language resource library exports: numbered strings and
// numbered dialog templates. The templates are this language's Qt Designer files
// (<number>.ui), compiled by uic; the strings come from the language's table.

#include "ResourceLibrary.h"

#include "ui_2102.h"
#include "ui_2133.h"
#include "ui_2134.h"
#include "ui_2135.h"
#include "ui_2141.h"
#include "ui_2142.h"
#include "ui_2149.h"
#include "ui_2150.h"
#include "ui_2151.h"
#include "ui_3049.h"

#include <QWidget>

#include <algorithm>

#define NEBPT_RESOURCE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

template <class Form> int build(QWidget* widget)
{
    Form form;
    form.setupUi(widget);
    return 1;
}

} // namespace

NEBPT_RESOURCE_EXPORT const char* nebpt_resource_string(unsigned id)
{
    const ResourceString* end = kResourceStrings + kResourceStringCount;
    const ResourceString* found =
        std::lower_bound(kResourceStrings, end, id,
                         [](const ResourceString& s, unsigned key) { return s.id < key; });
    return (found != end && found->id == id) ? found->text : nullptr;
}

NEBPT_RESOURCE_EXPORT int nebpt_resource_create_template(unsigned id, void* widget)
{
    auto* into = static_cast<QWidget*>(widget);
    if (!into)
        return 0;
    switch (id) {
    case 2102:
        return build<Ui::T2102>(into);
    case 2133:
        return build<Ui::T2133>(into);
    case 2134:
        return build<Ui::T2134>(into);
    case 2135:
        return build<Ui::T2135>(into);
    case 2141:
        return build<Ui::T2141>(into);
    case 2142:
        return build<Ui::T2142>(into);
    case 2149:
        return build<Ui::T2149>(into);
    case 2150:
        return build<Ui::T2150>(into);
    case 2151:
        return build<Ui::T2151>(into);
    case 3049:
        return build<Ui::T3049>(into);
    default:
        return 0;
    }
}
