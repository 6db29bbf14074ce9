#pragma once
// The About dialog: the program's icon, its version and who maintains it. It has no buttons;
// Esc or the close box ends it.

#include "shell/dialog.h"
#include "shell/gdi_object.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    static const wchar_t kVersionText[];
    static const wchar_t kAuthorText[];

protected:
    bool OnInitDialog() override;

private:
    void AddText(const wchar_t* text, const RECT& bounds);

    /// The texts' font; it outlives the dialog's window.
    CGdiObject<HFONT> font;
};
