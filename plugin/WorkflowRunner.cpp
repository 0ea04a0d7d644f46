#include "WorkflowRunner.h"

CWorkflowRunner::CWorkflowRunner(CEventDispacher& dispatcher)
    : m_dlgManager(dispatcher), m_workFlow(m_dlgManager)
{}

void CWorkflowRunner::openNEBPT(CFormView& view)
{
    m_dlgManager.init();
    m_workFlow.createYourself(view);
}

void CWorkflowRunner::updateFlow()
{
    m_dlgManager.updateNebProgram();
    m_workFlow.reReadData();
}

void CWorkflowRunner::GetWindowRect(RECT* rect) const
{
    if (!rect)
        return;
    *rect = RECT{0, 0, 0, 0};
    if (!m_workFlow.IsWindowCreated())
        return;
    const fw::CRect screen = m_workFlow.GetWindowRect();
    *rect = RECT{screen.left, screen.top, screen.right, screen.bottom};
}

void CWorkflowRunner::destroyWindows()
{
    m_workFlow.DestroyWindow();
}
