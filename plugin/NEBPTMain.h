#pragma once

#include "EventDispacher.h"
#include "FlowState.h"
#include "FormView.h"
#include "NEBPTExport.h"
#include "NEBPTRect.h"
#include "WorkflowRunner.h"

#include "framework/Library.h"

#include <string>

class IExtParamInterface;

// The entry class the host works with. The host constructs it with its form view
// and its parameter interface, calls Open to show the drive's program in the
// view, UpdateFlow to re-read and redraw it, GetNEBPTRect for the editor's
// place on the screen and Close, and finally destroys it. Everything the editor
// needs lives inside this object and dies with it.
class NEBPT_EXPORT CNEBPTMain
{
public:
    // Throws CCustomException when `host` is null or its index base is negative;
    // a host that fails to tell its language fails it with the host's exception.
    // Loads the language library for the host's language (english when that one
    // is missing) and makes it the source of every template and string.
    CNEBPTMain(CFormView& view, IExtParamInterface* host);
    // Without a host: loads no language library; Open fails quietly.
    explicit CNEBPTMain(CFormView& view);
    CNEBPTMain(const CNEBPTMain&) = delete;
    CNEBPTMain& operator=(const CNEBPTMain&) = delete;
    // Takes the editor's windows down, frees the language library and gives the
    // framework back the resource library that was current before.
    ~CNEBPTMain();

    // Always 0; does nothing.
    int Initialize(IExtParamInterface* host);
    // Connects to the drive, builds the program and shows the flow. True also
    // after a failure of the plug-in's own (logged; the flow may be missing);
    // false after any other failure.
    bool Open();
    // Opens when not opened yet, else re-reads the program and redraws the flow.
    // True only when that is done: false after any failure (logged), and false
    // while a dialog, message box or menu of the editor is open, which works on
    // the program and windows an update replaces. The update then waits and runs
    // once that has closed; its failure is logged and the flow keeps the program
    // as last read. No later answer tells of it: each answer is about its own
    // call. A host that must know calls UpdateFlow when no modal window is open.
    bool UpdateFlow();
    // Always true; the flow stays until the object is destroyed.
    bool Close();
    // The flow window's rectangle on the screen; four zeros while it has none.
    void GetNEBPTRect(RECT* rect);
    // Shows the drive's controller as it runs, in the flow itself: the pair whose
    // step is active tinted, framed in blue and marked "active"; beside each
    // timer's buttons the time left or that it ran out (an idle timer shows its
    // value only). A state that is not `shown` clears it. The flow keeps the
    // state through its rebuilds and shows it once it is opened. Meant to be
    // called often (ten times a second): it rebuilds nothing and repaints only
    // the pairs and texts that change. Never throws.
    void ShowLiveState(const NEBPT::FlowLiveState& state);
    // Gives pair `pair` (0-based, numbered as every command numbers the pairs)
    // the keyboard focus: the pair window takes it and shows its selection frame
    // (once the host's window is active), so that the host can scroll the
    // focus widget into view. False, changing nothing, for a pair the flow does
    // not show (a negative number, one past the last pair, no flow).
    bool SelectPair(int pair);

    // Whether the plug-in can edit the program of a drive with this
    // identification (as GetDriveIdentity reports it). Never throws.
    static bool isDriveSupported(const std::string& driveName, const std::string& aocVersion,
                                 const std::string& dbVersion);
    // The version of the entry interface this library implements.
    static double getInterfaceVersion();

private:
    void loadResourceLibrary();
    void openRunner();
    // Opens or updates now; false after any failure. With `logAll` a failure
    // the plug-in has not logged yet (the host's own, say) is logged too.
    bool update(bool logAll = false);

    CEventDispacher m_dispatcher;
    CFormView* m_view;
    CWorkflowRunner m_runner;
    fw::LibraryHandle m_resourceLibrary = nullptr;
    bool m_opened = false;
    bool m_updateWaiting = false; // an UpdateFlow waits for a modal window to close
    // The resource library that was current before ours was made current.
    fw::LibraryHandle m_previousResourceLibrary = nullptr;
};
