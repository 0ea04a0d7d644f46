#pragma once

#include "NEBPTExport.h"

#include <string>

// The entry class the host works with.
class NEBPT_EXPORT CNEBPTMain
{
public:
    // Whether the plug-in can edit the program of a drive with this
    // identification (as GetDriveIdentity reports it). Never throws.
    static bool isDriveSupported(const std::string& driveName, const std::string& aocVersion,
                                 const std::string& dbVersion);
    // The version of the entry interface this library implements.
    static double getInterfaceVersion();
};
