#include "NEBPTMain.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "framework/Format.h"
#include "framework/Resources.h"
#include "framework/SystemPaths.h"
#include "framework/widgets/Messages.h"

#include <memory>
#include <utility>

namespace {

constexpr const char* kFallbackLanguage = "english";

fw::LibraryHandle loadLanguage(const std::string& directory, const std::string& language)
{
    return fw::loadLibrary(fw::format("%sNEBPT_%s.so", directory.c_str(), language.c_str()));
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
    // An update that waited and failed is told with this answer.
    const bool waitedAndFailed = std::exchange(m_waitingUpdateFailed, false);
    if (fw::isModalOpen()) {
        // An editor dialog, a question or a menu of the editor is open and works on
        // the program and the windows that the update replaces: it runs once that
        // has closed.
        if (!m_updateWaiting) {
            m_updateWaiting = true;
            fw::whenNoModalIsOpen(&m_runner.getWorkFlow(), [this] {
                m_updateWaiting = false;
                if (!update())
                    m_waitingUpdateFailed = true;
            });
        }
        return !waitedAndFailed;
    }
    return update() && !waitedAndFailed;
}

bool CNEBPTMain::update()
{
    try {
        if (!m_opened) {
            openRunner();
            m_opened = true;
        } else {
            m_runner.updateFlow();
        }
        return true;
    } catch (...) {
        // A CCustomException was logged when it was made; nothing reaches the host.
        return false;
    }
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
