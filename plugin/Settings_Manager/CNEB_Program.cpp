#include "Settings_Manager/CNEB_Program.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CSettingManagerFunc.h"
#include "Settings_Manager/ProgramSizes.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "Settings_Stock/CSettingStock.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "framework/NumberText.h"

#include <iterator>
#include <new>
#include <utility>

namespace NEBPT {

namespace {

// A loop check gives up (and refuses the operand) on its 51st visit.
constexpr int kReferenceCheckVisits = 50;

struct KindOfType
{
    const char* type;
    int kind;
};

// The "Type" of a linked choice-list item and what it makes the item stand for.
constexpr KindOfType kKinds[] = {
    {"TIMER", CChoiceListItemObjectLookup::Timer},
    {"COMP", CChoiceListItemObjectLookup::Comparator},
    {"LR", CChoiceListItemObjectLookup::LogicRule},
    {"DISABLED", CChoiceListItemObjectLookup::Disabled},
    {"AND", CChoiceListItemObjectLookup::And},
    {"OR", CChoiceListItemObjectLookup::Or},
    {"AND NOT", CChoiceListItemObjectLookup::AndNot},
    {"OR NOT", CChoiceListItemObjectLookup::OrNot},
    {"NOT AND", CChoiceListItemObjectLookup::NotAnd},
    {"NOT OR", CChoiceListItemObjectLookup::NotOr},
    {"NOT AND NOT", CChoiceListItemObjectLookup::NotAndNot},
    {"NOT OR NOT", CChoiceListItemObjectLookup::NotOrNot},
};

int kindOfType(const std::string& type)
{
    for (const KindOfType& entry : kKinds) {
        if (type == entry.type)
            return entry.kind;
    }
    return CChoiceListItemObjectLookup::Other;
}

long positionOf(const std::vector<std::string>& path, const std::string& name)
{
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == name)
            return static_cast<long>(i);
    }
    return -1;
}

} // namespace

// The state of one loop check: rules are identified by their display names.
struct CNEB_Program::ReferenceCheck
{
    std::string candidate; // X, offered as an operand
    std::string edited;    // Y, the rule that would take it
    bool result = true;
    int visits = 0;
    std::vector<std::string> path;
};

CNEB_Program::CNEB_Program() = default;

CNEB_Program::CNEB_Program(CSettingManagerFunc* func, CExternalDataManager* dataManager,
                           ProgramSizes* sizes, CSettingStock* stock)
    : m_func(func), m_dataManager(dataManager), m_sizes(sizes), m_stock(stock)
{
    const unsigned count = pairCount();
    for (unsigned i = 0; i < count; ++i) {
        std::unique_ptr<CNEB_EAPair> pair = createPair(static_cast<long>(i));
        if (!pair->isActive())
            break;
        m_pairs.push_back(std::move(pair));
    }
    m_built = true;
}

CNEB_Program::CNEB_Program(const CNEB_Program& other) : CNEBProgramChangeable(other)
{
    assign(other);
}

CNEB_Program& CNEB_Program::operator=(const CNEB_Program& other)
{
    assign(other);
    return *this;
}

CNEB_Program::~CNEB_Program() = default;

unsigned CNEB_Program::pairCount() const
{
    return m_sizes ? m_sizes->pairs : 0U;
}

void CNEB_Program::requireReferences() const
{
    // A program that was never connected to a drive cannot read anything.
    if (!m_func || !m_stock)
        throw NEB_EXCEPTION(0, 1);
}

std::unique_ptr<CNEB_EAPair> CNEB_Program::createPair(long index)
{
    requireReferences();
    try {
        return std::make_unique<CNEB_EAPair>(index, m_func, m_stock);
    } catch (const std::bad_alloc&) {
        throw NEB_EXCEPTION(1, 1);
    }
}

CNEB_Program::PairList::iterator CNEB_Program::findPair(const CNEB_EAPair& pair)
{
    for (auto it = m_pairs.begin(); it != m_pairs.end(); ++it) {
        if (pair.compare(**it) == 0)
            return it;
    }
    throw NEB_EXCEPTION(1, 1);
}

void CNEB_Program::appendEndMarker()
{
    if (m_pairs.empty() || m_pairs.size() >= pairCount() || !m_pairs.back()->isActive())
        return;
    std::unique_ptr<CNEB_EAPair> marker = createPair(static_cast<long>(m_pairs.size()));
    marker->setEndMarker();
    m_pairs.push_back(std::move(marker));
}

std::vector<CNEB_EAPair> CNEB_Program::snapshot() const
{
    std::vector<CNEB_EAPair> values;
    values.reserve(m_pairs.size());
    for (const auto& pair : m_pairs)
        values.push_back(*pair);
    return values;
}

void CNEB_Program::restore(const std::vector<CNEB_EAPair>& values)
{
    while (m_pairs.size() > values.size())
        m_pairs.pop_back();
    auto it = m_pairs.begin();
    for (const CNEB_EAPair& value : values) {
        (*it)->copyValues(value);
        ++it;
    }
}

void CNEB_Program::addPairToEnd()
{
    if (m_pairs.size() >= pairCount())
        throw NEB_EXCEPTION(2, 1);
    std::unique_ptr<CNEB_EAPair> pair = createPair(static_cast<long>(m_pairs.size()));
    pair->setDefaults();
    m_pairs.push_back(std::move(pair));
    try {
        appendEndMarker();
    } catch (...) {
        m_pairs.pop_back();
        throw;
    }
}

void CNEB_Program::addPairBefore(CNEB_EAPair& selected)
{
    if (m_pairs.size() >= pairCount())
        throw NEB_EXCEPTION(2, 1);
    const auto pos = findPair(selected);
    const std::vector<CNEB_EAPair> before = snapshot();
    m_pairs.push_back(createPair(static_cast<long>(m_pairs.size())));
    try {
        // Every step from pos on moves one place towards the end; the pair
        // objects keep their array indexes.
        for (auto it = std::prev(m_pairs.end()); it != pos; --it)
            (*it)->copyValues(**std::prev(it));
        (*pos)->setDefaults();
        appendEndMarker();
    } catch (...) {
        restore(before);
        throw;
    }
}

void CNEB_Program::deletePair(CNEB_EAPair& pair)
{
    if (m_pairs.empty())
        throw NEB_EXCEPTION(2, 1);
    const auto pos = findPair(pair);
    const std::vector<CNEB_EAPair> before = snapshot();
    try {
        // Every later step moves one place back; the last pair ends the program.
        for (auto it = pos; std::next(it) != m_pairs.end(); ++it)
            (*it)->copyValues(**std::next(it));
        m_pairs.back()->setEndMarker();
        appendEndMarker();
    } catch (...) {
        restore(before);
        throw;
    }
}

void CNEB_Program::reload()
{
    for (const auto& pair : m_pairs)
        pair->reread();
    for (auto& [index, timer] : m_timers)
        timer.reread();
    for (auto& [index, comparator] : m_comparators)
        comparator.reread();
    for (auto& [index, rule] : m_logicRules)
        rule.reread();
    while (!m_pairs.empty() && !m_pairs.back()->isActive())
        m_pairs.pop_back();
}

void CNEB_Program::assign(const CNEB_Program& other)
{
    if (&other == this)
        return;
    // Everything is copied before anything is replaced, so a failed copy leaves
    // this program as it was.
    std::map<unsigned, CNEB_Timer> timers(other.m_timers);
    std::map<unsigned, CNEB_Comparator> comparators(other.m_comparators);
    std::map<unsigned, CNEB_LogicRule> logicRules(other.m_logicRules);
    PairList pairs;
    for (const auto& pair : other.m_pairs)
        pairs.push_back(std::make_unique<CNEB_EAPair>(*pair, other.m_func, other.m_stock));

    m_func = other.m_func;
    m_dataManager = other.m_dataManager;
    m_sizes = other.m_sizes;
    m_stock = other.m_stock;
    m_built = other.m_built;
    m_timers.swap(timers);
    m_comparators.swap(comparators);
    m_logicRules.swap(logicRules);
    m_pairs.swap(pairs);
}

CNEBChangeBunch CNEB_Program::getChangeBunch() const
{
    CNEBChangeBunch bunch;
    for (const auto& pair : m_pairs)
        bunch.append(pair->getChangeBunch());
    return bunch;
}

CNEB_Timer& CNEB_Program::getTimer(unsigned long t)
{
    const auto key = static_cast<unsigned>(t);
    const auto it = m_timers.find(key);
    if (it != m_timers.end())
        return it->second;
    requireReferences();
    return m_timers.try_emplace(key, t, m_func).first->second;
}

CNEB_Comparator& CNEB_Program::getComparator(unsigned long k)
{
    const auto key = static_cast<unsigned>(k);
    const auto it = m_comparators.find(key);
    if (it != m_comparators.end())
        return it->second;
    requireReferences();
    return m_comparators.try_emplace(key, k, m_func).first->second;
}

CNEB_LogicRule& CNEB_Program::getLogicRule(unsigned long r)
{
    const auto key = static_cast<unsigned>(r);
    const auto it = m_logicRules.find(key);
    if (it != m_logicRules.end())
        return it->second;
    requireReferences();
    return m_logicRules.try_emplace(key, r, m_func).first->second;
}

CNEB_Settings& CNEB_Program::getSettings()
{
    if (!m_settings) {
        requireReferences();
        m_settings = std::make_unique<CNEB_Settings>(m_func);
    }
    return *m_settings;
}

CChoiceListItemObjectLookup
CNEB_Program::lookupChoicelistItemObject(const CNEB_ChoicelistItem& item)
{
    requireReferences();
    std::string indexText;
    std::string type;
    // Without a link both texts stay empty: kind 0, index 0.
    m_stock->getConfiguration().getChoicelistEntity(item.getParameterNumber(), item.getID(),
                                                    indexText, type);
    const auto index = static_cast<unsigned long>(fw::readLong(indexText));
    const int kind = kindOfType(type);
    switch (kind) {
    case CChoiceListItemObjectLookup::Timer:
        return CChoiceListItemObjectLookup(&getTimer(index), kind);
    case CChoiceListItemObjectLookup::Comparator:
        return CChoiceListItemObjectLookup(&getComparator(index), kind);
    default:
        return CChoiceListItemObjectLookup(&getLogicRule(index), kind);
    }
}

bool CNEB_Program::checkLogicRuleReference(const CNEB_LogicRule& x, const CNEB_LogicRule& y)
{
    ReferenceCheck check;
    check.candidate = x.getName();
    check.edited = y.getName();
    const unsigned count = m_sizes ? m_sizes->logicRules : 0U;
    for (unsigned r = 0; r < count; ++r) {
        const CNEB_LogicRule rule = getLogicRule(r);
        visitLogicRule(rule, check);
    }
    return check.result;
}

void CNEB_Program::visitLogicRule(const CNEB_LogicRule& rule, ReferenceCheck& check)
{
    if (check.visits >= kReferenceCheckVisits) {
        check.result = false;
        return;
    }
    if (!check.result)
        return;
    ++check.visits;
    check.path.push_back(rule.getName());
    for (unsigned short i = 0; i < 3; ++i) {
        const CNEB_ChoicelistItem operand = rule.getOperandItem(i);
        const CChoiceListItemObjectLookup lookup = lookupChoicelistItemObject(operand);
        if (lookup.getKind() == CChoiceListItemObjectLookup::LogicRule) {
            const CNEB_LogicRule referred = *lookup.getLogicRule();
            visitLogicRule(referred, check);
        }
    }
    // A loop closes when Y is reached from X along the stored references.
    const long posX = positionOf(check.path, check.candidate);
    const long posY = positionOf(check.path, check.edited);
    if (posX != -1 && posY != -1 && posX < posY)
        check.result = false;
    check.path.pop_back();
}

} // namespace NEBPT
