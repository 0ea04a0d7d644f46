#include "ProgramWorkflow.h"

#include "NEBPTMain.h"
#include "ProgramFailure.h"
#include "ProgramWords.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CSettingsManager.h"
#include "Settings_Manager/ProgramSizes.h"
#include "Settings_Manager/TimerUnit.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "framework/Format.h"
#include "languages/common/NEBPTResources.h"

#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <set>
#include <vector>

namespace {

// What a program uses, by index: the objects its pairs and the controller's
// events refer to, directly or through logic rules.
struct References
{
    // Who refers to an object: the element `index` of the program parameter in
    // `role` (a ProgramRole: a pair's event, a rule's second operand).
    struct Referrer
    {
        std::size_t role;
        unsigned long index;
    };
    using Visit = std::function<void(const Referrer& who, const CNEB_ChoicelistItem& item)>;

    std::set<unsigned long> timers, comparators, logicRules;

    // Notes every object used; `visit` sees each item that refers to one, with
    // who refers to it.
    void collect(NEBPT::CNEB_Program& program, const Visit& visit = {});

private:
    void note(NEBPT::CNEB_Program& program, const Referrer& who, const CNEB_ChoicelistItem& item,
              const Visit& visit);

    std::deque<unsigned long> m_rulesToFollow;
};

void References::note(NEBPT::CNEB_Program& program, const Referrer& who,
                      const CNEB_ChoicelistItem& item, const Visit& visit)
{
    const CChoiceListItemObjectLookup lookup = program.lookupChoicelistItemObject(item);
    switch (lookup.getKind()) {
    case CChoiceListItemObjectLookup::Timer:
        timers.insert(lookup.getTimer()->getIndex());
        break;
    case CChoiceListItemObjectLookup::Comparator:
        comparators.insert(lookup.getComparator()->getIndex());
        break;
    case CChoiceListItemObjectLookup::LogicRule:
        if (logicRules.insert(lookup.getLogicRule()->getIndex()).second)
            m_rulesToFollow.push_back(lookup.getLogicRule()->getIndex());
        break;
    default:
        return;
    }
    if (visit)
        visit(who, item);
}

bool isDisabled(NEBPT::CNEB_Program& program, const CNEB_ChoicelistItem& item)
{
    return program.lookupChoicelistItemObject(item).getKind() ==
           CChoiceListItemObjectLookup::Disabled;
}

// The operands a rule uses: operand 0, and each further one while the operator
// before it is not disabled.
unsigned short usedOperands(NEBPT::CNEB_Program& program, const CNEB_LogicRule& rule)
{
    unsigned short count = 1;
    while (count < 3 && !isDisabled(program, rule.getOperatorItem(count - 1)))
        ++count;
    return count;
}

void References::collect(NEBPT::CNEB_Program& program, const Visit& visit)
{
    for (const auto& pair : program.getPairs()) {
        const auto index = static_cast<unsigned long>(pair->getIndex());
        note(program, {NEBPT::kPairEventRole, index}, pair->getEvent().getItem(), visit);
        note(program, {NEBPT::kPairActionRole, index}, pair->getAction().getItem(), visit);
    }
    CNEB_Settings& settings = program.getSettings();
    note(program, {NEBPT::kStartEventRole, 0}, settings.getItem(1), visit);
    note(program, {NEBPT::kStopEventRole, 0}, settings.getItem(2), visit);
    // Rules lead to further comparators, timers and rules through their operands.
    while (!m_rulesToFollow.empty()) {
        const unsigned long r = m_rulesToFollow.front();
        m_rulesToFollow.pop_front();
        CNEB_LogicRule& rule = program.getLogicRule(r);
        const unsigned short operands = usedOperands(program, rule);
        // Operand n's role is two after operand n-1's, past the operator between.
        for (unsigned short i = 0; i < operands; ++i)
            note(program, {NEBPT::kRuleOperand1Role + 2u * i, r}, rule.getOperandItem(i), visit);
    }
}

std::string ruleText(NEBPT::CNEB_Program& program, const CNEB_LogicRule& rule)
{
    const unsigned short operands = usedOperands(program, rule);
    std::string text = rule.getOperandItem(0).getText();
    for (unsigned short i = 1; i < operands; ++i) {
        text.append(1, ' ').append(rule.getOperatorItem(i - 1).getText());
        text.append(1, ' ').append(rule.getOperandItem(i).getText());
    }
    return text;
}

// A timer's time with its unit: "5.00 s".
std::string timerTime(const CNEB_Timer& timer, const NEBPT::ProgramWords& words)
{
    double minimum = 0, maximum = 0;
    std::string unit;
    unsigned decimals = 0;
    timer.getValueDescription(minimum, maximum, unit, decimals);
    return words.number(timer.getValue(), decimals) + " " + NEBPT::timerUnit(unit, maximum);
}

// A comparator's condition: "Motor speed Greater than 1200.000"; the operand
// alone when it is disabled.
std::string condition(NEBPT::CNEB_Program& program, const CNEB_Comparator& comparator,
                      const NEBPT::ProgramWords& words)
{
    std::string text = comparator.getOperandItem().getText();
    if (!isDisabled(program, comparator.getOperandItem())) {
        double minimum = 0, maximum = 0;
        unsigned decimals = 0;
        comparator.getValueLimits(minimum, maximum, decimals);
        text += " " + comparator.getOperatorItem().getText() + " " +
                words.number(comparator.getValue(), decimals);
    }
    return text;
}

// Whole-number limits, in the printed program's words and in a document's.
std::string printedLimits(double minimum, double maximum, const NEBPT::ProgramWords& english)
{
    return " (limits " + english.number(minimum, 0) + " to " + english.number(maximum, 0) + ")";
}

std::string limits(double minimum, double maximum, const NEBPT::ProgramWords& words)
{
    return words.text(res::IDS_DOC_LIMITS, {words.number(minimum, 0), words.number(maximum, 0)});
}

// The program's sections, as printed (in English), and the same program for a
// document in `words`: the pairs, the comparators, logic rules and timers they
// refer to, and the controller settings.
void describeProgram(NEBPT::CNEB_Program& program, const ProgramSizes& sizes,
                     const NEBPT::ProgramWords& words, NEBPT::ProgramSections& out)
{
    const NEBPT::ProgramWords english("english");
    std::vector<NEBPT::ProgramSection>& sections = out.sections;
    out.tables.reserve(5); // each table's rows are filled while the next is added
    const auto section = [&sections](std::string heading) -> NEBPT::ProgramSection& {
        return sections.emplace_back(NEBPT::ProgramSection{std::move(heading), {}});
    };
    // A heading over rows that may be none: "Timers:" or "Timers: none".
    const auto listing = [&section](const char* name, bool empty) -> NEBPT::ProgramSection& {
        return section(std::string(name) + (empty ? ": none" : ":"));
    };
    const auto table =
        [&out, &words ](std::string heading, std::initializer_list<unsigned> columns) -> auto&
    {
        NEBPT::ProgramTable& added = out.tables.emplace_back();
        added.heading = std::move(heading);
        for (unsigned column : columns)
            added.columns.push_back(words.text(column));
        return added.rows;
    };
    const NEBPT::RuleWords ruleWords{words.text(res::IDS_RULE_AND), words.text(res::IDS_RULE_OR),
                                     words.text(res::IDS_RULE_NOT)};
    // What the object an event or action refers to holds.
    const auto objectValue = [&](const CNEB_ChoicelistItem& item) -> std::string {
        const CChoiceListItemObjectLookup lookup = program.lookupChoicelistItemObject(item);
        switch (lookup.getKind()) {
        case CChoiceListItemObjectLookup::Timer:
            return timerTime(*lookup.getTimer(), words);
        case CChoiceListItemObjectLookup::Comparator:
            return condition(program, *lookup.getComparator(), words);
        case CChoiceListItemObjectLookup::LogicRule:
            return NEBPT::ruleFormula(program, *lookup.getLogicRule(), ruleWords);
        default:
            return {};
        }
    };

    const auto& pairs = program.getPairs();
    NEBPT::ProgramSection& pairRows =
        section(fw::format("Program: %zu of %u pairs", pairs.size(), unsigned{sizes.pairs}));
    auto& pairTable = table(
        words.text(res::IDS_DOC_PAIRS, {std::to_string(pairs.size()), std::to_string(sizes.pairs)}),
        {res::IDS_DOC_COLUMN_PAIR, res::IDS_DOC_COLUMN_EVENT, res::IDS_DOC_COLUMN_ACTION});
    for (const auto& pair : pairs) {
        const CNEB_ChoicelistItem& event = pair->getEvent().getItem();
        const CNEB_ChoicelistItem& action = pair->getAction().getItem();
        pairRows.rows.push_back({fw::format("Pair %ld", pair->getIndex()),
                                 event.getText() + " -> " + action.getText()});
        const std::string label =
            words.named(res::IDS_DOC_PAIR, static_cast<unsigned long>(pair->getIndex()));
        pairTable.push_back({label, event.getText(), action.getText()});
        out.steps.push_back(
            {label, event.getText(), action.getText(), objectValue(event), objectValue(action)});
    }
    References references;
    references.collect(program);
    CNEB_Settings& settings = program.getSettings();

    NEBPT::ProgramSection& comparators = listing("Comparators", references.comparators.empty());
    auto& comparatorTable = table(words.text(res::IDS_DOC_COMPARATORS),
                                  {res::IDS_DOC_COLUMN_COMPARATOR, res::IDS_DOC_COLUMN_CONDITION,
                                   res::IDS_DOC_COLUMN_LIMITS});
    for (unsigned long k : references.comparators) {
        CNEB_Comparator& comparator = program.getComparator(k);
        double minimum = 0, maximum = 0;
        unsigned decimals = 0;
        comparator.getValueLimits(minimum, maximum, decimals);
        const bool disabled = isDisabled(program, comparator.getOperandItem());
        comparators.rows.push_back(
            {fw::format("Comparator %lu", k),
             condition(program, comparator, english) +
                 (disabled ? std::string() : printedLimits(minimum, maximum, english))});
        comparatorTable.push_back({words.named(res::IDS_PROGRAM_COMPARATOR, k),
                                   condition(program, comparator, words),
                                   disabled ? std::string() : limits(minimum, maximum, words)});
    }

    NEBPT::ProgramSection& rules = listing("Logic rules", references.logicRules.empty());
    auto& ruleTable = table(words.text(res::IDS_DOC_LOGIC_RULES),
                            {res::IDS_LOGIC_RULE_NAME, res::IDS_DOC_COLUMN_FORMULA});
    for (unsigned long r : references.logicRules) {
        const CNEB_LogicRule& rule = program.getLogicRule(r);
        rules.rows.push_back({fw::format("Logic rule %lu", r), ruleText(program, rule)});
        ruleTable.push_back({words.named(res::IDS_PROGRAM_LOGIC_RULE, r),
                             NEBPT::ruleFormula(program, rule, ruleWords)});
    }

    NEBPT::ProgramSection& timers = listing("Timers", references.timers.empty());
    auto& timerTable =
        table(words.text(res::IDS_DOC_TIMERS),
              {res::IDS_DOC_COLUMN_TIMER, res::IDS_DOC_COLUMN_TIME, res::IDS_DOC_COLUMN_LIMITS});
    for (unsigned long t : references.timers) {
        CNEB_Timer& timer = program.getTimer(t);
        double minimum = 0, maximum = 0;
        std::string unit;
        unsigned decimals = 0;
        timer.getValueDescription(minimum, maximum, unit, decimals);
        timers.rows.push_back(
            {fw::format("Timer %lu", t),
             timerTime(timer, english) + printedLimits(minimum, maximum, english)});
        timerTable.push_back({words.named(res::IDS_PROGRAM_TIMER, t), timerTime(timer, words),
                              limits(minimum, maximum, words)});
    }

    const std::string mode = settings.getItem(0).getText(), start = settings.getItem(1).getText(),
                      stop = settings.getItem(2).getText();
    section("Controller: mode " + mode + ", start event " + start + ", stop event " + stop);
    table(words.text(res::IDS_DOC_CONTROLLER),
          {res::IDS_DOC_COLUMN_SETTING, res::IDS_DOC_COLUMN_VALUE}) = {
        {words.text(res::IDS_DOC_MODE), mode},
        {words.text(res::IDS_DOC_START_EVENT), start},
        {words.text(res::IDS_DOC_STOP_EVENT), stop}};

    NEBPT::ProgramDocumentWords& said = out.words;
    said.title = words.text(res::IDS_DOC_TITLE);
    said.project = words.text(res::IDS_DOC_PROJECT);
    said.author = words.text(res::IDS_DOC_AUTHOR);
    said.revision = words.text(res::IDS_DOC_REVISION);
    said.date = words.text(res::IDS_DOC_DATE);
    said.page = words.text(res::IDS_DOC_PAGE);
    said.continued = words.text(res::IDS_DOC_CONTINUED);
    said.continuedOn = words.text(res::IDS_DOC_CONTINUED_ON);
    said.continuedFrom = words.text(res::IDS_DOC_CONTINUED_FROM);
    said.flow = words.text(res::IDS_DOC_FLOW);
    said.eventTag = words.text(res::IDS_DOC_IF);
    said.actionTag = words.text(res::IDS_DOC_THEN);
    out.flowStart = words.text(res::IDS_DOC_CONTROLLER_LINE, {mode, start, stop});
    out.flowEnd = words.text(res::IDS_DOC_END);
    out.noRows = words.text(res::IDS_DOC_NONE);
}

// The first pair that uses each logic rule, directly or through other rules;
// rules that no pair uses are absent. Pairs in order, each rule followed once.
std::map<unsigned long, long> firstPairs(NEBPT::CNEB_Program& program)
{
    std::map<unsigned long, long> first;
    std::vector<unsigned long> toFollow;
    const auto reach = [&](const CNEB_ChoicelistItem& item, long pair) {
        const CChoiceListItemObjectLookup lookup = program.lookupChoicelistItemObject(item);
        if (lookup.getKind() == CChoiceListItemObjectLookup::LogicRule &&
            first.emplace(lookup.getLogicRule()->getIndex(), pair).second)
            toFollow.push_back(lookup.getLogicRule()->getIndex());
    };
    for (const auto& pair : program.getPairs()) {
        reach(pair->getEvent().getItem(), pair->getIndex());
        reach(pair->getAction().getItem(), pair->getIndex());
        while (!toFollow.empty()) {
            const CNEB_LogicRule& rule = program.getLogicRule(toFollow.back());
            toFollow.pop_back();
            const unsigned short operands = usedOperands(program, rule);
            for (unsigned short i = 0; i < operands; ++i)
                reach(rule.getOperandItem(i), pair->getIndex());
        }
    }
    return first;
}

// Looks through a program for what is probably wrong, one finding a line, each
// naming the pair or object as the printed program does, in `words`.
class ProgramCheck
{
public:
    // `noEvent`: the event that never happens ("False"), the controller's
    // start event when it has none.
    ProgramCheck(NEBPT::CNEB_Program& program, const ProgramSizes& sizes, unsigned long noEvent,
                 const NEBPT::ProgramWords& words, std::vector<NEBPT::ProgramFinding>& findings)
        : m_program(program), m_sizes(sizes), m_noEvent(noEvent), m_words(words),
          m_findings(findings), m_firstPairs(firstPairs(program))
    {}

    void run()
    {
        // References to objects that do nothing.
        References used;
        used.collect(m_program, [this](const References::Referrer& who,
                                       const CNEB_ChoicelistItem& item) {
            const CChoiceListItemObjectLookup lookup = m_program.lookupChoicelistItemObject(item);
            idleReference(who, item.getText(), lookup);
        });
        CNEB_Settings& settings = m_program.getSettings();
        if (settings.getItem(0).getID() != 0 && settings.getItem(1).getID() == m_noEvent) {
            add(m_words.text(res::IDS_CHECK_NO_START_EVENT,
                             {settings.getItem(0).getText(), settings.getItem(1).getText()}),
                -1);
        }
        findLoops();
        // Objects set up that nothing uses.
        const auto unused = [this](const std::set<unsigned long>& used, unsigned long count,
                                   unsigned name, const std::function<bool(unsigned long)>& setUp) {
            for (unsigned long i = 0; i < count; ++i) {
                if (!used.count(i) && setUp(i))
                    add(m_words.text(res::IDS_CHECK_UNUSED, {m_words.named(name, i)}), -1);
            }
        };
        unused(used.comparators, m_sizes.comparators, res::IDS_PROGRAM_COMPARATOR,
               [this](unsigned long k) {
                   return !isDisabled(m_program, m_program.getComparator(k).getOperandItem());
               });
        unused(used.logicRules, m_sizes.logicRules, res::IDS_PROGRAM_LOGIC_RULE,
               [this](unsigned long r) { return !isEmpty(m_program.getLogicRule(r)); });
        unused(used.timers, m_sizes.timers, res::IDS_PROGRAM_TIMER,
               [this](unsigned long t) { return m_program.getTimer(t).getValue() != 0; });
    }

private:
    void add(std::string text, long pair)
    {
        m_findings.push_back({std::move(text), static_cast<int>(pair)});
    }

    // The first pair that uses logic rule `r`; -1 when none does.
    long firstPairOfRule(unsigned long r) const
    {
        const auto found = m_firstPairs.find(r);
        return found == m_firstPairs.end() ? -1 : found->second;
    }

    // A finding when `who` refers to an object that does nothing: a timer at 0,
    // a disabled comparator, an empty logic rule.
    void idleReference(const References::Referrer& who, const std::string& item,
                       const CChoiceListItemObjectLookup& lookup)
    {
        const std::string referrer = m_words.label(who.role, who.index);
        switch (lookup.getKind()) {
        case CChoiceListItemObjectLookup::Timer: {
            CNEB_Timer& timer = *lookup.getTimer();
            if (timer.getValue() != 0)
                return;
            double minimum = 0, maximum = 0;
            std::string unit;
            unsigned decimals = 0;
            timer.getValueDescription(minimum, maximum, unit, decimals);
            add(m_words.text(res::IDS_CHECK_TIMER_AT_ZERO,
                             {referrer, item,
                              m_words.named(res::IDS_PROGRAM_TIMER, timer.getIndex()),
                              m_words.number(0, decimals) + " " + NEBPT::timerUnit(unit, maximum)}),
                pairOf(who));
            return;
        }
        case CChoiceListItemObjectLookup::Comparator:
            if (isDisabled(m_program, lookup.getComparator()->getOperandItem())) {
                add(m_words.text(res::IDS_CHECK_DISABLED_COMPARATOR,
                                 {referrer, item,
                                  m_words.named(res::IDS_PROGRAM_COMPARATOR,
                                                lookup.getComparator()->getIndex())}),
                    pairOf(who));
            }
            return;
        default:
            if (isEmpty(*lookup.getLogicRule())) {
                add(m_words.text(res::IDS_CHECK_EMPTY_LOGIC_RULE,
                                 {referrer, item,
                                  m_words.named(res::IDS_PROGRAM_LOGIC_RULE,
                                                lookup.getLogicRule()->getIndex())}),
                    pairOf(who));
            }
        }
    }

    // The pair a reference is about: the referring pair, or the first pair that
    // uses the referring rule; -1 for the controller's events.
    long pairOf(const References::Referrer& who) const
    {
        switch (who.role) {
        case NEBPT::kPairEventRole:
        case NEBPT::kPairActionRole:
            return static_cast<long>(who.index);
        case NEBPT::kStartEventRole:
        case NEBPT::kStopEventRole:
            return -1;
        default:
            return firstPairOfRule(who.index);
        }
    }

    // A rule that is only the event that never happens.
    bool isEmpty(const CNEB_LogicRule& rule)
    {
        return rule.getOperandItem(0).getID() == m_noEvent && usedOperands(m_program, rule) == 1;
    }

    // The rules a rule takes as operands.
    std::vector<unsigned long> ruleOperands(unsigned long r)
    {
        std::vector<unsigned long> rules;
        CNEB_LogicRule& rule = m_program.getLogicRule(r);
        const unsigned short operands = usedOperands(m_program, rule);
        for (unsigned short i = 0; i < operands; ++i) {
            const CChoiceListItemObjectLookup lookup =
                m_program.lookupChoicelistItemObject(rule.getOperandItem(i));
            if (lookup.getKind() == CChoiceListItemObjectLookup::LogicRule)
                rules.push_back(lookup.getLogicRule()->getIndex());
        }
        return rules;
    }

    // Every loop of rules, once, as the chain from its lowest rule back to it.
    void findLoops()
    {
        for (unsigned long start = 0; start < m_sizes.logicRules; ++start) {
            std::vector<unsigned long> chain{start};
            std::set<unsigned long> seen{start};
            if (leadsBack(start, chain, seen)) {
                std::string links;
                for (unsigned long r : chain)
                    links += m_words.named(res::IDS_PROGRAM_LOGIC_RULE, r) + " -> ";
                add(m_words.text(res::IDS_CHECK_RULE_LOOP,
                                 {m_words.named(res::IDS_PROGRAM_LOGIC_RULE, start),
                                  links + m_words.named(res::IDS_PROGRAM_LOGIC_RULE, start)}),
                    firstPairOfRule(start));
            }
        }
    }

    // Whether the chain's last rule leads back to its first through rules above
    // the first (a loop through a lower rule is that rule's to report).
    bool leadsBack(unsigned long start, std::vector<unsigned long>& chain,
                   std::set<unsigned long>& seen)
    {
        for (unsigned long next : ruleOperands(chain.back())) {
            if (next == start)
                return true;
            if (next < start || !seen.insert(next).second)
                continue;
            chain.push_back(next);
            if (leadsBack(start, chain, seen))
                return true;
            chain.pop_back();
        }
        return false;
    }

    NEBPT::CNEB_Program& m_program;
    const ProgramSizes& m_sizes;
    unsigned long m_noEvent;
    const NEBPT::ProgramWords& m_words;
    std::vector<NEBPT::ProgramFinding>& m_findings;
    const std::map<unsigned long, long> m_firstPairs;
};

} // namespace

namespace {

// What a drive says it is.
struct DriveIdentity
{
    std::string type, aoc, database;
};

// Connects to the drive the way the host does (support question first, then the
// settings manager) and hands its program to `task`; false with `failure` when
// that cannot be done or the task fails.
bool withProgram(IExtParamInterface& drive, std::string& failure,
                 const std::function<void(NEBPT::CNEB_Program&, CSettingsManager&,
                                          const DriveIdentity& identity)>& task)
{
    return NEBPT::telling(failure, [&] {
        // The host asks first whether the plug-in serves this drive at all.
        std::string driveName, aocVersion, dbVersion;
        drive.GetDriveIdentity(driveName, aocVersion, dbVersion);
        if (!CNEBPTMain::isDriveSupported(driveName, aocVersion, dbVersion)) {
            const std::string log = CCustomException::makeLogPath();
            failure =
                "drive type \"" + driveName + "\" with database " + dbVersion +
                " is not supported (" + CNEBConfiguration::kFileName +
                " has no entry for it, or cannot be used: " +
                (log.empty() ? "nothing is logged: " + CCustomException::logFolder() +
                                   "/nebpt.log or its folder is a link, another user's, or cannot "
                                   "be made"
                             : "see " + log) +
                ")";
            return false;
        }
        CSettingsManager manager(&drive);
        manager.init();
        NEBPT::CNEB_Program program = manager.getProgram();
        task(program, manager, {driveName, aocVersion, dbVersion});
        return true;
    });
}

} // namespace

bool NEBPT::programSections(IExtParamInterface& drive, const std::string& driveLabel,
                            ProgramSections& sections, std::string& failure)
{
    return withProgram(
        drive, failure,
        [&](CNEB_Program& program, CSettingsManager& manager, const DriveIdentity& identity) {
            const ProgramWords words(drive.GetLanguage());
            sections = ProgramSections();
            sections.identity = "Drive " + identity.type + ", AOC " + identity.aoc + ", database " +
                                identity.database + " (" + driveLabel + ")";
            sections.driveLine = words.text(res::IDS_DOC_IDENTITY,
                                            {identity.type, identity.aoc, identity.database}) +
                                 " (" + driveLabel + ")";
            describeProgram(program, manager.getSizes(), words, sections);
        });
}

std::string NEBPT::ruleFormula(CNEB_Program& program, const CNEB_LogicRule& rule,
                               const RuleWords& words)
{
    using Kind = CChoiceListItemObjectLookup::Kind;
    // An operator as its kind tells it: AND or OR, each side negated or not; one
    // of another kind is shown as the drive gives it.
    struct Operator
    {
        bool off = false, known = false, isAnd = false, notFirst = false, notSecond = false;
        std::string text;
    };
    const auto operatorAt = [&](unsigned short i) {
        const CNEB_ChoicelistItem& item = rule.getOperatorItem(i);
        const int kind = program.lookupChoicelistItemObject(item).getKind();
        Operator op;
        op.off = kind == Kind::Disabled;
        op.known = kind >= Kind::And && kind <= Kind::NotOrNot;
        op.isAnd = kind == Kind::And || kind == Kind::AndNot || kind == Kind::NotAnd ||
                   kind == Kind::NotAndNot;
        op.notFirst = kind == Kind::NotAnd || kind == Kind::NotOr || kind == Kind::NotAndNot ||
                      kind == Kind::NotOrNot;
        op.notSecond = kind == Kind::AndNot || kind == Kind::OrNot || kind == Kind::NotAndNot ||
                       kind == Kind::NotOrNot;
        op.text = item.getText();
        return op;
    };
    const std::string no = words.notWord + " ";
    const auto word = [&words](const Operator& op) {
        return op.known ? (op.isAnd ? words.andWord : words.orWord) : op.text;
    };
    const auto operand = [&](unsigned short i, bool negated) {
        return (negated ? no : std::string()) + rule.getOperandItem(i).getText();
    };
    const Operator first = operatorAt(0);
    if (first.off)
        return operand(0, false);
    std::string text =
        operand(0, first.notFirst) + " " + word(first) + " " + operand(1, first.notSecond);
    const Operator second = operatorAt(1);
    if (second.off)
        return text;
    if (second.notFirst)
        text = no + "(" + text + ")";
    else if (!first.known || !second.known || first.isAnd != second.isAnd)
        text = "(" + text + ")";
    return text + " " + word(second) + " " + operand(2, second.notSecond);
}

void NEBPT::writeProgramText(const ProgramSections& sections, std::ostream& out)
{
    out << sections.identity << "\n";
    for (const ProgramSection& section : sections.sections) {
        out << section.heading << "\n";
        for (const ProgramRow& row : section.rows)
            out << "  " << row.label << ": " << row.text << "\n";
    }
    out.flush();
}

bool NEBPT::printProgram(IExtParamInterface& drive, const std::string& driveLabel,
                         std::ostream& out, std::string& failure)
{
    ProgramSections sections;
    if (!programSections(drive, driveLabel, sections, failure))
        return false;
    writeProgramText(sections, out);
    return true;
}

bool NEBPT::checkProgram(IExtParamInterface& drive, std::vector<ProgramFinding>& findings,
                         std::string& failure)
{
    findings.clear();
    return withProgram(
        drive, failure,
        [&](CNEB_Program& program, CSettingsManager& manager, const DriveIdentity&) {
            const unsigned long noEvent =
                manager.getFunc().getConfiguration().getSpecialChoicelistItem(
                    "EVENT_BOOLEAN_DEFAULT");
            const ProgramWords words(drive.GetLanguage());
            ProgramCheck(program, manager.getSizes(), noEvent, words, findings).run();
        });
}

bool NEBPT::checkProgram(IExtParamInterface& drive, std::vector<std::string>& findings,
                         std::string& failure)
{
    std::vector<ProgramFinding> found;
    const bool checked = checkProgram(drive, found, failure);
    findings.clear();
    for (ProgramFinding& finding : found)
        findings.push_back(std::move(finding.text));
    return checked;
}
