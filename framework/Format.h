#pragma once

#include <string>

namespace fw {

// printf-style formatting into a std::string. Numbers are always written in the
// "C" number format, whatever locale the process has set (Qt sets the user's).
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace fw
