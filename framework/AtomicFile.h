#pragma once

#include <string>
#include <utility>
#include <vector>

namespace fw {

// A file written whole or not at all: every file NEBPT writes (drive images,
// program files, documents, pictures) goes through here.
//
// The new content goes into a temporary file beside the target,
// ".<name>.nebpt-XXXXXX", which takes the existing target's owner and mode (a
// new file gets 0666 less the umask). commit() flushes it to disk, renames it
// over the target and flushes the folder, so that the target is always either
// the old file or the whole new one. Anything that fails (a full disk, a failed
// fsync, a target that is not a regular file) is an error; the temporary is
// removed and the target left as it was. A symbolic link as target is followed:
// the file it points to is replaced, the link stays.
//
// Errors are one line without the path ("no space left on device").
class AtomicFile
{
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile(); // removes the temporary unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary; false with `error`.
    bool open(std::string& error);
    // The temporary's descriptor (a caller may lock it); -1 when not open.
    int handle() const { return m_fd; }
    bool write(const void* data, size_t size, std::string& error);
    // Flushes, renames over the target and flushes the folder; false with `error`
    // (the temporary is then removed).
    bool commit(std::string& error);
    // The file that is replaced: the target with symbolic links resolved.
    const std::string& resolvedTarget() const { return m_resolved; }

private:
    void discard();

    std::string m_target, m_resolved, m_temporary;
    int m_fd = -1;
};

// Writes `bytes` to `path` through an AtomicFile; false with `error` ("<path>: <why>").
bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error);

// Removes the temporaries a killed write left beside `target` (".<name>.nebpt-XXXXXX",
// regular files only). Only a writer that holds the target's lock may call this.
// Answers how many went.
int removeStaleTemporaries(const std::string& target);

// Why `output` must not be written, or empty when it may: it is one of the
// `inputs` (role, path), compared by device and inode after following links, or
// it exists and is not a regular file. The reason names the output:
// "out.json is the drive image", "out.pdf is not a regular file (a FIFO)".
std::string outputConflict(const std::string& output,
                           const std::vector<std::pair<std::string, std::string>>& inputs);

// strerror(errno) as a user reads it in a sentence: "no space left on device".
std::string errnoText(int error);

} // namespace fw
