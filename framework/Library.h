#pragma once

#include <string>

namespace fw {

using LibraryHandle = void*;

// Loads a shared library by its full file name; null when it cannot be loaded.
// The name is matched without regard to case when no file has it exactly.
LibraryHandle loadLibrary(const std::string& fileName);
void freeLibrary(LibraryHandle library);
void* librarySymbol(LibraryHandle library, const char* name);

} // namespace fw
