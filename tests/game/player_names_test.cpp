#include "game/name_field.h"
#include "game/player_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

// The list as one string per slot, "" for an empty one.
std::vector<std::string> Names(const PlayerNames& names)
{
    std::vector<std::string> out;
    for (const NameField& slot : names.Entries())
        out.emplace_back(NameText(slot));
    return out;
}

PlayerNames ListOf(const std::vector<std::string>& fromTop)
{
    PlayerNames names;
    for (auto it = fromTop.rbegin(); it != fromTop.rend(); ++it)
        names.Enter(MakeNameField(*it));
    return names;
}

// Stands in for the New-player dialog: remembers what it was offered and answers as told.
class ScriptedDialog : public PlayerNameDialog {
  public:
    explicit ScriptedDialog(std::optional<std::string> answer) : answer(std::move(answer)) {}
    std::optional<NameField> Ask(const PlayerNames::Slots& names) override
    {
        offered = names;
        ++calls;
        if (!answer) return std::nullopt;
        return MakeNameField(*answer);
    }
    std::optional<std::string> answer;
    PlayerNames::Slots offered{};
    int calls = 0;
};

const std::string kDefault = kDefaultPlayerName;
const std::string kFull = "ABCDEFGHIJKLMNOPQRST"; // 20 bytes

} // namespace

TEST(NameField, ReadsAtMostTwentyBytesAndStopsAtZero)
{
    struct {
        NameField field;
        char next[4] = "XYZ"; // a neighbour that a careless reader would run into
    } pair{MakeNameField(kFull + "UVW")};
    EXPECT_EQ(NameText(pair.field), kFull);
    EXPECT_EQ(NameText(MakeNameField("abc")), "abc");
    const NameField padded = MakeNameField("abc");
    for (std::size_t i = 3; i < kNameFieldSize; ++i)
        EXPECT_EQ(padded[i], '\0');
    EXPECT_TRUE(IsNameEmpty(MakeNameField("")));
    EXPECT_FALSE(SameName(MakeNameField("Abc"), MakeNameField("abc")));
}

TEST(NameField, ConvertsBetweenWindows1251AndUtf16)
{
    EXPECT_EQ(NameToWide(MakeNameField(kDefault)), L"Товарищ");
    EXPECT_EQ(NameText(NameFromWide(L"Товарищ")), kDefault);
    const NameField cut = NameFromWide(L"АБВГДЕЖЗИЙКЛМНОПРСТУФ"); // 21 letters, one byte each
    EXPECT_EQ(NameText(cut).size(), 20u);
    EXPECT_EQ(NameToWide(cut), L"АБВГДЕЖЗИЙКЛМНОПРСТУ");
    EXPECT_EQ(NameToWide(NameField{}), L"");
}

TEST(PlayerNames, StartsWithTovarishchAlone)
{
    PlayerNames names;
    EXPECT_EQ(Names(names), (std::vector<std::string>{kDefault, "", "", "", "", "", "", "", "", ""}));
}

TEST(PlayerNames, FirstRunOkWithTheNameUnchangedLeavesItAloneOnTop)
{
    PlayerNames names;
    ScriptedDialog dialog(kDefault);
    EXPECT_TRUE(AskPlayerName(names, dialog));
    EXPECT_EQ(Names(names), (std::vector<std::string>{kDefault, "", "", "", "", "", "", "", "", ""}));
}

TEST(PlayerNames, NewNameGoesOnTopAndKnownNameLeavesAGap)
{
    // N, O, P, Q and six empty slots.
    PlayerNames::Block block{};
    const char* letters[] = {"N", "O", "P", "Q"};
    for (int i = 0; i < 4; ++i)
        block[20 * i] = static_cast<std::uint8_t>(letters[i][0]);
    PlayerNames names;
    names.FromBlock(block);

    PlayerNames added = names;
    added.Enter(MakeNameField("X"));
    EXPECT_EQ(Names(added), (std::vector<std::string>{"X", "N", "O", "P", "Q", "", "", "", "", ""}));

    PlayerNames again = names;
    again.Enter(MakeNameField("P"));
    EXPECT_EQ(Names(again), (std::vector<std::string>{"P", "N", "O", "", "Q", "", "", "", "", ""}));
}

TEST(PlayerNames, FullListLosesItsLastSlot)
{
    const std::vector<std::string> full = {"N", "O", "P", "Q", "R", "S", "T", "U", "V", "W"};
    PlayerNames first = ListOf(full);
    ASSERT_EQ(Names(first), full);
    first.Enter(MakeNameField("N"));
    EXPECT_EQ(Names(first), (std::vector<std::string>{"N", "", "O", "P", "Q", "R", "S", "T", "U", "V"}));

    PlayerNames last = ListOf(full);
    last.Enter(MakeNameField("W"));
    EXPECT_EQ(Names(last), (std::vector<std::string>{"W", "N", "O", "P", "Q", "R", "S", "T", "U", "V"}));
}

TEST(PlayerNames, CancelLeavesTheListExactlyAsItWas)
{
    PlayerNames names = ListOf({"N", "O", "P"});
    const PlayerNames::Block before = names.ToBlock();
    ScriptedDialog dialog(std::nullopt);
    EXPECT_FALSE(AskPlayerName(names, dialog));
    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(names.ToBlock(), before);
}

TEST(PlayerNames, DialogIsOfferedAllTenNames)
{
    PlayerNames names = ListOf({"N", "O", "P"});
    ScriptedDialog dialog("Z");
    ASSERT_TRUE(AskPlayerName(names, dialog));
    EXPECT_EQ(NameText(dialog.offered[0]), "N");
    EXPECT_EQ(NameText(dialog.offered[2]), "P");
    EXPECT_EQ(NameText(dialog.offered[3]), kDefault);
    EXPECT_TRUE(IsNameEmpty(dialog.offered[9]));
    EXPECT_EQ(NameText(names.Current()), "Z");
}

TEST(PlayerNames, TwentyByteNameIsStoredWithoutTerminatorAndKeptApart)
{
    PlayerNames names;
    names.Enter(MakeNameField(kFull));
    const PlayerNames::Block block = names.ToBlock();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data()), 20), kFull);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 20)), kDefault);
    EXPECT_EQ(NameText(names.Current()), kFull);
    EXPECT_EQ(NameText(names.Entries()[1]), kDefault);
}

TEST(PlayerNames, SlotsAreWrittenWithZerosAfterTheName)
{
    // A slot read from the registry may hold bytes after its terminator; they do not survive a move.
    PlayerNames::Block block{};
    const char dirty[] = "ab\0junk";
    std::memcpy(block.data(), dirty, sizeof dirty);
    PlayerNames names;
    names.FromBlock(block);
    names.Enter(MakeNameField("c"));
    const PlayerNames::Block after = names.ToBlock();
    EXPECT_EQ(after[20], 'a');
    EXPECT_EQ(after[21], 'b');
    for (int i = 22; i < 40; ++i)
        EXPECT_EQ(after[i], 0) << i;
}
