#pragma once

#include <string>

namespace hosttest {

// Full path of a sample drive image in the source tree's data folder.
std::string sampleImage(const std::string& name);

// The whole content of a file; empty when it cannot be read.
std::string fileBytes(const std::string& path);

// Copies a file byte for byte; throws std::runtime_error when it cannot.
void copyFile(const std::string& from, const std::string& to);

// How many entries a folder holds.
int entryCount(const std::string& folder);

// Makes a folder unwritable for this process for the guard's lifetime: takes
// away the write permission and, when running as root, the capability that
// overrides it. usable() is false when the folder still takes new files.
class UnwritableFolder
{
public:
    explicit UnwritableFolder(const std::string& folder);
    ~UnwritableFolder();
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;

    bool usable() const { return m_usable; }

private:
    std::string m_folder;
    bool m_droppedCapability = false;
    bool m_usable = false;
};

} // namespace hosttest
