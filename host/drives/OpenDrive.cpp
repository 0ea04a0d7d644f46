#include "OpenDrive.h"

#include "ModbusDrive.h"
#include "SimulatedDrive.h"

static_assert(DriveName::kDefaultTimeout == ModbusDrive::kDefaultTimeout);

std::unique_ptr<HostDrive> openDrive(const DriveName& name, DriveUse use)
{
    if (name.linked())
        return std::make_unique<ModbusDrive>(name.address, name.profile, name.timeout);
    return std::make_unique<SimulatedDrive>(name.image, use == DriveUse::Write
                                                            ? SimulatedDrive::Access::Write
                                                            : SimulatedDrive::Access::Read);
}
