#pragma once

#include "NEBPTExport.h"

#include <cstdint>
#include <list>
#include <string>

// One choice of a selection parameter: the value the parameter holds when it is
// chosen (its ID), the display text, and the number of the owning parameter.
class NEBPT_EXPORT CNEB_ChoicelistItem
{
public:
    CNEB_ChoicelistItem() = default;
    CNEB_ChoicelistItem(const CNEB_ChoicelistItem&) = default;
    CNEB_ChoicelistItem& operator=(const CNEB_ChoicelistItem&) = default;
    virtual ~CNEB_ChoicelistItem();

    unsigned long getID() const { return m_id; }
    void setID(unsigned long id) { m_id = static_cast<uint32_t>(id); }
    std::string getText() const { return m_text; }
    void setText(const std::string& text) { m_text = text; }
    unsigned long getParameterNumber() const { return m_parameterNumber; }
    void setParameterNumber(unsigned long number)
    {
        m_parameterNumber = static_cast<uint32_t>(number);
    }

private:
    uint32_t m_id = 0;
    std::string m_text;
    uint32_t m_parameterNumber = 0;
};

// The choices of one selection parameter, in the host's order.
class NEBPT_EXPORT CNEB_Choicelist
{
public:
    using const_iterator = std::list<CNEB_ChoicelistItem>::const_iterator;

    CNEB_Choicelist() = default;
    CNEB_Choicelist(const CNEB_Choicelist&) = default;
    CNEB_Choicelist& operator=(const CNEB_Choicelist&) = default;
    virtual ~CNEB_Choicelist();

    void addItem(const CNEB_ChoicelistItem& item) { m_items.push_back(item); }
    // The first item whose ID is `id` (its low 32 bits); throws CCustomException
    // when none has it.
    CNEB_ChoicelistItem& findItem(unsigned long id);
    bool isEmpty() const { return m_items.empty(); }
    size_t size() const { return m_items.size(); }

    const_iterator begin() const { return m_items.begin(); }
    const_iterator end() const { return m_items.end(); }

private:
    std::list<CNEB_ChoicelistItem> m_items;
};
