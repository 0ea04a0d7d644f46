#include "Format.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>
#include <vector>

namespace fw {

namespace {

// Switches the calling thread to the "C" locale for the lifetime of the guard.
class CLocaleGuard
{
public:
    CLocaleGuard()
    {
        static locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        if (cLocale)
            m_previous = uselocale(cLocale);
    }
    ~CLocaleGuard()
    {
        if (m_previous)
            uselocale(m_previous);
    }
    CLocaleGuard(const CLocaleGuard&) = delete;
    CLocaleGuard& operator=(const CLocaleGuard&) = delete;

private:
    locale_t m_previous = locale_t(nullptr);
};

} // namespace

std::string format(const char* fmt, ...)
{
    CLocaleGuard cLocale;
    char small[256];
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, fmt, args);
    va_end(args);
    if (needed < 0) {
        va_end(copy);
        return {};
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        va_end(copy);
        return std::string(small, static_cast<size_t>(needed));
    }
    std::vector<char> big(static_cast<size_t>(needed) + 1);
    std::vsnprintf(big.data(), big.size(), fmt, copy);
    va_end(copy);
    return std::string(big.data(), static_cast<size_t>(needed));
}

} // namespace fw
