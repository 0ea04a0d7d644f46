#include "NEBPTMain.h"

#include "Settings_Stock/NEBConfiguration.h"

#include <memory>

bool CNEBPTMain::isDriveSupported(const std::string& driveName, const std::string& aocVersion,
                                  const std::string& dbVersion)
{
    try {
        auto configuration = std::make_unique<CNEBConfiguration>();
        configuration->init(driveName, aocVersion, dbVersion);
        return true;
    } catch (...) {
        return false;
    }
}

double CNEBPTMain::getInterfaceVersion()
{
    return 1.2;
}
