#include "Settings_Manager/CSettingsManager.h"

#include "IExtParamInterface.h"
#include "Settings_Manager/CNEB_Program.h"

#include <array>
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

    std::string driveName, aocVersion, dbVersion;
    try {
        m_host->GetDriveIdentity(driveName, aocVersion, dbVersion);
    } catch (...) {
        throw NEB_EXCEPTION(1, 1);
    }

    m_stock.initConfiguration(driveName, aocVersion, dbVersion);
    const CNEBConfiguration& configuration = m_stock.getConfiguration();
    m_dataManager.registerParameters(configuration.getAllNEBRelatedParameters());

    // Positions of ProgramSizes, in order: logic rules, comparators, pairs, timers.
    static const char* const kSizeIdentifiers[] = {"LR_OPERAND_1", "COMP_OPERAND", "EVENT",
                                                   "TIMER"};
    std::array<uint16_t, 4> counts{};
    for (size_t i = 0; i < counts.size(); ++i) {
        CNEBParameter parameter;
        parameter.setNumber(configuration.getParameterNumber(kSizeIdentifiers[i]));
        counts[i] = static_cast<uint16_t>(m_dataManager.getElementCount(parameter) & 0xFFFF);
    }
    m_sizes.logicRules = counts[0];
    m_sizes.comparators = counts[1];
    m_sizes.pairs = counts[2];
    m_sizes.timers = counts[3];
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
