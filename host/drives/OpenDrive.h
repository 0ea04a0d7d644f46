#pragma once

#include "HostDrive.h"

#include <chrono>
#include <memory>
#include <string>

// The drive as the user names it: a drive image file, or the address of a drive
// over a Modbus link with the profile of its type (see ModbusDrive.h).
struct DriveName
{
    static constexpr std::chrono::milliseconds kDefaultTimeout{1000};

    std::string image;
    std::string address, profile;
    std::chrono::milliseconds timeout = kDefaultTimeout; // per answer over the link

    static DriveName ofImage(const std::string& path) { return {path, {}, {}, kDefaultTimeout}; }
    static DriveName ofLink(const std::string& address, const std::string& profile,
                            std::chrono::milliseconds timeout = kDefaultTimeout)
    {
        return {{}, address, profile, timeout};
    }

    bool linked() const { return !address.empty(); }
    // How messages name the drive: the image file or the address.
    const std::string& text() const { return linked() ? address : image; }
};

// Whether the host only reads the drive or may write it too. An image opened to
// be written is locked; one another host holds is opened read-only.
enum class DriveUse
{
    Read,
    Write
};

// Opens the drive the user named. Throws what opening it throws: DriveImageError
// (image or profile), DriveAddressError, DriveLinkError; each names the file or
// the address.
std::unique_ptr<HostDrive> openDrive(const DriveName& name, DriveUse use);
