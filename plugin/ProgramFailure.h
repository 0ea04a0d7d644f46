#pragma once

#include "External_Data_Manager/ExternalDataManager.h"

#include <exception>
#include <string>

namespace NEBPT {

// What the plug-in reported, in words; where in the source it failed is in the
// log only, whose path the words name.
std::string explainFailure(const CCustomException& failure);

// Runs `work` (true when done); what the plug-in or the drive throws becomes
// `failure`, in one line, and false.
template <typename Work> bool telling(std::string& failure, Work work)
{
    try {
        return work();
    } catch (const CCustomException& error) {
        failure = explainFailure(error);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    return false;
}

} // namespace NEBPT
