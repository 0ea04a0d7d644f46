#include "NumberLocale.h"

#include <QLocale>
#include <QString>

#include <stdexcept>

namespace fw {

namespace {

class QtNumberPunctuation : public std::numpunct<char>
{
public:
    QtNumberPunctuation(char decimalPoint, char thousandsSeparator, std::string grouping)
        : m_decimalPoint(decimalPoint), m_thousandsSeparator(thousandsSeparator),
          m_grouping(std::move(grouping))
    {}

protected:
    char do_decimal_point() const override { return m_decimalPoint; }
    char do_thousands_sep() const override { return m_thousandsSeparator; }
    std::string do_grouping() const override { return m_grouping; }

private:
    char m_decimalPoint;
    char m_thousandsSeparator;
    std::string m_grouping;
};

bool findLanguage(const QString& name, QLocale::Language& language)
{
    static const struct
    {
        const char* name;
        QLocale::Language language;
    } aliases[] = {
        {"norwegian", QLocale::NorwegianBokmal},
        {"chinese", QLocale::Chinese},
    };
    for (const auto& alias : aliases) {
        if (name.compare(QLatin1String(alias.name), Qt::CaseInsensitive) == 0) {
            language = alias.language;
            return true;
        }
    }
    for (int value = QLocale::AnyLanguage + 1; value <= QLocale::LastLanguage; ++value) {
        const auto candidate = static_cast<QLocale::Language>(value);
        if (QLocale::languageToString(candidate).compare(name, Qt::CaseInsensitive) == 0) {
            language = candidate;
            return true;
        }
    }
    return false;
}

char singleChar(const QString& text, char fallback)
{
    if (text.size() == 1 && text.at(0).unicode() < 0x80)
        return static_cast<char>(text.at(0).unicode());
    return fallback;
}

// The digit grouping as std::numpunct spells it: group sizes from the right,
// read off the way the locale writes a long number.
std::string groupingOf(const QLocale& locale, const QString& separator)
{
    if (separator.isEmpty())
        return {};
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    const QString text = grouped.toString(qlonglong(1234567890123LL));
    std::string grouping;
    int digits = 0;
    for (qsizetype i = text.size(); i-- > 0;) {
        if (text.at(i).isDigit()) {
            ++digits;
        } else if (digits > 0) {
            grouping.push_back(static_cast<char>(digits));
            digits = 0;
        }
    }
    // The last group repeats: drop trailing repetitions of the same size.
    while (grouping.size() > 1 && grouping[grouping.size() - 1] == grouping[grouping.size() - 2])
        grouping.pop_back();
    return grouping;
}

} // namespace

std::locale namedLocale(const std::string& languageName)
{
    QLocale::Language language = QLocale::AnyLanguage;
    const QString name = QString::fromStdString(languageName).trimmed();
    if (name.isEmpty() || !findLanguage(name, language))
        throw std::runtime_error("no number locale named \"" + languageName + "\"");

    const QLocale locale(language);
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    const char decimalPoint = singleChar(decimal, '.');
    char separator = singleChar(group, ' ');
    if (separator == decimalPoint)
        separator = decimalPoint == ',' ? '.' : ',';
    return std::locale(std::locale::classic(),
                       new QtNumberPunctuation(decimalPoint, separator, groupingOf(locale, group)));
}

} // namespace fw
