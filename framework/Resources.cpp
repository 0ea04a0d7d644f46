#include "Resources.h"

namespace fw {

namespace {

LibraryHandle& current()
{
    static LibraryHandle library = nullptr;
    return library;
}

} // namespace

LibraryHandle currentResourceLibrary()
{
    return current();
}

LibraryHandle setCurrentResourceLibrary(LibraryHandle library)
{
    LibraryHandle previous = current();
    current() = library;
    return previous;
}

std::string loadString(unsigned id)
{
    using StringFunction = const char* (*)(unsigned);
    auto function =
        reinterpret_cast<StringFunction>(librarySymbol(current(), "nebpt_resource_string"));
    if (!function)
        return {};
    const char* text = function(id);
    return text ? std::string(text) : std::string();
}

} // namespace fw
