#include "Settings_Manager/CSettingManagerFunc.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Stock/CSettingStock.h"

CSettingManagerFunc::CSettingManagerFunc(CSettingStock* stock, CExternalDataManager* dataManager)
    : m_stock(stock), m_dataManager(dataManager)
{}

CSettingManagerFunc::~CSettingManagerFunc() = default;

const CNEBConfiguration& CSettingManagerFunc::getConfiguration() const
{
    return m_stock->getConfiguration();
}

CNEB_Choicelist& CSettingManagerFunc::getChoicelist(const CNEBParameter& parameter)
{
    CNEB_Choicelist& list = m_stock->getChoicelist(parameter);
    if (list.isEmpty()) {
        CNEBParameter copy = parameter;
        m_dataManager->readChoicelist(copy, list);
    }
    return list;
}

CNEB_ChoicelistItem& CSettingManagerFunc::getItem(const CChoicelistParameter& parameter)
{
    return getChoicelist(parameter).findItem(parameter.getChoiceID());
}

void CSettingManagerFunc::readValue(CNEBParameter& parameter)
{
    m_dataManager->readParameter(parameter);
}

void CSettingManagerFunc::readElement(CNEBParameter& parameter, const char* id, long index)
{
    parameter.setNumber(getConfiguration().getParameterNumber(id));
    parameter.setIndex(index);
    readValue(parameter);
}

void CSettingManagerFunc::readDescription(CNEBParameter parameter, std::string& minimum,
                                          std::string& maximum, std::string& unit,
                                          std::string& decimals)
{
    m_dataManager->getParameterAttributes(parameter, minimum, maximum, unit, decimals);
}
