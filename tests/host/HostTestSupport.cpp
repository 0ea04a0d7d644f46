#include "HostTestSupport.h"

#include <filesystem>
#include <fstream>
#include <linux/capability.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace hosttest {

std::string sampleImage(const std::string& name)
{
    return std::string(NEBPT_DATA_DIR) + "/" + name;
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void copyFile(const std::string& from, const std::string& to)
{
    std::error_code error;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        throw std::runtime_error("cannot copy " + from + " to " + to + ": " + error.message());
}

int entryCount(const std::string& folder)
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

namespace {

bool setOverrideCapability(bool effective)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    const unsigned bit = 1u << CAP_DAC_OVERRIDE;
    if (effective)
        data[0].effective |= bit & data[0].permitted;
    else
        data[0].effective &= ~bit;
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

UnwritableFolder::UnwritableFolder(const std::string& folder) : m_folder(folder)
{
    chmod(m_folder.c_str(), 0555);
    if (geteuid() == 0)
        m_droppedCapability = setOverrideCapability(false);
    const std::string probe = m_folder + "/.probe";
    std::ofstream out(probe);
    m_usable = !out.is_open();
    if (!m_usable)
        unlink(probe.c_str());
}

UnwritableFolder::~UnwritableFolder()
{
    if (m_droppedCapability)
        setOverrideCapability(true);
    chmod(m_folder.c_str(), 0755);
}

} // namespace hosttest
