#pragma once

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEBChangeBunch.h"
#include "Settings_Manager/CSettingManagerFunc.h"
#include "Settings_Manager/ProgramSizes.h"
#include "Settings_Stock/CSettingStock.h"

#include <string>

class IExtParamInterface;

namespace NEBPT {
class CNEB_Program;
} // namespace NEBPT

// Ties the host connection to the data side: owns the parameter stock with the
// drive configuration, the program sizes, the external data manager and the
// access object that program objects read through. Connects to the drive,
// builds programs and writes change bunches.
class CSettingsManager
{
public:
    // Throws CCustomException when `host` is null or its index base is negative.
    explicit CSettingsManager(IExtParamInterface* host);
    // Without a host; init() fails.
    CSettingsManager();
    // The copy's access object works on the copy's own stock and data manager.
    CSettingsManager(const CSettingsManager& other);
    CSettingsManager& operator=(const CSettingsManager& other);
    virtual ~CSettingsManager();

    // Drive identification, configuration, parameter registration, program sizes.
    void init();

    // A program read from the drive; it keeps pointers into this manager.
    NEBPT::CNEB_Program getProgram();

    // Writes all entries of the bunch to the drive in one host call.
    void applyChangeBunch(CNEBChangeBunch bunch);

    void getParameterName(std::string id, std::string& name);

    CExternalDataManager& getDataManager() { return m_dataManager; }
    ProgramSizes& getSizes() { return m_sizes; }
    const ProgramSizes& getSizes() const { return m_sizes; }
    CSettingStock& getStock() { return m_stock; }
    CSettingManagerFunc& getFunc() { return m_func; }

private:
    CSettingStock m_stock;
    ProgramSizes m_sizes;
    CExternalDataManager m_dataManager;
    CSettingManagerFunc m_func;
    IExtParamInterface* m_host = nullptr;
};
