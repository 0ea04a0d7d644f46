#include "Library.h"

#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>

namespace fw {

namespace {

// The file in the same folder whose name differs from `fileName`'s only in case;
// empty when there is none.
std::string sameNameInOtherCase(const std::string& fileName)
{
    const size_t slash = fileName.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    DIR* directory = opendir(folder.c_str());
    if (!directory)
        return {};
    std::string found;
    while (const dirent* entry = readdir(directory)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = (slash == std::string::npos ? std::string() : folder) + entry->d_name;
            break;
        }
    }
    closedir(directory);
    return found;
}

} // namespace

LibraryHandle loadLibrary(const std::string& fileName)
{
    if (LibraryHandle library = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL))
        return library;
    // Library names are matched without regard to case, as the host's platform does.
    const std::string other = sameNameInOtherCase(fileName);
    return other.empty() ? nullptr : dlopen(other.c_str(), RTLD_NOW | RTLD_LOCAL);
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
