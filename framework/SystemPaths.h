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

// A folder only this user may enter: created with mode 0700, or an existing
// folder of this user (not a symbolic link) made 0700. False for anything else
// (a folder of another user, a link, a file), which the caller must not use.
bool makePrivateDirectory(const std::string& path);

} // namespace fw
