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
// new file gets 0666 less the umask) and is locked (flock) while it is written.
// commit() flushes it to disk, renames it over the target and flushes the
// folder, so that the target is always either the old file or the whole new
// one. Anything that fails (a full disk, a failed fsync, a target that is not a
// regular file) is an error; the temporary is removed and the target left as it
// was. A symbolic link as target is followed: the file it points to is
// replaced, the link stays.
//
// Errors are one line without the path ("no space left on device").
class AtomicFile
{
public:
    enum class Target
    {
        // A file whose lock the caller holds (a drive image it has open): links
        // are followed to the file they name.
        LockedByCaller,
        // A file a user names to be written: refused for the reasons
        // outputConflict() gives (but the inputs), written under the target's
        // lock (the one a drive takes on its image), and the temporaries a killed
        // write left beside it are removed first.
        Output,
    };

    explicit AtomicFile(std::string target, Target kind = Target::LockedByCaller);
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
    bool openTarget(std::string& error);
    void discard();

    std::string m_target, m_resolved, m_temporary;
    Target m_kind;
    int m_fd = -1;
    int m_targetLock = -1; // an output's own descriptor, holding its lock
};

// Writes `bytes` to the output `path` through an AtomicFile (Target::Output);
// false with `error` ("<path>: <why>").
bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error);

// Removes the temporaries a killed write left beside `target` (".<name>.nebpt-XXXXXX",
// regular files that no writer holds locked). Answers how many went.
int removeStaleTemporaries(const std::string& target);

// Why `output` must not be written, or empty when it may. The links on its way
// are followed as the kernel follows them for this user with its rule for
// shared folders applied, whatever the system's setting: a link in a sticky
// folder that all may write to is followed only when it belongs to the user or
// to the folder's owner. Refused are an output that
// - is a link of another user, or leads to one (its final component),
// - goes through such a link in a shared folder,
// - is a link to nothing, or a link loop,
// - is one of the `inputs` (role, path), compared by device and inode,
// - exists and is not a regular file, or is write-protected (no write bit in its
//   mode, for root too, or not writable by the user),
// - is locked: a window or the simulator holds it as its drive image.
// The reason is one line naming the output: "out.json is the drive image",
// "out.pdf is write-protected (mode 0444)".
std::string outputConflict(const std::string& output,
                           const std::vector<std::pair<std::string, std::string>>& inputs);

// strerror(errno) as a user reads it in a sentence: "no space left on device".
std::string errnoText(int error);

} // namespace fw
