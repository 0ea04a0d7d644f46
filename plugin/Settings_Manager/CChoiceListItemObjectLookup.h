#pragma once

class CNEB_Timer;
class CNEB_Comparator;
class CNEB_LogicRule;

// What a choice-list item stands for: its kind and, for kinds 1 to 3, the
// program object. Kinds: 1 timer, 2 comparator, 3 logic rule, 4 the choice that
// switches an operand or operator off, 5 to 12 the logic operators, 0 anything else.
class CChoiceListItemObjectLookup
{
public:
    enum Kind : int
    {
        Other = 0,
        Timer = 1,
        Comparator = 2,
        LogicRule = 3,
        Disabled = 4,
        And = 5,
        Or = 6,
        AndNot = 7,
        OrNot = 8,
        NotAnd = 9,
        NotOr = 10,
        NotAndNot = 11,
        NotOrNot = 12,
    };

    CChoiceListItemObjectLookup(CNEB_Timer* timer, int kind) : m_timer(timer), m_kind(kind) {}
    CChoiceListItemObjectLookup(CNEB_Comparator* comparator, int kind)
        : m_comparator(comparator), m_kind(kind)
    {}
    CChoiceListItemObjectLookup(CNEB_LogicRule* logicRule, int kind)
        : m_logicRule(logicRule), m_kind(kind)
    {}
    CChoiceListItemObjectLookup(const CChoiceListItemObjectLookup&) = default;
    CChoiceListItemObjectLookup& operator=(const CChoiceListItemObjectLookup&) = default;
    virtual ~CChoiceListItemObjectLookup() = default;

    int getKind() const { return m_kind; }
    CNEB_Timer* getTimer() const { return m_timer; }
    CNEB_Comparator* getComparator() const { return m_comparator; }
    CNEB_LogicRule* getLogicRule() const { return m_logicRule; }

private:
    CNEB_Timer* m_timer = nullptr;
    CNEB_Comparator* m_comparator = nullptr;
    CNEB_LogicRule* m_logicRule = nullptr;
    int m_kind = 0;
};
