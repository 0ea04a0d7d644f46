#pragma once

#include "framework/MessageBox.h"
#include "framework/SystemPaths.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// A fresh folder for one test, removed with everything in it afterwards.
class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Full path ending with '/'.
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + name; }

    void writeText(const std::string& name, const std::string& text) const;
    void writeGzip(const std::string& name, const std::string& text) const;
    std::string readText(const std::string& name) const { return readFile(file(name)); }
    // The whole file; empty when it is missing.
    static std::string readFile(const std::string& path);

private:
    std::string m_path;
};

// Points TMPDIR at a scratch folder for the lifetime of the guard.
class TempFolderGuard
{
public:
    explicit TempFolderGuard(const std::string& folder);
    ~TempFolderGuard();

private:
    std::optional<std::string> m_previous; // none: TMPDIR was unset
};

// Makes the framework believe the executable lies in `folder` for the lifetime of the guard.
class ExecutableFolderGuard
{
public:
    explicit ExecutableFolderGuard(const std::string& folder)
    {
        fw::overrideExecutableDirectory(folder);
    }
    ~ExecutableFolderGuard() { fw::overrideExecutableDirectory({}); }
};

// Answers every message box with a fixed button and records what was shown.
class MessageBoxRecorder
{
public:
    struct Shown
    {
        std::string text;
        unsigned type;
    };

    explicit MessageBoxRecorder(int answer = fw::IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void setAnswer(int answer) { m_answer = answer; }
    // Answers a message box whose text contains `part` with `answer` instead
    // (the answer given last for a text wins).
    void answer(const std::string& part, int answer) { m_answers.emplace_back(part, answer); }
    const std::vector<Shown>& shown() const { return m_shown; }

private:
    int m_answer;
    std::vector<std::pair<std::string, int>> m_answers;
    std::vector<Shown> m_shown;
    fw::MessageBoxHandler m_previous;
};

// The lines of a text file, split at "\r\n"; empty when the file is missing.
std::vector<std::string> readLogLines(const std::string& path);

} // namespace testsupport
