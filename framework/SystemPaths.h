#pragma once

#include <string>

namespace fw {

// The user's temporary folder: $TMPDIR, else /tmp; always ends with '/'.
std::string tempFolder();

// Directory of the running executable (/proc/self/exe), ending with '/'.
// Tests may point it elsewhere with overrideExecutableDirectory.
std::string executableDirectory();

// Makes executableDirectory() answer `directory` (a '/' is added when missing);
// an empty text restores the real directory.
void overrideExecutableDirectory(const std::string& directory);

bool directoryExists(const std::string& path);

// Creates one directory level; true when it exists afterwards.
bool makeDirectory(const std::string& path);

} // namespace fw
