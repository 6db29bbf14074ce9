#pragma once
// The New-player dialog: the player types a name or picks an earlier one from the list.
// It takes the ten name slots as stored (20 bytes of Windows-1251 each) and gives back the
// entered name in the same form.

#include "shell/dialog.h"
#include "framework/code_page_1251.h"
#include "game/name_field.h"

#include <array>
#include <string>

class CNameDlg : public CDialog {
public:
    static constexpr int kNameCount = 10;
    static constexpr int kMaxNameChars = 20;
    static const wchar_t kDefaultName[]; ///< "Товарищ": the name of a player who gave none

    CNameDlg();

    /// Takes the ten slots (kNameCount × kNameFieldSize bytes, slot 0 the current player).
    void SetNames(const char* slots);
    /// Writes element 0 (the entered name after OK) as one kNameFieldSize-byte slot.
    void GetEnteredName(char* slot) const;

    /// Element 0: the name being entered; 1–9: the earlier names offered in the list.
    std::array<std::wstring, kNameCount> names;

protected:
    bool DoDataExchange(bool save) override;
    bool OnInitDialog() override;
    void OnOK() override;
};
