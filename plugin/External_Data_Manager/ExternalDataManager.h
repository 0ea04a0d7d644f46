#pragma once

#include "NEBPTExport.h"

#include <string>
#include <vector>

// The plug-in's failure: thrown by value; making one appends a line to the log
// file "<temporary folder>Torvane Drives/nebpt.log", copying one does not.
class NEBPT_EXPORT CCustomException
{
public:
    // Numbered form: logs "<line> <file> <code>".
    CCustomException(int category, int line, const std::string& file, int code);
    // Text form (category 5): logs "<line> <file> <text>".
    CCustomException(int line, const std::string& file, const std::string& text);
    CCustomException(const CCustomException& other);
    CCustomException& operator=(const CCustomException& other);
    virtual ~CCustomException();

    int getCategory() const { return m_category; }
    int getLine() const { return m_line; }
    const std::string& getFile() const { return m_file; }
    int getCode() const { return m_code; }
    const std::string& getText() const { return m_text; }
    // Full path of the log file; empty when the log folder could not be made.
    const std::string& getLogPath() const { return m_logPath; }

    // Works out the log path, creating the log folder when it is missing; empty
    // when the folder cannot be used (a link, another user's, not to be made).
    static std::string makeLogPath();
    // The log folder, whether it can be used or not.
    static std::string logFolder();

private:
    void appendLogLine(const std::string& message) const;

    int m_category;
    int m_line;
    std::string m_file;
    int m_code;
    std::string m_text;
    std::string m_logPath;
};

// Throw sites name their own source position; the build records __FILE__
// relative to the plug-in's source folder (e.g. "Settings_Stock/CNEBParameter.cpp").
#define NEB_EXCEPTION(category, code) CCustomException((category), __LINE__, __FILE__, (code))
#define NEB_TEXT_EXCEPTION(text) CCustomException(__LINE__, __FILE__, (text))

class IExtParamInterface;
class CNEBParameter;
class CNEB_Choicelist;
class CNEBChangeBunch;

// The only place where parameter values cross between the plug-in and the host.
// Builds the host's identifier texts, calls the host, and turns every host
// failure into CCustomException (category 1, code 1).
class CExternalDataManager
{
public:
    static constexpr const char* kSetupName = "Setup 1";

    // Without an interface: operations that need the host fail.
    CExternalDataManager();
    // Reads the index base; a null interface or a negative base throws.
    explicit CExternalDataManager(IExtParamInterface* host);
    CExternalDataManager(const CExternalDataManager&) = default;
    CExternalDataManager& operator=(const CExternalDataManager&) = default;
    virtual ~CExternalDataManager();

    void checkInterface() const;
    long getElementCount(CNEBParameter& parameter);
    void readParameter(CNEBParameter& parameter);
    void getParameterAttributes(CNEBParameter parameter, std::string& minimum, std::string& maximum,
                                std::string& unit, std::string& decimals);
    void getParameterName(std::string number, std::string& name);
    void registerParameters(std::vector<std::string> numbers);
    void readChoicelist(CNEBParameter& parameter, CNEB_Choicelist& list);
    void writeChangeBunch(CNEBChangeBunch& bunch);
    void getActiveLanguage(std::string& language);

    int getIndexBase() const { return m_indexBase; }
    IExtParamInterface* getInterface() const { return m_pInterface; }

private:
    IExtParamInterface* m_pInterface = nullptr;
    int m_indexBase = 0;
};
