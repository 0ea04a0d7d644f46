#pragma once

#include "NEBPTExport.h"

#include <cstdint>
#include <string>

// One drive parameter element as the program model keeps it: the parameter
// number, the array index (-1 for a parameter without elements) and the value
// in the text form exchanged with the host.
class NEBPT_EXPORT CNEBParameter
{
public:
    CNEBParameter() = default;
    CNEBParameter(const CNEBParameter&) = default;
    CNEBParameter& operator=(const CNEBParameter&) = default;
    virtual ~CNEBParameter();

    unsigned long getNumber() const { return m_number; }
    void setNumber(unsigned long number) { m_number = static_cast<uint32_t>(number); }
    long getIndex() const { return m_index; }
    void setIndex(long index) { m_index = static_cast<int32_t>(index); }
    std::string getText() const { return m_text; }
    void setText(const std::string& text) { m_text = text; }

    // Takes over the other parameter's value text; number and index stay.
    void copyText(const CNEBParameter& other) { m_text = other.m_text; }

    // This index minus the other's; both must be elements of the same parameter.
    long compareIndex(const CNEBParameter& other) const;

private:
    uint32_t m_number = 0;
    int32_t m_index = -1;
    std::string m_text;
};

// A selection value: the number of one item of the parameter's choice list.
class NEBPT_EXPORT CChoicelistParameter : public CNEBParameter
{
public:
    CChoicelistParameter() = default;
    CChoicelistParameter(const CChoicelistParameter&) = default;
    CChoicelistParameter& operator=(const CChoicelistParameter&) = default;
    ~CChoicelistParameter() override;

    long getValue() const;
    void setValue(long value);

    // The value as the ID of a choice-list item, and back. Both are 32 bits wide:
    // the value -1 selects the item with ID 4294967295, which is stored as "-1".
    uint32_t getChoiceID() const { return static_cast<uint32_t>(getValue()); }
    void setChoiceID(unsigned long id)
    {
        setValue(static_cast<int32_t>(static_cast<uint32_t>(id)));
    }
};

// A numeric value such as a time or a comparison value.
class NEBPT_EXPORT CFloatParameter : public CNEBParameter
{
public:
    CFloatParameter() = default;
    CFloatParameter(const CFloatParameter&) = default;
    CFloatParameter& operator=(const CFloatParameter&) = default;
    ~CFloatParameter() override;

    double getValue() const;
    // Stores the value with six decimals, as "%lf" writes it.
    void setValue(double value);
};
