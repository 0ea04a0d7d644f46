#pragma once

#include "Settings_Stock/CNEBParameter.h"

#include <list>

// The ordered parameter values that store one program object. Entries are plain
// parameter copies in insertion order; nothing is merged or sorted.
class CNEBChangeBunch
{
public:
    CNEBChangeBunch() = default;
    CNEBChangeBunch(const CNEBChangeBunch&) = default;
    CNEBChangeBunch& operator=(const CNEBChangeBunch&) = default;
    virtual ~CNEBChangeBunch();

    void addParameter(const CNEBParameter& parameter) { m_parameters.push_back(parameter); }
    void append(const CNEBChangeBunch& other);
    const std::list<CNEBParameter>& getParameters() const { return m_parameters; }

private:
    std::list<CNEBParameter> m_parameters;
};
