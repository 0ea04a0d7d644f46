#pragma once

#include "NEBPTExport.h"

#include "framework/widgets/Dialog.h"
#include "framework/widgets/Messages.h"

#include <QSize>

#include <cstdint>

class CDLGManager;

// Posted by an element window to its parent: re-read the program and rebuild.
enum : unsigned
{
    WM_REREAD_DATA = fw::WM_USER + 1
};

// Commands of the popup menus of the flow and of its pairs.
enum : int
{
    ID_INSERT_PAIR_BEFORE = 62771,
    ID_ADD_PAIR_TO_END = 62772,
    ID_DELETE_PAIR = 62773,
    ID_SHOW_SETTINGS = 62774
};

// The base of the flow view and of its element windows (pair, event, action and
// the two arrows): a modeless child dialog from a numbered template that works
// on the program through the command layer. Enter and Escape close nothing, and
// WM_REREAD_DATA brings the window up to date (reReadData).
class NEBPT_EXPORT CNEBDlgControl : public fw::CDialog
{
public:
    explicit CNEBDlgControl(CDLGManager& manager);
    ~CNEBDlgControl() override;

    // The dialog template this window is built from.
    virtual unsigned getTemplateId() const = 0;
    // Creates the window from its template as a child of `parent`, shows it and
    // moves it to (x, y) in the parent's client coordinates, keeping its size.
    virtual void createAt(int x, int y, QWidget* parent);
    // Width and height of the window rectangle.
    virtual QSize getSize() const;
    // Brings the window up to date with the program.
    virtual void reReadData() = 0;
    // Posts WM_REREAD_DATA (0, 0) to the parent window: the request is handled
    // after the handler that made it has returned.
    virtual void requestParentReRead();

    // Enter and Escape pressed inside the window close nothing.
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;

protected:
    // Sends a mouse message to the parent window with the point (lParam)
    // converted from this window's client coordinates to the parent's.
    void forwardMouseToParent(unsigned message, uintptr_t wParam, intptr_t lParam);
    // The arrows' clicks belong to their parent: a right click goes on with its
    // point converted, a left click as it came. True for those two messages.
    bool passClickToParent(unsigned message, uintptr_t wParam, intptr_t lParam);

    CDLGManager& m_dlgManager;
};
