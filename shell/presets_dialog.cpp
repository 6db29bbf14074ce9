#include "shell/presets_dialog.h"

#include "framework/file_path_1251.h"
#include "resources/resource.h"

#include <cwctype>

namespace {

constexpr int kNumberBoxChars = 3;

bool IsDecimalDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

} // namespace

int ScrambleTurnsFromText(const std::wstring& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long value = 0;
    for (; i < text.size() && IsDecimalDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > kMaxScrambleTurns) value = kMaxScrambleTurns + 1; // stays above the limit, no overflow
    }
    if (negative) value = -value;
    if (value < kMinScrambleTurns) return kMinScrambleTurns;
    if (value > kMaxScrambleTurns) return kMaxScrambleTurns;
    return static_cast<int>(value);
}

DWORD BackgroundColourAfterPresets(int picture, const char* picturePath)
{
    if (picture != 1) return kBackgroundWithoutPicture;
    return CanOpenForReading1251(picturePath) ? kBackgroundForPicture : kBackgroundPictureMissing;
}

bool RunPresetsDialog(HWND owner, PresetValues& values, DWORD& colorBG, const char* picturePath)
{
    CPreSetDlg dialog;
    dialog.values = values;
    if (dialog.DoModal(owner) != IDOK) return false;
    values = dialog.values;
    colorBG = BackgroundColourAfterPresets(values.picture, picturePath);
    return true;
}

CPreSetDlg::CPreSetDlg() : CDialog(IDD_PRESETS) {}

bool CPreSetDlg::DoDataExchange(bool save)
{
    ExchangeCheck(save, IDC_SHOW_PICTURE, values.picture);
    ExchangeCheck(save, IDC_ASK_NAME, values.showNameDlg);
    ExchangeCheck(save, IDC_SHOW_CHAMPIONS, values.showListChampions);
    ExchangeCheck(save, IDC_SHOW_NAME_STOPWATCH, values.showNamePlayerStopWatch);
    return true;
}

bool CPreSetDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendMessageW(Item(IDC_NUMBER_ROTATE), EM_LIMITTEXT, kNumberBoxChars, 0);
    SetDlgItemTextW(hwnd, IDC_NUMBER_ROTATE, std::to_wstring(values.numberRotate).c_str());
    return true;
}

bool CPreSetDlg::OnCommand(UINT id, UINT notifyCode, HWND control)
{
    if (id == IDC_NUMBER_ROTATE && notifyCode == EN_CHANGE) {
        OnNumberChange();
        return true;
    }
    return CDialog::OnCommand(id, notifyCode, control);
}

void CPreSetDlg::OnNumberChange()
{
    HWND box = Item(IDC_NUMBER_ROTATE);
    std::wstring text = WindowText(box);
    // Only the last character is looked at: that is the one just typed.
    if (text.empty() || IsDecimalDigit(text.back())) return;
    text.pop_back();
    SetWindowTextW(box, text.c_str());
    SendMessageW(box, EM_SETSEL, text.size(), text.size());
    SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

void CPreSetDlg::OnOK()
{
    values.numberRotate = ScrambleTurnsFromText(WindowText(Item(IDC_NUMBER_ROTATE)));
    CDialog::OnOK();
}
