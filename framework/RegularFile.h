#pragma once

#include <cstddef>
#include <string>

namespace fw {

// Opens `path` for reading without ever blocking on it: a FIFO, a device, a
// folder or anything else that is not a regular file is refused. Answers the
// descriptor (the caller closes it) or -1; then `error` holds a one-line reason
// without the path, and `missing` tells whether the file simply does not exist.
int openRegularFile(const std::string& path, std::string& error, bool* missing = nullptr);

// Reads a whole regular file of at most `limit` bytes into `content`. False with
// a one-line reason (without the path) when it cannot be opened or read, is not
// a regular file, or is larger than `limit` (the reason names the limit).
bool readRegularFile(const std::string& path, size_t limit, std::string& content,
                     std::string& error);

// "4 MiB", "512 KiB", "100 bytes": a size limit as a user reads it.
std::string sizeText(size_t bytes);

} // namespace fw
