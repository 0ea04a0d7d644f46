#pragma once

#include <string>

class CSettingStock;
class CExternalDataManager;
class CNEBConfiguration;
class CNEBParameter;
class CChoicelistParameter;
class CNEB_Choicelist;
class CNEB_ChoicelistItem;

// The one path from program objects to the drive: values, value descriptions and
// cached choice lists. Belongs to the settings manager; program objects keep a
// pointer to it and must not outlive it.
class CSettingManagerFunc
{
public:
    CSettingManagerFunc(CSettingStock* stock, CExternalDataManager* dataManager);
    CSettingManagerFunc(const CSettingManagerFunc&) = default;
    CSettingManagerFunc& operator=(const CSettingManagerFunc&) = default;
    virtual ~CSettingManagerFunc();

    CSettingStock* getStock() const { return m_stock; }
    const CNEBConfiguration& getConfiguration() const;
    // The stock's list for the parameter's number, read from the drive while it is empty.
    CNEB_Choicelist& getChoicelist(const CNEBParameter& parameter);
    // The item of the parameter's choice list whose ID is the parameter's value;
    // throws when the list lacks it.
    CNEB_ChoicelistItem& getItem(const CChoicelistParameter& parameter);
    // Replaces the parameter's value text with the drive's current value.
    void readValue(CNEBParameter& parameter);
    // Makes `parameter` element `index` (-1: no element) of the parameter the
    // configuration numbers as `id`, then reads its value.
    void readElement(CNEBParameter& parameter, const char* id, long index);
    void readDescription(CNEBParameter parameter, std::string& minimum, std::string& maximum,
                         std::string& unit, std::string& decimals);

private:
    CSettingStock* m_stock;
    CExternalDataManager* m_dataManager;
};
