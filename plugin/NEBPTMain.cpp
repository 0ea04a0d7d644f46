#include "NEBPTMain.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "framework/Format.h"
#include "framework/Resources.h"
#include "framework/SystemPaths.h"
#include "framework/widgets/Messages.h"

#include <exception>
#include <memory>
#include <string>

namespace {

constexpr const char* kFallbackLanguage = "english";

fw::LibraryHandle loadLanguage(const std::string& directory, const std::string& language)
{
    return fw::loadLibrary(fw::format("%sNEBPT_%s.so", directory.c_str(), language.c_str()));
}

// A waiting update has no caller to answer: the log tells of its failure.
void logUpdateFailure(const std::string& reason)
{
    [[maybe_unused]] const CCustomException logged =
        NEB_TEXT_EXCEPTION("The flow could not be updated: " + reason);
}

} // namespace

CNEBPTMain::CNEBPTMain(CFormView& view, IExtParamInterface* host)
    : m_dispatcher(host), m_view(&view), m_runner(m_dispatcher)
{
    loadResourceLibrary();
}

CNEBPTMain::CNEBPTMain(CFormView& view) : m_view(&view), m_runner(m_dispatcher) {}

CNEBPTMain::~CNEBPTMain()
{
    // The flow's windows were built from the library's templates: they go first.
    m_runner.destroyWindows();
    if (m_resourceLibrary) {
        if (fw::currentResourceLibrary() == m_resourceLibrary)
            fw::setCurrentResourceLibrary(m_previousResourceLibrary);
        fw::freeLibrary(m_resourceLibrary);
        m_resourceLibrary = nullptr;
    }
}

void CNEBPTMain::loadResourceLibrary()
{
    // A host that cannot tell its language fails the construction: the host hears
    // of it as it hears of a missing interface.
    std::string language;
    m_dispatcher.getSettingsManager().getDataManager().getActiveLanguage(language);

    const std::string directory = fw::executableDirectory();
    if (!language.empty())
        m_resourceLibrary = loadLanguage(directory, language);
    if (!m_resourceLibrary)
        m_resourceLibrary = loadLanguage(directory, kFallbackLanguage);
    if (m_resourceLibrary)
        m_previousResourceLibrary = fw::setCurrentResourceLibrary(m_resourceLibrary);
}

int CNEBPTMain::Initialize(IExtParamInterface*)
{
    return 0;
}

void CNEBPTMain::openRunner()
{
    m_dispatcher.init();
    m_runner.openNEBPT(*m_view);
}

bool CNEBPTMain::Open()
{
    try {
        openRunner();
    } catch (const CCustomException&) {
        // Logged when it was made; the editor counts as opened all the same, so
        // that a later UpdateFlow takes the update path.
    } catch (...) {
        return false;
    }
    m_opened = true;
    return true;
}

bool CNEBPTMain::UpdateFlow()
{
    if (!fw::isModalOpen())
        return update();
    // An editor dialog, a question or a menu of the editor is open and works on
    // the program and the windows that the update replaces: it runs once that
    // has closed. This call has not updated anything, and says so.
    if (!m_updateWaiting) {
        m_updateWaiting = true;
        fw::whenNoModalIsOpen(&m_runner.getWorkFlow(), [this] {
            m_updateWaiting = false;
            update(true);
        });
    }
    return false;
}

bool CNEBPTMain::update(bool logAll)
{
    try {
        if (!m_opened) {
            openRunner();
            m_opened = true;
        } else {
            m_runner.updateFlow();
        }
        return true;
    } catch (const CCustomException&) {
        // Logged when it was made; nothing reaches the host.
    } catch (const std::exception& error) {
        if (logAll)
            logUpdateFailure(error.what());
    } catch (...) {
        if (logAll)
            logUpdateFailure("unknown failure");
    }
    return false;
}

bool CNEBPTMain::Close()
{
    m_dispatcher.close();
    m_runner.closeNEBPT();
    return true;
}

void CNEBPTMain::GetNEBPTRect(RECT* rect)
{
    m_runner.GetWindowRect(rect);
}

void CNEBPTMain::ShowLiveState(const NEBPT::FlowLiveState& state)
{
    m_runner.showLiveState(state);
}

bool CNEBPTMain::SelectPair(int pair)
{
    return m_runner.selectPair(pair);
}

bool CNEBPTMain::isDriveSupported(const std::string& driveName, const std::string& aocVersion,
                                  const std::string& dbVersion)
{
    try {
        auto configuration = std::make_unique<CNEBConfiguration>();
        configuration->init(driveName, aocVersion, dbVersion);
        return true;
    } catch (...) {
        return false;
    }
}

double CNEBPTMain::getInterfaceVersion()
{
    return 1.2;
}
