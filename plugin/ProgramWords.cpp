#include "ProgramWords.h"

#include "ChoiceText.h"
#include "ProgramWorkflowImpl.h"
#include "framework/Format.h"
#include "framework/NumberText.h"
#include "framework/SystemPaths.h"
#include "framework/widgets/NumberLocale.h"
#include "languages/common/Strings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <locale>
#include <map>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <strings.h>
#include <unordered_map>

namespace NEBPT {

namespace {

// The label of each program parameter's elements, by role.
constexpr std::array<unsigned, kProgramRoles> kRoleLabels = {
    res::IDS_PROGRAM_MODE,
    res::IDS_PROGRAM_PAIR_EVENT,
    res::IDS_PROGRAM_PAIR_ACTION,
    res::IDS_PROGRAM_TIMER,
    res::IDS_PROGRAM_COMPARATOR_OPERAND,
    res::IDS_PROGRAM_COMPARATOR_OPERATOR,
    res::IDS_PROGRAM_COMPARATOR_VALUE,
    res::IDS_PROGRAM_RULE_OPERAND_1,
    res::IDS_PROGRAM_RULE_OPERATOR_1,
    res::IDS_PROGRAM_RULE_OPERAND_2,
    res::IDS_PROGRAM_RULE_OPERATOR_2,
    res::IDS_PROGRAM_RULE_OPERAND_3,
    res::IDS_PROGRAM_START_EVENT,
    res::IDS_PROGRAM_STOP_EVENT,
};

// The English string `id`, as the English library holds it.
const char* englishString(unsigned id)
{
    const auto found =
        std::lower_bound(kResourceStrings.begin(), kResourceStrings.end(), id,
                         [](const ResourceString& s, unsigned key) { return s.id < key; });
    return found != kResourceStrings.end() && found->id == id ? found->text : "";
}

// A language name as the host spells them ("german"): letters only, so that a
// name from a drive or a file never leads to another folder.
bool plainWord(const std::string& language)
{
    return !language.empty() && std::all_of(language.begin(), language.end(), [](char c) {
        return std::isalpha(static_cast<unsigned char>(c));
    });
}

char decimalPointOf(const std::string& language)
{
    try {
        return std::use_facet<std::numpunct<char>>(fw::namedLocale(language)).decimal_point();
    } catch (const std::runtime_error&) {
        return '.';
    }
}

// A whole number of decimal digits ("1301", "07"), as identifiers name
// parameters and elements.
bool readDigits(std::string_view text, unsigned long& number)
{
    const char* end = text.data() + text.size();
    return !text.empty() && std::isdigit(static_cast<unsigned char>(text.front())) &&
           std::from_chars(text.data(), end, number).ptr == end;
}

// A program parameter as describe() tells its values: what the drive says it
// is, with its choices by value.
struct Told
{
    ParameterDescription parameter;
    std::unordered_map<std::string, std::string> choices; // the texts the editor shows
    unsigned decimals = 0;

    explicit Told(ParameterDescription description) : parameter(std::move(description))
    {
        for (const std::string& choice : parameter.choices) {
            std::vector<std::string> pieces = choicePieces(choice);
            if (!pieces.empty())
                choices.emplace(std::move(pieces[0]), pieces.size() > 1 ? pieces[1] : "");
        }
        decimals = static_cast<unsigned>(fw::readULong(parameter.decimals));
    }

    // `value` as the printed program shows it: a choice's text in quotes, a
    // number with the parameter's decimals (or its own, when it has more) and
    // its unit; a number that is none as it is.
    std::string text(const std::string& value, const ProgramWords& words) const
    {
        if (!parameter.choices.empty()) {
            const auto choice = choices.find(value);
            if (choice == choices.end())
                return words.text(res::IDS_PROGRAM_CHOICE_VALUE, {value});
            std::string quoted(1, '"');
            quoted.append(choice->second).push_back('"');
            return quoted;
        }
        double number = 0;
        if (!fw::readWholeDecimal(value, number))
            return value;
        const size_t point = value.find('.');
        const unsigned given =
            point == std::string::npos ? 0 : static_cast<unsigned>(value.size() - point - 1);
        const std::string unit = parameter.shownUnit();
        return words.number(number, std::max(decimals, given)) + (unit.empty() ? "" : " " + unit);
    }
};

} // namespace

ProgramWords::ProgramWords(const std::string& language)
{
    if (!plainWord(language))
        return;
    m_decimalPoint = decimalPointOf(language);
    if (strcasecmp(language.c_str(), "english") == 0)
        return;
    m_library = fw::loadLibrary(fw::executableDirectory() + "NEBPT_" + language + ".so");
    m_string =
        reinterpret_cast<StringFunction>(fw::librarySymbol(m_library, "nebpt_resource_string"));
}

ProgramWords::~ProgramWords()
{
    fw::freeLibrary(m_library);
}

std::string ProgramWords::text(unsigned id, std::initializer_list<std::string_view> arguments) const
{
    const char* translated = m_string ? m_string(id) : nullptr;
    const std::string_view pattern = translated ? translated : englishString(id);
    std::string text;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const size_t n = i + 1 < pattern.size() ? size_t(pattern[i + 1] - '1') : arguments.size();
        if (pattern[i] == '%' && n < arguments.size()) {
            text += arguments.begin()[n];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

std::string ProgramWords::label(std::size_t role, unsigned long element) const
{
    return named(kRoleLabels.at(role), element);
}

std::string ProgramWords::named(unsigned id, unsigned long index) const
{
    return text(id, {fw::format("%lu", index)});
}

std::string ProgramWords::number(double value, unsigned decimals) const
{
    std::string text = fw::format("%.*f", static_cast<int>(decimals), value);
    std::replace(text.begin(), text.end(), '.', m_decimalPoint);
    return text;
}

std::vector<ProgramEntry> ProgramWorkflow::describe(IExtParamInterface& drive,
                                                    const std::vector<std::string>& identifiers,
                                                    const std::vector<std::string>& values)
{
    const ProgramWords words(drive.GetLanguage());
    // The program parameters by number; none for a drive the configuration lacks.
    std::map<unsigned long, size_t> roles;
    const Impl::Known& known = m_impl->lookUp(identityOf(drive));
    if (known.found && known.numbers.size() == kProgramRoles) {
        for (size_t role = 0; role < kProgramRoles; ++role)
            roles.emplace(fw::readULong(known.numbers[role]), role);
    }
    const int base = roles.empty() ? 0 : drive.GetIndexBase();
    // Asked once each; null for a parameter the drive lacks.
    std::map<size_t, std::optional<Told>> told;
    const auto parameter = [&](size_t role) -> const Told* {
        const auto [found, added] = told.try_emplace(role);
        if (added) {
            try {
                found->second.emplace(m_impl->describe(drive, role, known.numbers[role]));
            } catch (const ProgramError&) {
            }
        }
        return found->second ? &*found->second : nullptr;
    };

    std::vector<ProgramEntry> entries;
    entries.reserve(identifiers.size());
    for (size_t i = 0; i < identifiers.size(); ++i) {
        ProgramEntry entry;
        entry.identifier = identifiers[i];
        entry.value = i < values.size() ? values[i] : std::string();
        const std::string_view identifier(entry.identifier);
        const size_t dot = identifier.find('.');
        const bool indexed = dot != std::string_view::npos;
        const std::string_view numberText = identifier.substr(0, dot);
        const std::string_view indexText = indexed ? identifier.substr(dot + 1) : "";
        unsigned long number = 0, index = 0;
        const bool readable =
            readDigits(numberText, number) && (!indexed || readDigits(indexText, index));
        const auto role = readable ? roles.find(number) : roles.end();
        const Told* program = role != roles.end() ? parameter(role->second) : nullptr;
        const unsigned long count = program ? program->parameter.count : 0;
        if (program && indexed == (count > 0) &&
            (!indexed || (index >= static_cast<unsigned long>(base) && index - base < count))) {
            entry.label = words.label(role->second, indexed ? index - base : 0);
            entry.text = program->text(entry.value, words);
        } else {
            entry.label =
                indexed ? words.text(res::IDS_PROGRAM_PARAMETER_ELEMENT, {numberText, indexText})
                        : words.text(res::IDS_PROGRAM_PARAMETER, {numberText});
            entry.text = entry.value;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace NEBPT
