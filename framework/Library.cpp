#include "Library.h"

#include <dlfcn.h>

namespace fw {

LibraryHandle loadLibrary(const std::string& fileName)
{
    return dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void freeLibrary(LibraryHandle library)
{
    if (library)
        dlclose(library);
}

void* librarySymbol(LibraryHandle library, const char* name)
{
    return library ? dlsym(library, name) : nullptr;
}

} // namespace fw
