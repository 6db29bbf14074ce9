#pragma once
// Modal dialogs built from templates, with data exchange: one DoDataExchange(save) moves
// the members into the controls (save false, at initialisation) and back (save true, on OK).

#include "shell/window.h"

#include <string>

class CDialog : public CWindow {
public:
    explicit CDialog(UINT templateId) : templateId(templateId) {}

    /// Runs the dialog; returns IDOK, IDCANCEL (or the EndDialog code), or -1 when it could not open.
    INT_PTR DoModal(HWND owner);

protected:
    /// Moves the members into the controls (save false) or out of them (save true);
    /// returns false when a value is refused (the dialog then stays open).
    virtual bool DoDataExchange(bool /*save*/) { return true; }
    bool UpdateData(bool save) { return DoDataExchange(save); }

    bool OnInitDialog() override; ///< loads the controls from the members
    bool OnCommand(UINT id, UINT notifyCode, HWND control) override;
    virtual void OnOK();     ///< saves the controls into the members, then ends with IDOK
    virtual void OnCancel(); ///< ends with IDCANCEL

    void EndDialog(INT_PTR result) { ::EndDialog(hwnd, result); }
    HWND Item(int id) const { return GetDlgItem(hwnd, id); }

    // Data exchange helpers for one control each.
    /// A check box and a flag that counts as on only when it equals 1; saved as 0 or 1.
    void ExchangeCheck(bool save, int id, int& flag);
    /// An edit control's text.
    void ExchangeText(bool save, int id, std::wstring& text);
    /// The edit text of an editable combo box, limited to `maxChars` characters.
    void ExchangeComboText(bool save, int id, std::wstring& text, int maxChars);

    static std::wstring WindowText(HWND window);

private:
    UINT templateId;
};
