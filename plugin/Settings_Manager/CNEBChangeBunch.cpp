#include "Settings_Manager/CNEBChangeBunch.h"

CNEBChangeBunch::~CNEBChangeBunch() = default;

void CNEBChangeBunch::append(const CNEBChangeBunch& other)
{
    m_parameters.insert(m_parameters.end(), other.m_parameters.begin(), other.m_parameters.end());
}
