#pragma once
// Window objects: one C++ object per window, reached from its handle.
// The static procedure binds the object at WM_NCCREATE (dialogs: WM_INITDIALOG) and hands
// every later message to the virtual OnMessage, which calls typed handlers; a handler returns
// whether it handled the message, everything else gets the default processing.
// No C++ exception leaves a procedure: one escaping a handler is stopped there and the
// message gets the default processing.

#include <windows.h>

class CWindow {
public:
    CWindow() = default;
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;
    /// Destroys a window that still exists (without calling back into the dying object).
    virtual ~CWindow();

    HWND Handle() const { return hwnd; }

    /// The object bound to a window of ours, or null for any other window.
    static CWindow* FromHandle(HWND window);

    /// Sees a queued message addressed to this window or one of its children (or owned
    /// popups) before it is dispatched; true means handled: the message is not dispatched.
    virtual bool PreTranslateMessage(MSG& message);

protected:
    /// Creates this object's window; the procedure of `className` must be StaticWindowProc.
    bool CreateWindowObject(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu);

    /// Every message after binding. Sets `result` and returns true when handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Typed handlers: each returns true when it handled the message.
    virtual int OnCreate(CREATESTRUCTW&) { return 0; } ///< 0 to go on, -1 to fail the creation
    virtual void OnDestroy() {}                        ///< default processing follows
    virtual bool OnClose() { return false; }           ///< true keeps the window (default: destroy)
    virtual void OnEnable(bool /*enabled*/) {}         ///< default processing follows
    virtual bool OnCommand(UINT /*id*/, UINT /*notifyCode*/, HWND /*control*/) { return false; }
    virtual bool OnSize(UINT /*type*/, int /*width*/, int /*height*/) { return false; }
    virtual bool OnPaint() { return false; }
    virtual bool OnEraseBackground(HDC) { return false; } ///< true reports the background as erased
    virtual bool OnKeyDown(UINT /*virtualKey*/, LPARAM) { return false; }
    virtual bool OnGetMinMaxInfo(MINMAXINFO&) { return false; }
    virtual bool OnInitMenuPopup(HMENU) { return false; }
    virtual bool OnSetFocus() { return false; }
    virtual bool OnInitDialog() { return true; } ///< dialogs only; true gives the default focus
    /// Last call for the object once its window is gone (the handle is already null).
    virtual void PostNcDestroy() {}

    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    /// Procedure of dialogs and form views; the object arrives as the WM_INITDIALOG parameter.
    static INT_PTR CALLBACK StaticDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd = nullptr;

private:
    void Attach(HWND window);
    void Detach();
    /// OnMessage with exceptions stopped; false when unhandled or when a handler threw.
    bool DispatchToHandlers(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

/// Offers a queued message to the window objects from its target up through parents and
/// owners; true when one of them handled it (then it must not be dispatched).
bool PreTranslateWindowMessage(MSG& message);

/// The module the menus, dialogs, icon and pictures are loaded from: the executable, unless
/// set otherwise (the tests load them from the game's executable as a data file).
HINSTANCE ResourceInstance();
void SetResourceInstance(HINSTANCE module);
