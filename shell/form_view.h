#pragma once
// A form view: the child window inside the frame, created from a dialog template. It is
// created together with the frame, gets a one-time initial update once the frame exists,
// and carries the command map the frame forwards menu and accelerator commands to.

#include "shell/command_map.h"
#include "shell/window.h"

class CFormView : public CWindow {
public:
    explicit CFormView(UINT templateId) : templateId(templateId) {}

    /// Creates the view inside `parent` from the template; false when the template is missing
    /// or OnCreateForm refused.
    bool Create(HWND parent);
    /// The one-time initialisation after the view and its frame exist (before the frame is shown).
    virtual void OnInitialUpdate() {}

    /// The frame is about to be destroyed; its windows, the view's and the owned ones, still exist.
    virtual void OnFrameDestroying() {}
    /// The Windows session is ending (WM_ENDSESSION): the process ends without destroying windows.
    virtual void OnSessionEnding() {}

    /// Commands the frame routes here first, and the enable rules of their menu items.
    CCommandMap& Commands() { return commands; }
    const CCommandMap& Commands() const { return commands; }

protected:
    /// Runs once the view's window exists, before Create returns; false fails the creation.
    virtual bool OnCreateForm() { return true; }
    bool OnInitDialog() override;

private:
    UINT templateId;
    CCommandMap commands;
    bool createAccepted = false;
};
