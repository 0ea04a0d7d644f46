#include "External_Data_Manager/ExternalDataManager.h"

#include "framework/Format.h"
#include "framework/SystemPaths.h"

#include <cstdio>
#include <ctime>

CCustomException::CCustomException(int category, int line, const std::string& file, int code)
    : m_category(category), m_line(line), m_file(file), m_code(code), m_logPath(makeLogPath())
{
    appendLogLine(fw::format("%i %s %i", m_line, m_file.c_str(), m_code));
}

CCustomException::CCustomException(int line, const std::string& file, const std::string& text)
    : m_category(5), m_line(line), m_file(file), m_code(0), m_text(text), m_logPath(makeLogPath())
{
    appendLogLine(fw::format("%i %s %s", m_line, m_file.c_str(), m_text.c_str()));
}

CCustomException::CCustomException(const CCustomException& other) = default;
CCustomException& CCustomException::operator=(const CCustomException& other) = default;
CCustomException::~CCustomException() = default;

std::string CCustomException::makeLogPath()
{
    const std::string folder = fw::format("%sTorvane Drives", fw::tempFolder().c_str());
    if (!fw::directoryExists(folder) && !fw::makeDirectory(folder))
        return {};
    return folder + "/nebpt.log";
}

void CCustomException::appendLogLine(const std::string& message) const
{
    if (m_logPath.empty())
        return;
    try {
        std::FILE* file = std::fopen(m_logPath.c_str(), "ab");
        if (!file)
            return;
        char timeText[64] = "";
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        if (now != std::time_t(-1) && localtime_r(&now, &local))
            std::strftime(timeText, sizeof timeText, "%d.%m.%Y %H:%M:%S", &local);
        const std::string line = fw::format("%s %s\r\n", timeText, message.c_str());
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    } catch (...) {
        // The failure being reported goes on unlogged.
    }
}
