#pragma once
// The New-player dialog as the name flow asks for it.

#include "game/player_names.h"

#include <windows.h>

class PlayerNamePrompt : public PlayerNameDialog {
public:
    explicit PlayerNamePrompt(HWND owner) : owner(owner) {}
    std::optional<NameField> Ask(const PlayerNames::Slots& names) override;

private:
    HWND owner;
};
