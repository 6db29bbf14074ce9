#pragma once
// The frame window of a single-document program: one top-level window with menu, icon and
// accelerators, holding one form view that covers its client area. Commands go to the view's
// command map first, then to the frame's own (the exit command). The enable rules of both are
// applied whenever a popup menu is about to show.
// A close request that arrives while a modal dialog of the frame is open (a fatal error met
// while the dialog runs, or a close from outside) ends that dialog first and closes the frame
// only once the dialog's loop has returned, so the command that opened the dialog never goes
// on in a destroyed frame or view.
// The view hears of the frame's end before any of the frame's windows goes, and of the end of
// the Windows session (shutdown, restart, sign-out), after which no window is destroyed.

#include "shell/command_map.h"
#include "shell/form_view.h"
#include "shell/window.h"

#include <memory>

class CFrameWindow : public CWindow {
public:
    CFrameWindow();
    ~CFrameWindow() override;

    /// Creates the frame with menu and icon `resourceId` and, inside it, `view`.
    virtual bool LoadFrame(UINT resourceId, std::unique_ptr<CFormView> view);
    /// The frame shown with `showCommand` (SW_HIDE keeps it hidden), then the view's initial update.
    void InitialUpdateFrame(int showCommand);

    CFormView* View() const { return view.get(); }
    HACCEL Accelerators() const { return accelerators; }
    /// The frame ends the message loop when its window is destroyed (the main window does).
    void SetQuitOnDestroy(bool quit) { quitOnDestroy = quit; }

    bool PreTranslateMessage(MSG& message) override; ///< translates the accelerators

protected:
    /// Adjusts the creation parameters (style, position) before the window is created.
    virtual void PreCreateWindow(CREATESTRUCTW&) {}
    bool LoadAcceleratorTable(UINT id);
    CCommandMap& FrameCommands() { return frameCommands; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override; ///< session end
    int OnCreate(CREATESTRUCTW& create) override; ///< creates the view
    void OnDestroy() override;
    bool OnClose() override;
    void OnEnable(bool enabled) override;
    bool OnSize(UINT type, int width, int height) override;
    bool OnCommand(UINT id, UINT notifyCode, HWND control) override;
    bool OnInitMenuPopup(HMENU popup) override;
    bool OnSetFocus() override;
    void PostNcDestroy() override;

private:
    /// Tells the view, then destroys the frame's window with the view and the owned windows.
    void DestroyFrame();

    std::unique_ptr<CFormView> view;
    CCommandMap frameCommands;
    HACCEL accelerators = nullptr;
    bool quitOnDestroy = false;
    bool closeAfterModal = false; ///< a close came while a modal dialog disabled the frame
};
