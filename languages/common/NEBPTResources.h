#pragma once

// The numbers of everything the plug-in takes from a language resource library:
// dialog templates (IDD_*), strings (IDS_*) and the controls of each template
// (IDC_*). The dialogs, the language libraries and the tests all name them from
// here; the checks at the end let the compiler find a number given twice.
// Qt-free: the model may name strings too.

#include "framework/MessageBox.h"
#include "framework/Resources.h"

#include <array>
#include <cstddef>

namespace res {

// Dialog templates.
inline constexpr unsigned IDD_PROGRAM = 2102;      // the flow view
inline constexpr unsigned IDD_ACTION = 2133;       // action box of a pair
inline constexpr unsigned IDD_PAIR = 2134;         // one event/action pair (step)
inline constexpr unsigned IDD_EVENT = 2135;        // event box of a pair
inline constexpr unsigned IDD_TOP_ARROW = 2141;    // start of the flow
inline constexpr unsigned IDD_BOTTOM_ARROW = 2142; // end of the flow
inline constexpr unsigned IDD_LOGIC_RULE = 2149;
inline constexpr unsigned IDD_COMPARATOR = 2150;
inline constexpr unsigned IDD_TIMER = 2151;
inline constexpr unsigned IDD_SETTINGS = 3049;

inline constexpr std::array kTemplates = {
    IDD_PROGRAM,      IDD_ACTION,     IDD_PAIR,       IDD_EVENT, IDD_TOP_ARROW,
    IDD_BOTTOM_ARROW, IDD_LOGIC_RULE, IDD_COMPARATOR, IDD_TIMER, IDD_SETTINGS};

// Strings.
inline constexpr unsigned IDS_ADD_PAIR_TO_END = 2134;
inline constexpr unsigned IDS_INSERT_PAIR_BEFORE = 2135;
inline constexpr unsigned IDS_DELETE_PAIR = 2136;
inline constexpr unsigned IDS_COMPARATOR_TITLE = 2137; // format: one %d, the comparator number
inline constexpr unsigned IDS_TIMER_TITLE = 2138;      // format: one %d, the timer number
inline constexpr unsigned IDS_EMPTY_PROGRAM = 2139;
inline constexpr unsigned IDS_EDIT_TIMER = 2140; // object button captions
inline constexpr unsigned IDS_EDIT_COMPARATOR = 2141;
inline constexpr unsigned IDS_EDIT_LOGIC_RULE = 2142;
inline constexpr unsigned IDS_RULES_REFER_TO_EACH_OTHER = 2143;
inline constexpr unsigned IDS_SHOW_SETTINGS = 2145;
inline constexpr unsigned IDS_LOGIC_RULE_NAME = 2147;
inline constexpr unsigned IDS_SETTINGS_TITLE = 2148;
// The framework's own texts (numbered by the framework).
inline constexpr unsigned IDS_RANGE_MESSAGE = fw::IDS_FW_RANGE_MESSAGE; // format: %.*g twice
inline constexpr unsigned IDS_BUTTON_OK = fw::IDS_FW_BUTTON_OK;
inline constexpr unsigned IDS_BUTTON_CANCEL = fw::IDS_FW_BUTTON_CANCEL;
inline constexpr unsigned IDS_BUTTON_YES = fw::IDS_FW_BUTTON_YES;
inline constexpr unsigned IDS_BUTTON_NO = fw::IDS_FW_BUTTON_NO;
// The flow: a pair's number, the controller's state shown in it, a logic rule's formula.
inline constexpr unsigned IDS_PAIR_NUMBER = 2200; // format: one %d, the pair's number
inline constexpr unsigned IDS_ACTIVE_STEP = 2201; // beside the pair whose step is active
inline constexpr unsigned IDS_TIMER_LEFT = 2202;  // format: one %s, the time left
inline constexpr unsigned IDS_TIMER_RAN_OUT = 2203;
inline constexpr unsigned IDS_RULE_AND = 2204;
inline constexpr unsigned IDS_RULE_OR = 2205;
inline constexpr unsigned IDS_RULE_NOT = 2206;
// The program in words (findings, written values): "%1", "%2" stand for the
// element or object number, a name or a value, as each text's English shows.
inline constexpr unsigned IDS_PROGRAM_MODE = 2300; // what each program parameter holds
inline constexpr unsigned IDS_PROGRAM_PAIR_EVENT = 2301;
inline constexpr unsigned IDS_PROGRAM_PAIR_ACTION = 2302;
inline constexpr unsigned IDS_PROGRAM_TIMER = 2303; // also the timer's name
inline constexpr unsigned IDS_PROGRAM_COMPARATOR_OPERAND = 2304;
inline constexpr unsigned IDS_PROGRAM_COMPARATOR_OPERATOR = 2305;
inline constexpr unsigned IDS_PROGRAM_COMPARATOR_VALUE = 2306;
inline constexpr unsigned IDS_PROGRAM_RULE_OPERAND_1 = 2307;
inline constexpr unsigned IDS_PROGRAM_RULE_OPERATOR_1 = 2308;
inline constexpr unsigned IDS_PROGRAM_RULE_OPERAND_2 = 2309;
inline constexpr unsigned IDS_PROGRAM_RULE_OPERATOR_2 = 2310;
inline constexpr unsigned IDS_PROGRAM_RULE_OPERAND_3 = 2311;
inline constexpr unsigned IDS_PROGRAM_START_EVENT = 2312;
inline constexpr unsigned IDS_PROGRAM_STOP_EVENT = 2313;
inline constexpr unsigned IDS_PROGRAM_COMPARATOR = 2314; // the objects' names
inline constexpr unsigned IDS_PROGRAM_LOGIC_RULE = 2315;
inline constexpr unsigned IDS_PROGRAM_CHOICE_VALUE = 2316; // a value the choice list lacks
inline constexpr unsigned IDS_PROGRAM_PARAMETER = 2317;    // no program element
inline constexpr unsigned IDS_PROGRAM_PARAMETER_ELEMENT = 2318;
inline constexpr unsigned IDS_CHECK_DISABLED_COMPARATOR = 2330; // the findings
inline constexpr unsigned IDS_CHECK_EMPTY_LOGIC_RULE = 2331;
inline constexpr unsigned IDS_CHECK_TIMER_AT_ZERO = 2332;
inline constexpr unsigned IDS_CHECK_NO_START_EVENT = 2333;
inline constexpr unsigned IDS_CHECK_RULE_LOOP = 2334;
inline constexpr unsigned IDS_CHECK_UNUSED = 2335;
inline constexpr unsigned IDS_DOC_TITLE = 2340; // the program document: its title block and pages
inline constexpr unsigned IDS_DOC_PROJECT = 2341;
inline constexpr unsigned IDS_DOC_AUTHOR = 2342;
inline constexpr unsigned IDS_DOC_REVISION = 2343;
inline constexpr unsigned IDS_DOC_DATE = 2344;
inline constexpr unsigned IDS_DOC_PAGE = 2345;         // %1 this page, %2 the pages
inline constexpr unsigned IDS_DOC_IDENTITY = 2346;     // %1 drive type, %2 AOC, %3 database
inline constexpr unsigned IDS_DOC_CONTINUED = 2347;    // %1 a heading
inline constexpr unsigned IDS_DOC_CONTINUED_ON = 2348; // %1 a page
inline constexpr unsigned IDS_DOC_CONTINUED_FROM = 2349;
inline constexpr unsigned IDS_DOC_FLOW = 2350; // the flow
inline constexpr unsigned IDS_DOC_IF = 2351;
inline constexpr unsigned IDS_DOC_THEN = 2352;
inline constexpr unsigned IDS_DOC_CONTROLLER_LINE = 2353; // %1 mode, %2 start event, %3 stop event
inline constexpr unsigned IDS_DOC_END = 2354;
inline constexpr unsigned IDS_DOC_PAIRS = 2355; // the tables: %1 pairs used, %2 pairs the drive has
inline constexpr unsigned IDS_DOC_COMPARATORS = 2356;
inline constexpr unsigned IDS_DOC_LOGIC_RULES = 2357;
inline constexpr unsigned IDS_DOC_TIMERS = 2358;
inline constexpr unsigned IDS_DOC_CONTROLLER = 2359;
inline constexpr unsigned IDS_DOC_NONE = 2360;
inline constexpr unsigned IDS_DOC_PAIR = 2361;        // %1 the pair's number
inline constexpr unsigned IDS_DOC_COLUMN_PAIR = 2362; // the tables' columns
inline constexpr unsigned IDS_DOC_COLUMN_EVENT = 2363;
inline constexpr unsigned IDS_DOC_COLUMN_ACTION = 2364;
inline constexpr unsigned IDS_DOC_COLUMN_COMPARATOR = 2365;
inline constexpr unsigned IDS_DOC_COLUMN_CONDITION = 2366;
inline constexpr unsigned IDS_DOC_COLUMN_LIMITS = 2367;
inline constexpr unsigned IDS_DOC_COLUMN_FORMULA = 2368;
inline constexpr unsigned IDS_DOC_COLUMN_TIMER = 2369;
inline constexpr unsigned IDS_DOC_COLUMN_TIME = 2370;
inline constexpr unsigned IDS_DOC_COLUMN_SETTING = 2371;
inline constexpr unsigned IDS_DOC_COLUMN_VALUE = 2372;
inline constexpr unsigned IDS_DOC_MODE = 2373;
inline constexpr unsigned IDS_DOC_START_EVENT = 2374;
inline constexpr unsigned IDS_DOC_STOP_EVENT = 2375;
inline constexpr unsigned IDS_DOC_LIMITS = 2376; // %1 lowest, %2 highest

inline constexpr std::array kStrings = {IDS_ADD_PAIR_TO_END,
                                        IDS_INSERT_PAIR_BEFORE,
                                        IDS_DELETE_PAIR,
                                        IDS_COMPARATOR_TITLE,
                                        IDS_TIMER_TITLE,
                                        IDS_EMPTY_PROGRAM,
                                        IDS_EDIT_TIMER,
                                        IDS_EDIT_COMPARATOR,
                                        IDS_EDIT_LOGIC_RULE,
                                        IDS_RULES_REFER_TO_EACH_OTHER,
                                        IDS_SHOW_SETTINGS,
                                        IDS_LOGIC_RULE_NAME,
                                        IDS_SETTINGS_TITLE,
                                        IDS_RANGE_MESSAGE,
                                        IDS_BUTTON_OK,
                                        IDS_BUTTON_CANCEL,
                                        IDS_BUTTON_YES,
                                        IDS_BUTTON_NO,
                                        IDS_PAIR_NUMBER,
                                        IDS_ACTIVE_STEP,
                                        IDS_TIMER_LEFT,
                                        IDS_TIMER_RAN_OUT,
                                        IDS_RULE_AND,
                                        IDS_RULE_OR,
                                        IDS_RULE_NOT,
                                        IDS_PROGRAM_MODE,
                                        IDS_PROGRAM_PAIR_EVENT,
                                        IDS_PROGRAM_PAIR_ACTION,
                                        IDS_PROGRAM_TIMER,
                                        IDS_PROGRAM_COMPARATOR_OPERAND,
                                        IDS_PROGRAM_COMPARATOR_OPERATOR,
                                        IDS_PROGRAM_COMPARATOR_VALUE,
                                        IDS_PROGRAM_RULE_OPERAND_1,
                                        IDS_PROGRAM_RULE_OPERATOR_1,
                                        IDS_PROGRAM_RULE_OPERAND_2,
                                        IDS_PROGRAM_RULE_OPERATOR_2,
                                        IDS_PROGRAM_RULE_OPERAND_3,
                                        IDS_PROGRAM_START_EVENT,
                                        IDS_PROGRAM_STOP_EVENT,
                                        IDS_PROGRAM_COMPARATOR,
                                        IDS_PROGRAM_LOGIC_RULE,
                                        IDS_PROGRAM_CHOICE_VALUE,
                                        IDS_PROGRAM_PARAMETER,
                                        IDS_PROGRAM_PARAMETER_ELEMENT,
                                        IDS_CHECK_DISABLED_COMPARATOR,
                                        IDS_CHECK_EMPTY_LOGIC_RULE,
                                        IDS_CHECK_TIMER_AT_ZERO,
                                        IDS_CHECK_NO_START_EVENT,
                                        IDS_CHECK_RULE_LOOP,
                                        IDS_CHECK_UNUSED,
                                        IDS_DOC_TITLE,
                                        IDS_DOC_PROJECT,
                                        IDS_DOC_AUTHOR,
                                        IDS_DOC_REVISION,
                                        IDS_DOC_DATE,
                                        IDS_DOC_PAGE,
                                        IDS_DOC_IDENTITY,
                                        IDS_DOC_CONTINUED,
                                        IDS_DOC_CONTINUED_ON,
                                        IDS_DOC_CONTINUED_FROM,
                                        IDS_DOC_FLOW,
                                        IDS_DOC_IF,
                                        IDS_DOC_THEN,
                                        IDS_DOC_CONTROLLER_LINE,
                                        IDS_DOC_END,
                                        IDS_DOC_PAIRS,
                                        IDS_DOC_COMPARATORS,
                                        IDS_DOC_LOGIC_RULES,
                                        IDS_DOC_TIMERS,
                                        IDS_DOC_CONTROLLER,
                                        IDS_DOC_NONE,
                                        IDS_DOC_PAIR,
                                        IDS_DOC_COLUMN_PAIR,
                                        IDS_DOC_COLUMN_EVENT,
                                        IDS_DOC_COLUMN_ACTION,
                                        IDS_DOC_COLUMN_COMPARATOR,
                                        IDS_DOC_COLUMN_CONDITION,
                                        IDS_DOC_COLUMN_LIMITS,
                                        IDS_DOC_COLUMN_FORMULA,
                                        IDS_DOC_COLUMN_TIMER,
                                        IDS_DOC_COLUMN_TIME,
                                        IDS_DOC_COLUMN_SETTING,
                                        IDS_DOC_COLUMN_VALUE,
                                        IDS_DOC_MODE,
                                        IDS_DOC_START_EVENT,
                                        IDS_DOC_STOP_EVENT,
                                        IDS_DOC_LIMITS};

// Controls. Every template with OK and Cancel buttons numbers them as the
// framework's answers.
inline constexpr int IDC_OK = fw::IDOK;
inline constexpr int IDC_CANCEL = fw::IDCANCEL;

// Event and action boxes.
inline constexpr int IDC_OBJECT_BUTTON = 3001; // edits the object the chosen entry refers to
inline constexpr int IDC_ACTION_LIST = 3005;
inline constexpr int IDC_EVENT_LIST = 3008;
inline constexpr int IDC_OPEN_LIST = 3010;

// Logic rule: three operands, two operators, their pictures.
inline constexpr int IDC_LR_OPERAND_1 = 3012;        // operand n: IDC_LR_OPERAND_1 + n - 1
inline constexpr int IDC_LR_OPERATOR_1 = 3015;       // operator n: IDC_LR_OPERATOR_1 + n - 1
inline constexpr int IDC_LR_OPERAND_BUTTON_1 = 3021; // button n: IDC_LR_OPERAND_BUTTON_1 + n - 1
inline constexpr int IDC_LR_VARIANT_ONE = 3025;
inline constexpr int IDC_LR_VARIANT_TWO = 3026;
inline constexpr int IDC_LR_VARIANT_THREE = 3027;
inline constexpr int IDC_LR_OP1_NOT_SECOND = 3028;
inline constexpr int IDC_LR_OP1_NOT_FIRST = 3029;
inline constexpr int IDC_LR_OP2_NOT_SECOND = 3030;
inline constexpr int IDC_LR_OP2_NOT_FIRST = 3031;
inline constexpr int IDC_LR_OP1_AND = 3000;
inline constexpr int IDC_LR_OP1_OR = 3032;
inline constexpr int IDC_LR_OP2_AND = 3033;
inline constexpr int IDC_LR_OP2_OR = 3034;

// Comparator.
inline constexpr int IDC_COMP_OPERAND = 3016;
inline constexpr int IDC_COMP_OPERATOR = 3017;
inline constexpr int IDC_COMP_VALUE = 3019;
inline constexpr int IDC_COMP_OUTPUT = 3035;

// Timer.
inline constexpr int IDC_TIMER_VALUE = 3018;
inline constexpr int IDC_TIMER_UNIT = -1; // a static text without a number of its own

// Controller settings: one list and one parameter name per setting.
inline constexpr int IDC_MODE_LIST = 3037;
inline constexpr int IDC_START_LIST = 3038;
inline constexpr int IDC_STOP_LIST = 3039;
inline constexpr int IDC_MODE_PARAMETER = 3040;
inline constexpr int IDC_START_PARAMETER = 3041;
inline constexpr int IDC_STOP_PARAMETER = 3042;

// The controls of each template, ranges spelled out.
inline constexpr std::array kEventControls = {IDC_OBJECT_BUTTON, IDC_EVENT_LIST, IDC_OPEN_LIST};
inline constexpr std::array kActionControls = {IDC_OBJECT_BUTTON, IDC_ACTION_LIST};
inline constexpr std::array kLogicRuleControls = {IDC_OK,
                                                  IDC_CANCEL,
                                                  IDC_LR_OPERAND_1,
                                                  IDC_LR_OPERAND_1 + 1,
                                                  IDC_LR_OPERAND_1 + 2,
                                                  IDC_LR_OPERATOR_1,
                                                  IDC_LR_OPERATOR_1 + 1,
                                                  IDC_LR_OPERAND_BUTTON_1,
                                                  IDC_LR_OPERAND_BUTTON_1 + 1,
                                                  IDC_LR_OPERAND_BUTTON_1 + 2,
                                                  IDC_LR_VARIANT_ONE,
                                                  IDC_LR_VARIANT_TWO,
                                                  IDC_LR_VARIANT_THREE,
                                                  IDC_LR_OP1_NOT_SECOND,
                                                  IDC_LR_OP1_NOT_FIRST,
                                                  IDC_LR_OP2_NOT_SECOND,
                                                  IDC_LR_OP2_NOT_FIRST,
                                                  IDC_LR_OP1_AND,
                                                  IDC_LR_OP1_OR,
                                                  IDC_LR_OP2_AND,
                                                  IDC_LR_OP2_OR};
inline constexpr std::array kComparatorControls = {
    IDC_OK, IDC_CANCEL, IDC_COMP_OPERAND, IDC_COMP_OPERATOR, IDC_COMP_VALUE, IDC_COMP_OUTPUT};
inline constexpr std::array kTimerControls = {IDC_OK, IDC_CANCEL, IDC_TIMER_VALUE, IDC_TIMER_UNIT};
inline constexpr std::array kSettingsControls = {
    IDC_OK,        IDC_CANCEL,         IDC_MODE_LIST,       IDC_START_LIST,
    IDC_STOP_LIST, IDC_MODE_PARAMETER, IDC_START_PARAMETER, IDC_STOP_PARAMETER};

namespace check {

template <class T, std::size_t N> constexpr bool distinct(const std::array<T, N>& numbers)
{
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = i + 1; j < N; ++j)
            if (numbers[i] == numbers[j])
                return false;
    return true;
}

template <class T, std::size_t N>
constexpr bool within(const std::array<T, N>& numbers, T low, T high)
{
    for (T number : numbers)
        if (number < low || number > high)
            return false;
    return true;
}

// Own numbers of a template: 3000..3999, or one of the answers, or -1 (no number).
template <std::size_t N> constexpr bool controlNumbers(const std::array<int, N>& numbers)
{
    for (int number : numbers)
        if (!(number >= 3000 && number <= 3999) && number != IDC_OK && number != IDC_CANCEL &&
            number != -1)
            return false;
    return distinct(numbers);
}

} // namespace check

static_assert(check::distinct(kTemplates) && check::within(kTemplates, 2000u, 3999u));
static_assert(check::distinct(kStrings) && check::within(kStrings, 2000u, 2999u));
static_assert(check::controlNumbers(kEventControls) && check::controlNumbers(kActionControls));
static_assert(check::controlNumbers(kLogicRuleControls));
static_assert(check::controlNumbers(kComparatorControls));
static_assert(check::controlNumbers(kTimerControls) && check::controlNumbers(kSettingsControls));
// The settings dialog walks its lists and names in step: mode, start, stop.
static_assert(IDC_START_LIST == IDC_MODE_LIST + 1 && IDC_STOP_LIST == IDC_MODE_LIST + 2);
static_assert(IDC_START_PARAMETER == IDC_MODE_PARAMETER + 1 &&
              IDC_STOP_PARAMETER == IDC_MODE_PARAMETER + 2);

} // namespace res
