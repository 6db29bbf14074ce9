#include "shell/dialog.h"

#include <commctrl.h>

namespace {

/// The manifest asks for version 6 of the common controls (the look of the player's Windows);
/// its documentation wants them initialised before the first dialog uses them.
void InitialiseDialogControls()
{
    static bool initialised = false;
    if (initialised) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls); // a failure leaves the classic controls, which work as well
    initialised = true;
}

} // namespace

INT_PTR CDialog::DoModal(HWND owner)
{
    InitialiseDialogControls();
    return DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(templateId), owner, StaticDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

bool CDialog::OnCommand(UINT id, UINT notifyCode, HWND)
{
    if (notifyCode != BN_CLICKED) return false;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::OnOK()
{
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::ExchangeCheck(bool save, int id, int& flag)
{
    if (save)
        flag = IsDlgButtonChecked(hwnd, id) == BST_CHECKED ? 1 : 0;
    else
        CheckDlgButton(hwnd, id, flag == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void CDialog::ExchangeText(bool save, int id, std::wstring& text)
{
    if (save)
        text = WindowText(Item(id));
    else
        SetDlgItemTextW(hwnd, id, text.c_str());
}

void CDialog::ExchangeComboText(bool save, int id, std::wstring& text, int maxChars)
{
    HWND combo = Item(id);
    if (save) {
        text = WindowText(combo);
        if (static_cast<int>(text.size()) > maxChars) text.resize(maxChars);
        return;
    }
    SendMessageW(combo, CB_LIMITTEXT, maxChars, 0);
    SetWindowTextW(combo, text.c_str());
}

std::wstring CDialog::WindowText(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::wstring text(length + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? copied : 0);
    return text;
}
