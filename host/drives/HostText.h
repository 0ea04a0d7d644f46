#pragma once

#include <QCoreApplication>
#include <QString>

#include <string>
#include <type_traits>

// What the host's drives and its workflow tell a user (what() of their errors,
// refusals, link failures, write outcomes) is composed through Qt's
// translation: an English format with %1, %2, ... is translated in the context
// of its class (a file's `struct Text { Q_DECLARE_TR_FUNCTIONS(<class>) };`,
// called as Text::tr), then filled with the values:
//
//   hosttext::fill(Text::tr("no parameter %1"), numberText)
//
// The translator the process installed decides the language: the window
// installs the German one when it runs in German (the texts are in the
// window's translation, host/app/translations); the command-line commands
// install none, so what they print is the English format as written here.
// QCoreApplication::translate is thread-safe: a worker composes its texts as
// the window's thread does. A text is composed when it is told; one kept (a
// link failure) stays in the language of that moment.
namespace hosttext {

inline std::string valueText(const std::string& text)
{
    return text;
}

inline std::string valueText(const char* text)
{
    return text;
}

template <typename Number,
          std::enable_if_t<std::is_integral_v<Number> && !std::is_same_v<Number, bool> &&
                               !std::is_same_v<Number, char>,
                           int> = 0>
std::string valueText(Number number)
{
    return std::to_string(number);
}

// The translated format with %1 to %9 replaced by the values, in one pass. The
// values go in as they are, byte for byte: a value holding "%2", or a file
// name that is no UTF-8, reaches the user unchanged. A placeholder without a
// value stays.
template <typename... Values> std::string fill(const QString& format, const Values&... given)
{
    const std::string values[] = {std::string(), valueText(given)...};
    const std::string text = format.toStdString();
    std::string filled;
    filled.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        const size_t n = static_cast<size_t>(next - '0');
        if (text[i] == '%' && next >= '1' && next <= '9' && n <= sizeof...(Values)) {
            filled += values[n];
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

} // namespace hosttext
