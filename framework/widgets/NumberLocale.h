#pragma once

#include <locale>
#include <string>

namespace fw {

// A number locale named by a language name as the host spells it ("english",
// "german", "french", ... case-insensitive; Qt's English language names, with
// "norwegian" for Norwegian Bokmal). Its std::numpunct<char> facet (decimal
// point, thousands separator, digit grouping) comes from Qt's locale data for
// the language in its main territory; every other facet is the "C" locale's.
// A separator that is not a single ASCII character (e.g. the narrow no-break
// space of French) becomes a plain space.
//
// Throws std::runtime_error for a name that names no language, as the
// std::locale name constructor does, so that callers can fall back to "english".
std::locale namedLocale(const std::string& languageName);

} // namespace fw
