#include "shell/name_dialog.h"

#include "resources/resource.h"

const wchar_t CNameDlg::kDefaultName[] = L"Товарищ";

CNameDlg::CNameDlg() : CDialog(IDD_NEW_PLAYER)
{
    names[0] = kDefaultName;
}

void CNameDlg::SetNames(const char* slots)
{
    for (int i = 0; i < kNameCount; ++i) names[i] = WideFromCp1251(slots + i * kNameFieldSize, kNameFieldSize);
}

void CNameDlg::GetEnteredName(char* slot) const
{
    Cp1251FromWide(names[0], slot, kNameFieldSize);
}

bool CNameDlg::DoDataExchange(bool save)
{
    ExchangeComboText(save, IDC_PLAYER_NAME, names[0], kMaxNameChars);
    return true;
}

bool CNameDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND combo = Item(IDC_PLAYER_NAME);
    // The combo box keeps its list sorted by itself.
    for (int i = 1; i < kNameCount; ++i) {
        if (!names[i].empty()) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i].c_str()));
    }
    return true;
}

void CNameDlg::OnOK()
{
    UpdateData(true);
    if (names[0].empty()) {
        names[0] = kDefaultName;
        SetDlgItemTextW(hwnd, IDC_PLAYER_NAME, names[0].c_str());
    }
    EndDialog(IDOK);
}
