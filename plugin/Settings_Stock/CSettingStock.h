#pragma once

#include "Settings_Stock/CNEBParameter.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "Settings_Stock/NEBConfiguration.h"

#include <cstdint>
#include <map>
#include <string>

// Owns the drive configuration and caches one choice list per parameter number.
// Lists are created on first request and never removed, so references to them
// stay valid while the stock lives.
class CSettingStock
{
public:
    CSettingStock() = default;
    CSettingStock(const CSettingStock&) = default;
    CSettingStock& operator=(const CSettingStock&) = default;
    virtual ~CSettingStock();

    void initConfiguration(const std::string& driveName, const std::string& aocVersion,
                           const std::string& dbVersion);
    CNEBConfiguration& getConfiguration() { return m_configuration; }
    const CNEBConfiguration& getConfiguration() const { return m_configuration; }

    // The list cached under the parameter's number; an empty one is made first
    // when there is none.
    CNEB_Choicelist& getChoicelist(const CNEBParameter& parameter);

private:
    std::map<uint32_t, CNEB_Choicelist> m_choicelists;
    CNEBConfiguration m_configuration;
};
