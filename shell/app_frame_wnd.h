#pragma once
// The game's main frame: menu 101, accelerators 113 (Alt+Enter), a minimum size, and the
// splash opened as soon as the frame exists. Its commands go to the form's command map.

#include "shell/frame_window.h"

constexpr int kMinFrameWidth = 300;
constexpr int kMinFrameHeight = 226;
extern const wchar_t kAppWindowTitle[]; ///< "Головоломка Кубик Тессара"

class CAppFrameWnd : public CFrameWindow {
public:
    /// The frame's loading, then accelerator table 113; returns the frame's result.
    bool LoadFrame(UINT resourceId, std::unique_ptr<CFormView> view) override;

protected:
    void PreCreateWindow(CREATESTRUCTW& create) override;
    int OnCreate(CREATESTRUCTW& create) override;
    bool OnGetMinMaxInfo(MINMAXINFO& info) override;
};
