#include "Settings_Manager/CSettingsManager.h"

#include "IExtParamInterface.h"
#include "Settings_Manager/CNEB_Program.h"

#include <cstdint>

CSettingsManager::CSettingsManager(IExtParamInterface* host)
    : m_dataManager(host), m_func(&m_stock, &m_dataManager), m_host(host)
{}

CSettingsManager::CSettingsManager() : m_func(&m_stock, &m_dataManager) {}

CSettingsManager::CSettingsManager(const CSettingsManager& other)
    : m_stock(other.m_stock), m_sizes(other.m_sizes), m_dataManager(other.m_dataManager),
      m_func(&m_stock, &m_dataManager), m_host(other.m_host)
{}

CSettingsManager& CSettingsManager::operator=(const CSettingsManager& other)
{
    if (this != &other) {
        m_stock = other.m_stock;
        m_sizes = other.m_sizes;
        m_dataManager = other.m_dataManager;
        m_host = other.m_host;
        // m_func keeps pointing at this manager's own stock and data manager.
    }
    return *this;
}

CSettingsManager::~CSettingsManager() = default;

void CSettingsManager::init()
{
    m_dataManager.checkInterface();

    // Asked directly, not through the data manager: a host failure here reaches the
    // caller as the host threw it.
    std::string driveName, aocVersion, dbVersion;
    m_host->GetDriveIdentity(driveName, aocVersion, dbVersion);

    m_stock.initConfiguration(driveName, aocVersion, dbVersion);
    const CNEBConfiguration& configuration = m_stock.getConfiguration();
    m_dataManager.registerParameters(configuration.getAllNEBRelatedParameters());

    // Each count is kept as soon as it is read; a failure leaves the later ones as they were.
    const struct
    {
        const char* id;
        uint16_t ProgramSizes::*count;
    } sizes[] = {{"LR_OPERAND_1", &ProgramSizes::logicRules},
                 {"COMP_OPERAND", &ProgramSizes::comparators},
                 {"EVENT", &ProgramSizes::pairs},
                 {"TIMER", &ProgramSizes::timers}};
    for (const auto& size : sizes) {
        CNEBParameter parameter;
        parameter.setNumber(configuration.getParameterNumber(size.id));
        m_sizes.*size.count =
            static_cast<uint16_t>(m_dataManager.getElementCount(parameter) & 0xFFFF);
    }
}

NEBPT::CNEB_Program CSettingsManager::getProgram()
{
    return NEBPT::CNEB_Program(&m_func, &m_dataManager, &m_sizes, &m_stock);
}

void CSettingsManager::applyChangeBunch(CNEBChangeBunch bunch)
{
    m_dataManager.writeChangeBunch(bunch);
}

void CSettingsManager::getParameterName(std::string id, std::string& name)
{
    m_dataManager.getParameterName(id, name);
}
