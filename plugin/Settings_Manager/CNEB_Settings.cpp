#include "Settings_Manager/CNEB_Settings.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CSettingManagerFunc.h"

namespace {

const char* const kIdentifiers[CNEB_Settings::kCount] = {"NEB_MODE", "NEB_START_EV", "NEB_STOP_EV"};

} // namespace

CNEB_Settings::CNEB_Settings(CSettingManagerFunc* func) : m_parameters(kCount), m_func(func)
{
    try {
        for (unsigned short i = 0; i < kCount; ++i) {
            m_func->readElement(m_parameters[i], kIdentifiers[i], -1);
            m_readCount = i + 1u;
        }
    } catch (...) {
        // Making the exception records the failure in the log; the object stays usable.
        const CCustomException logged = NEB_TEXT_EXCEPTION("CNEB_Settings constructor");
        (void)logged;
    }
}

CNEB_Settings::~CNEB_Settings() = default;

const CChoicelistParameter& CNEB_Settings::at(unsigned short i) const
{
    if (i >= kCount)
        throw NEB_EXCEPTION(1, 1);
    return m_parameters[i];
}

CNEB_ChoicelistItem& CNEB_Settings::getItem(unsigned short i) const
{
    return m_func->getItem(at(i));
}

CNEB_Choicelist& CNEB_Settings::getChoicelist(unsigned short i) const
{
    return m_func->getChoicelist(at(i));
}

void CNEB_Settings::setItem(const CNEB_ChoicelistItem& item, unsigned short i)
{
    if (i >= kCount)
        throw NEB_EXCEPTION(0, 1);
    m_parameters[i].setChoiceID(item.getID());
}

CNEBChangeBunch CNEB_Settings::getChangeBunch() const
{
    CNEBChangeBunch bunch;
    for (const CChoicelistParameter& parameter : m_parameters)
        bunch.addParameter(parameter);
    return bunch;
}
