#include "External_Data_Manager/ExternalDataManager.h"

#include "ChoiceText.h"
#include "IExtParamInterface.h"
#include "Settings_Manager/CNEBChangeBunch.h"
#include "Settings_Stock/CNEBParameter.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "framework/Format.h"
#include "framework/NumberText.h"

#include <stdexcept>

namespace {

// "%04i": the plain signed number form.
std::string signedNumber(const CNEBParameter& parameter)
{
    return fw::format("%04i", static_cast<int>(parameter.getNumber()));
}

// "%04u": the plain unsigned number form.
std::string unsignedNumber(const CNEBParameter& parameter)
{
    return fw::format("%04u", static_cast<unsigned>(parameter.getNumber()));
}

} // namespace

CExternalDataManager::CExternalDataManager() = default;

CExternalDataManager::CExternalDataManager(IExtParamInterface* host) : m_pInterface(host)
{
    if (!m_pInterface)
        throw NEB_EXCEPTION(1, 1);
    int base = -1;
    try {
        base = m_pInterface->GetIndexBase();
    } catch (...) {
        throw NEB_EXCEPTION(1, 1);
    }
    if (base < 0)
        throw NEB_EXCEPTION(1, 1);
    m_indexBase = base;
}

CExternalDataManager::~CExternalDataManager() = default;

void CExternalDataManager::checkInterface() const
{
    if (!m_pInterface)
        throw NEB_EXCEPTION(1, 1);
}

long CExternalDataManager::getElementCount(CNEBParameter& parameter)
{
    checkInterface();
    try {
        return static_cast<long>(m_pInterface->GetElementCount(signedNumber(parameter)));
    } catch (...) {
        throw NEB_EXCEPTION(1, 1);
    }
}

void CExternalDataManager::readParameter(CNEBParameter& parameter)
{
    checkInterface();
    const long index = parameter.getIndex();
    std::string value;
    try {
        m_pInterface->ReadParameterValue(signedNumber(parameter),
                                         static_cast<int>(index > -1 ? index + m_indexBase : index),
                                         value, kSetupName);
    } catch (...) {
        throw NEB_EXCEPTION(1, 1);
    }
    parameter.setText(value);
}

void CExternalDataManager::getParameterAttributes(CNEBParameter parameter, std::string& minimum,
                                                  std::string& maximum, std::string& unit,
                                                  std::string& decimals)
{
    minimum.clear();
    maximum.clear();
    unit.clear();
    decimals.clear();
    if (!m_pInterface)
        return;
    const long index = parameter.getIndex();
    try {
        m_pInterface->GetParameterAttributes(
            signedNumber(parameter), static_cast<int>(index > -1 ? index + m_indexBase : index),
            minimum, maximum, unit, decimals);
    } catch (...) {
        // The texts keep whatever the host stored in them.
    }
}

void CExternalDataManager::getParameterName(std::string number, std::string& name)
{
    checkInterface();
    try {
        name = m_pInterface->GetParameterName(number);
    } catch (...) {
        throw NEB_EXCEPTION(1, 1);
    }
}

void CExternalDataManager::registerParameters(std::vector<std::string> numbers)
{
    if (!m_pInterface)
        return;
    try {
        m_pInterface->RegisterParameters(numbers);
    } catch (...) {
        throw NEB_EXCEPTION(1, 1);
    }
}

void CExternalDataManager::readChoicelist(CNEBParameter& parameter, CNEB_Choicelist& list)
{
    checkInterface();
    const long index = parameter.getIndex();
    const std::string identifier =
        index == -1 ? unsignedNumber(parameter)
                    : fw::format("%04u.%u", static_cast<unsigned>(parameter.getNumber()),
                                 static_cast<unsigned>(index + m_indexBase));
    try {
        const std::vector<std::string> texts = m_pInterface->GetChoiceList(identifier);
        for (const std::string& text : texts) {
            CNEB_ChoicelistItem item;
            item.setParameterNumber(parameter.getNumber());
            const std::vector<std::string> parts = NEBPT::choicePieces(text);
            if (parts.empty() || parts[0].empty())
                throw std::runtime_error("Choicelist item format is bad!");
            item.setID(static_cast<unsigned long>(fw::readLong(text)));
            if (parts.size() < 2 || parts[1].empty())
                throw std::runtime_error("Choicelist item format is bad!");
            item.setText(parts[1]);
            list.addItem(item);
        }
    } catch (...) {
        throw NEB_EXCEPTION(1, 1);
    }
}

void CExternalDataManager::writeChangeBunch(CNEBChangeBunch& bunch)
{
    checkInterface();
    std::vector<std::string> identifiers;
    std::vector<std::string> values;
    for (const CNEBParameter& parameter : bunch.getParameters()) {
        std::string identifier = unsignedNumber(parameter);
        if (parameter.getIndex() >= 0)
            identifier += fw::format(".%d", static_cast<int>(parameter.getIndex() + m_indexBase));
        identifiers.push_back(identifier);
        values.push_back(parameter.getText());
    }
    try {
        m_pInterface->WriteParameterValues(identifiers, values, kSetupName, 0);
    } catch (...) {
        throw NEB_EXCEPTION(1, 1);
    }
}

void CExternalDataManager::getActiveLanguage(std::string& language)
{
    if (m_pInterface)
        language = m_pInterface->GetLanguage();
}
