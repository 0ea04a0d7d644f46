#pragma once

#include "DLGManager.h"
#include "Dialogs/WorkFlow.h"
#include "FlowState.h"
#include "FormView.h"
#include "NEBPTExport.h"
#include "NEBPTRect.h"

class CEventDispacher;

// Runs the editor inside the host's view: owns the command layer and, built on
// it, the flow view. Members are destroyed in reverse order, so the flow view
// (and with it every element window) goes before the command layer it refers to.
class NEBPT_EXPORT CWorkflowRunner
{
public:
    explicit CWorkflowRunner(CEventDispacher& dispatcher);
    CWorkflowRunner(const CWorkflowRunner&) = delete;
    CWorkflowRunner& operator=(const CWorkflowRunner&) = delete;

    // Builds the program from the drive unless it is built, then creates the flow
    // window in `view` and lays the program out. Failures pass through.
    void openNEBPT(CFormView& view);
    // Rebuilds the program from the drive and the flow from the program.
    void updateFlow();
    // The flow window's rectangle on the screen; four zeros while it has no window.
    void GetWindowRect(RECT* rect) const;
    // Does nothing.
    void closeNEBPT() {}
    // Shows the controller's state in the flow; the flow keeps it for its builds.
    void showLiveState(const NEBPT::FlowLiveState& state) { m_workFlow.showLiveState(state); }
    // Gives pair `pair` (0-based) the keyboard focus; false for no such pair.
    bool selectPair(int pair) { return m_workFlow.selectPair(pair); }

    // Takes the flow window down (its element windows with it); the objects stay.
    // Used before the language library its windows were built from is freed.
    void destroyWindows();

    CDLGManager& getDLGManager() { return m_dlgManager; }
    CWorkFlow& getWorkFlow() { return m_workFlow; }

private:
    CDLGManager m_dlgManager;
    CWorkFlow m_workFlow;
};
