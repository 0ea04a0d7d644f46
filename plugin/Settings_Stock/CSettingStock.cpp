#include "Settings_Stock/CSettingStock.h"

CSettingStock::~CSettingStock() = default;

void CSettingStock::initConfiguration(const std::string& driveName, const std::string& aocVersion,
                                      const std::string& dbVersion)
{
    m_configuration.init(driveName, aocVersion, dbVersion);
}

CNEB_Choicelist& CSettingStock::getChoicelist(const CNEBParameter& parameter)
{
    return m_choicelists[static_cast<uint32_t>(parameter.getNumber())];
}
