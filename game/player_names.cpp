#include "game/player_names.h"

#include <cstring>

PlayerNames::PlayerNames()
{
    slots.fill(NameField{});
    slots[0] = MakeNameField(kDefaultPlayerName);
}

void PlayerNames::Enter(const NameField& name)
{
    Slots earlier = slots;
    for (NameField& slot : earlier) {
        if (!IsNameEmpty(slot) && SameName(slot, name)) slot = NameField{};
    }
    // Gaps stay where they are: the list is shifted down by one, never compacted.
    slots[0] = MakeNameField(NameText(name));
    for (int k = 1; k < kSlotCount; ++k)
        slots[k] = MakeNameField(NameText(earlier[k - 1]));
}

PlayerNames::Block PlayerNames::ToBlock() const
{
    Block block;
    std::memcpy(block.data(), slots.data(), kBlockSize);
    return block;
}

void PlayerNames::FromBlock(const Block& block)
{
    std::memcpy(slots.data(), block.data(), kBlockSize);
}

bool AskPlayerName(PlayerNames& names, PlayerNameDialog& dialog)
{
    const std::optional<NameField> entered = dialog.Ask(names.Entries());
    if (!entered) return false;
    names.Enter(*entered);
    return true;
}
