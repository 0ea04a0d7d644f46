#pragma once

#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEBProgramChangeable.h"
#include "Settings_Manager/CNEB_Comparator.h"
#include "Settings_Manager/CNEB_EAPair.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CNEB_Timer.h"

#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CSettingManagerFunc;
class CExternalDataManager;
class CSettingStock;
class CNEB_ChoicelistItem;
struct ProgramSizes;

namespace NEBPT {

// The controller program as the editor sees it: the ordered event/action pairs
// (position i holds pair i) and the cache of the timers, comparators, logic rules
// and controller settings that events, actions and logic rules refer to.
//
// The program ends at the first pair whose action is disabled; that end marker is
// stored on the drive but is not kept in memory after building or reload. The
// editing operations change the program in memory only: the caller writes
// getChangeBunch() and then calls reload().
class CNEB_Program : public CNEBProgramChangeable
{
public:
    using PairList = std::list<std::unique_ptr<CNEB_EAPair>>;

    // An empty program without references; isBuilt() is false.
    CNEB_Program();
    // Builds the program from the drive with the settings manager's parts; none
    // of them is owned, and the program must not outlive them.
    CNEB_Program(CSettingManagerFunc* func, CExternalDataManager* dataManager, ProgramSizes* sizes,
                 CSettingStock* stock);
    // Like default construction followed by assign(other): nothing is read.
    CNEB_Program(const CNEB_Program& other);
    CNEB_Program& operator=(const CNEB_Program& other);
    ~CNEB_Program() override;

    // The pairs in program order; the pair objects may be changed through it.
    const PairList& getPairs() const { return m_pairs; }
    bool isBuilt() const { return m_built; }

    // Appends a pair with default event and action. Throws (category 2) when
    // the program is full.
    void addPairToEnd();
    // Inserts a pair with default event and action at the selected pair's
    // position; the later steps move one place on. Throws (category 2) when full.
    void addPairBefore(CNEB_EAPair& selected);
    // Removes the pair's step; the later steps move one place back and the last
    // pair becomes the end marker. Throws (category 2) when there is no pair.
    void deletePair(CNEB_EAPair& pair);
    // Reads every pair and every cached object (not the settings) again from the
    // drive and drops the end marker and anything after it.
    void reload();
    // Makes this program a copy of `other` without reading the drive.
    void assign(const CNEB_Program& other);

    // ACTION then EVENT of each pair, in program order.
    CNEBChangeBunch getChangeBunch() const override;

    // --- the object cache: each object is read from the drive on first request ---
    CNEB_Timer& getTimer(unsigned long t);
    CNEB_Comparator& getComparator(unsigned long k);
    CNEB_LogicRule& getLogicRule(unsigned long r);
    CNEB_Settings& getSettings();

    // What a choice-list item stands for, from the drive configuration's link.
    CChoiceListItemObjectLookup lookupChoicelistItemObject(const CNEB_ChoicelistItem& item);
    // False when taking rule `x` as an operand of rule `y` would close a loop of
    // stored references, or when the check runs out of its visits.
    bool checkLogicRuleReference(const CNEB_LogicRule& x, const CNEB_LogicRule& y);

private:
    struct ReferenceCheck;

    unsigned pairCount() const;
    void requireReferences() const;
    std::unique_ptr<CNEB_EAPair> createPair(long index);
    PairList::iterator findPair(const CNEB_EAPair& pair);
    void appendEndMarker();
    // Undoes a failed edit: the sequence gets its old length and values back.
    void restore(const std::vector<CNEB_EAPair>& values);
    std::vector<CNEB_EAPair> snapshot() const;
    void visitLogicRule(const CNEB_LogicRule& rule, ReferenceCheck& check);

    PairList m_pairs;
    CSettingManagerFunc* m_func = nullptr;
    CExternalDataManager* m_dataManager = nullptr;
    ProgramSizes* m_sizes = nullptr;
    CSettingStock* m_stock = nullptr;
    bool m_built = false;

    std::map<unsigned, CNEB_Timer> m_timers;
    std::map<unsigned, CNEB_Comparator> m_comparators;
    std::map<unsigned, CNEB_LogicRule> m_logicRules;
    std::unique_ptr<CNEB_Settings> m_settings;
};

} // namespace NEBPT
