#include "support/ScratchFolder.h"

#include "framework/SystemPaths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <zlib.h>

namespace testsupport {

ScratchFolder::ScratchFolder()
{
    std::string pattern = fw::tempFolder() + "nebpt-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create scratch folder " + pattern);
    m_path = pattern + "/";
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

void ScratchFolder::writeText(const std::string& name, const std::string& text) const
{
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + file(name));
}

void ScratchFolder::writeGzip(const std::string& name, const std::string& text) const
{
    gzFile out = gzopen(file(name).c_str(), "wb9");
    if (!out)
        throw std::runtime_error("cannot write " + file(name));
    gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
    gzclose(out);
}

std::string ScratchFolder::readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TempFolderGuard::TempFolderGuard(const std::string& folder)
{
    if (const char* previous = std::getenv("TMPDIR"))
        m_previous = previous;
    setenv("TMPDIR", folder.c_str(), 1);
}

TempFolderGuard::~TempFolderGuard()
{
    m_previous ? setenv("TMPDIR", m_previous->c_str(), 1) : unsetenv("TMPDIR");
}

MessageBoxRecorder::MessageBoxRecorder(int answer) : m_answer(answer)
{
    m_previous = fw::setMessageBoxHandler(
        [this](const std::string& text, const std::string&, unsigned type) {
            m_shown.push_back({text, type});
            // The answer given last for a text wins.
            for (auto given = m_answers.rbegin(); given != m_answers.rend(); ++given)
                if (text.find(given->first) != std::string::npos)
                    return given->second;
            return m_answer;
        });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    fw::setMessageBoxHandler(m_previous);
}

std::vector<std::string> readLogLines(const std::string& path)
{
    const std::string all = ScratchFolder::readFile(path);
    std::vector<std::string> lines;
    for (size_t start = 0, end = 0; start < all.size(); start = end + 2) {
        end = std::min(all.find("\r\n", start), all.size());
        lines.push_back(all.substr(start, end - start));
    }
    return lines;
}

} // namespace testsupport
