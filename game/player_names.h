#pragma once
// Who is playing: the current name in slot 0 and up to nine earlier names, most recent first,
// with their 200-byte registry block; and the flow that asks for a new name.

#include "game/name_field.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

/// "Товарищ" in Windows-1251: the name of a player who has not given one.
constexpr char kDefaultPlayerName[] = "\xD2\xEE\xE2\xE0\xF0\xE8\xF9";

class PlayerNames {
  public:
    static constexpr int kSlotCount = 10;
    static constexpr std::size_t kBlockSize = kSlotCount * kNameFieldSize;
    using Slots = std::array<NameField, kSlotCount>;
    using Block = std::array<std::uint8_t, kBlockSize>;

    /// Slot 0 "Товарищ", the others empty.
    PlayerNames();

    const NameField& Current() const { return slots[0]; }
    const Slots& Entries() const { return slots; }

    /// Puts `name` on top. Earlier copies of it become gaps where they are; the last slot falls off.
    void Enter(const NameField& name);

    /// The slots in order, slot i at byte 20 × i, as stored in "NamePlayer".
    Block ToBlock() const;
    void FromBlock(const Block& block);

  private:
    Slots slots;
};
static_assert(sizeof(PlayerNames::Slots) == PlayerNames::kBlockSize, "slots lie end to end");

/// The New-player dialog as the name flow sees it.
class PlayerNameDialog {
  public:
    virtual ~PlayerNameDialog() = default;
    /// Offers slot 0 as the editable name and the non-empty slots 1–9 as the drop-down list.
    /// Returns the entered name (never empty) on OK, nothing on cancel.
    virtual std::optional<NameField> Ask(const PlayerNames::Slots& names) = 0;
};

/// Runs the dialog and, on OK, enters the name. Returns whether the dialog ended with OK.
bool AskPlayerName(PlayerNames& names, PlayerNameDialog& dialog);
