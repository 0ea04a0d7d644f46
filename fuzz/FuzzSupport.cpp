#include "FuzzSupport.h"

#include "framework/MessageBox.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace fuzzsupport {

Sandbox::Sandbox()
{
    // Answered at once, so that a run never waits for anyone.
    fw::setMessageBoxHandler([this](const std::string& text, const std::string&, unsigned) {
        m_boxes.push_back(text);
        return fw::IDOK;
    });
}

std::vector<std::string> Sandbox::takeBoxes()
{
    return std::exchange(m_boxes, {});
}

std::vector<std::string> Sandbox::takeLog()
{
    const std::string path = folder.path() + "Torvane Drives/nebpt.log";
    std::vector<std::string> messages;
    for (const std::string& line : testsupport::readLogLines(path)) {
        // "dd.mm.yyyy hh:mm:ss <line> <file> <message>"
        size_t at = 0;
        for (int field = 0; field < 4 && at != std::string::npos; ++field)
            at = line.find(' ', at + (field > 0 ? 1 : 0));
        messages.push_back(at == std::string::npos ? line : line.substr(at + 1));
    }
    std::remove(path.c_str());
    return messages;
}

Sandbox& sandbox()
{
    static Sandbox instance;
    return instance;
}

std::vector<std::string> lines(const std::string& input)
{
    std::vector<std::string> result;
    size_t start = 0;
    for (;;) {
        const size_t end = input.find('\n', start);
        result.push_back(input.substr(start, end - start));
        if (end == std::string::npos)
            return result;
        start = end + 1;
    }
}

void check(bool condition, const std::string& what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

} // namespace fuzzsupport
