#include "shell/player_name_prompt.h"

#include "shell/name_dialog.h"

std::optional<NameField> PlayerNamePrompt::Ask(const PlayerNames::Slots& names)
{
    CNameDlg dialog;
    dialog.SetNames(names[0].data()); // the slots lie end to end, 20 bytes each
    if (dialog.DoModal(owner) != IDOK) return std::nullopt;
    NameField entered{};
    dialog.GetEnteredName(entered.data());
    return entered;
}
