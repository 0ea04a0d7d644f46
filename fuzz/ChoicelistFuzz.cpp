// The choice-list parser: CExternalDataManager::readChoicelist over a host whose
// choice list holds the input's lines ("<value>:<text>" each).
#include "FuzzSupport.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Stock/CNEBParameter.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "support/FakeHost.h"

using fuzzsupport::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::Sandbox& sandbox = fuzzsupport::sandbox();
    testsupport::FakeHost host;
    host.parameters[1301].elementCount = 20;
    host.parameters[1301].choices = fuzzsupport::lines(fuzzsupport::text(data, size));
    CExternalDataManager manager(&host);
    CChoicelistParameter parameter;
    parameter.setNumber(1301);
    parameter.setIndex(static_cast<long>(size % 21) - 1); // -1: the parameter without index
    CNEB_Choicelist list;
    try {
        manager.readChoicelist(parameter, list);
    } catch (const CCustomException& e) {
        check(e.getCategory() == 1 && e.getCode() == 1, "a host failure is category 1, code 1");
        sandbox.takeLog();
        return 0;
    }
    check(list.size() == host.parameters[1301].choices.size(), "one item per line");
    for (const CNEB_ChoicelistItem& item : list) {
        check(item.getParameterNumber() == 1301 && !item.getText().empty(), "item of 1301");
        check(list.findItem(item.getID()).getID() == item.getID(), "every item is found");
    }
    sandbox.takeLog();
    return 0;
}
