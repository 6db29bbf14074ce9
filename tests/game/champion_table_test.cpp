#include "game/champion_table.h"
#include "game/player_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

ChampionRecord Result(TimeSpan time, const std::string& name)
{
    return {time, MakeNameField(name)};
}

ChampionTable TableOf(const std::vector<ChampionRecord>& records)
{
    ChampionTable table;
    for (const ChampionRecord& r : records)
        table.AddResult(r);
    return table;
}

ChampionTable TenToFifty()
{
    return TableOf({Result(50, "e"), Result(40, "d"), Result(30, "c"), Result(20, "b"), Result(10, "a")});
}

// "time name" for every slot, "-" for an empty one.
std::vector<std::string> Rows(const ChampionTable& table)
{
    std::vector<std::string> rows;
    for (const ChampionRecord& r : table.Entries())
        rows.push_back(
            ChampionTable::IsEmpty(r) ? "-" : std::to_string(r.time) + " " + std::string(NameText(r.name)));
    return rows;
}

using RowList = std::vector<std::string>;

} // namespace

TEST(ChampionTable, StartsWithFiveEmptySlots)
{
    ChampionTable table;
    EXPECT_EQ(Rows(table), (RowList{"-", "-", "-", "-", "-"}));
    for (const ChampionRecord& r : table.Entries()) {
        EXPECT_EQ(r.time, 86399);
        EXPECT_EQ(r.name, NameField{});
    }
}

TEST(ChampionTable, FirstResultTakesTheTopSlot)
{
    ChampionTable table;
    table.AddResult(Result(42, kDefaultPlayerName));
    EXPECT_EQ(Rows(table), (RowList{"42 " + std::string(kDefaultPlayerName), "-", "-", "-", "-"}));
}

TEST(ChampionTable, EqualTimeRanksNewAheadOfOldAndTheSlowestDropsOut)
{
    ChampionTable table = TenToFifty();
    table.AddResult(Result(30, "new"));
    EXPECT_EQ(Rows(table), (RowList{"10 a", "20 b", "30 new", "30 c", "40 d"}));

    table = TenToFifty();
    table.AddResult(Result(50, "new"));
    EXPECT_EQ(Rows(table), (RowList{"10 a", "20 b", "30 c", "40 d", "50 new"}));
}

TEST(ChampionTable, SlowerThanAFullTableChangesNothing)
{
    ChampionTable table = TenToFifty();
    table.AddResult(Result(60, "new"));
    EXPECT_EQ(Rows(table), (RowList{"10 a", "20 b", "30 c", "40 d", "50 e"}));
}

TEST(ChampionTable, EqualOldTimesKeepTheirOrder)
{
    ChampionTable table = TableOf({Result(30, "first"), Result(30, "second"), Result(30, "third")});
    // Each newcomer went ahead of the equal times already there.
    EXPECT_EQ(Rows(table), (RowList{"30 third", "30 second", "30 first", "-", "-"}));
    table.AddResult(Result(10, "fast"));
    EXPECT_EQ(Rows(table), (RowList{"10 fast", "30 third", "30 second", "30 first", "-"}));
}

TEST(ChampionTable, ResultWithoutNameStillUsesASlot)
{
    ChampionTable table;
    table.AddResult(Result(7, ""));
    EXPECT_FALSE(ChampionTable::IsEmpty(table.Entries()[0]));
    EXPECT_EQ(table.Entries()[0].name, NameField{});
    EXPECT_TRUE(ChampionTable::IsEmpty(table.Entries()[1]));
}

TEST(ChampionTable, ClearingEmptiesEverySlot)
{
    ChampionTable table = TenToFifty();
    table.ClearChampions();
    EXPECT_EQ(table.ToBlock(), ChampionTable::EmptyBlock());
}

TEST(ChampionTable, BlockLayoutIsTwentyEightBytesPerRecordLittleEndian)
{
    const ChampionTable::Block empty = ChampionTable::EmptyBlock();
    ASSERT_EQ(empty.size(), 140u);
    for (int r = 0; r < 5; ++r) {
        const std::uint8_t* record = empty.data() + 28 * r;
        const std::vector<std::uint8_t> time(record, record + 8);
        EXPECT_EQ(time, (std::vector<std::uint8_t>{0x7F, 0x51, 0x01, 0, 0, 0, 0, 0})) << r;
        for (int i = 8; i < 28; ++i)
            EXPECT_EQ(record[i], 0) << r << ":" << i;
    }

    ChampionTable table;
    const std::string full = "ABCDEFGHIJKLMNOPQRST"; // exactly 20 bytes: no terminator
    table.AddResult(Result(0x012345, full));
    const ChampionTable::Block block = table.ToBlock();
    EXPECT_EQ(block[0], 0x45);
    EXPECT_EQ(block[1], 0x23);
    EXPECT_EQ(block[2], 0x01);
    EXPECT_EQ(block[3], 0x00);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 8), 20), full);
    EXPECT_EQ(block[28], 0x7F); // the next record starts right after the name

    ChampionTable copy;
    copy.FromBlock(block);
    EXPECT_EQ(NameText(copy.Entries()[0].name), full);
    EXPECT_EQ(copy.Entries()[0].time, 0x012345);
}

TEST(ChampionTable, StoredOrderIsKeptUntilTheNextResult)
{
    ChampionTable::Block block = ChampionTable::EmptyBlock();
    // Build an unsorted block by hand: 50, 10, 30, empty, empty.
    const auto put = [&block](int slot, TimeSpan time, const std::string& name) {
        const ChampionRecord r = Result(time, name);
        std::memcpy(block.data() + 28 * slot, &r, sizeof r);
    };
    put(0, 50, "p");
    put(1, 10, "q");
    put(2, 30, "r");
    ChampionTable table;
    table.FromBlock(block);
    EXPECT_EQ(Rows(table), (RowList{"50 p", "10 q", "30 r", "-", "-"}));
    table.AddResult(Result(20, "s"));
    EXPECT_EQ(Rows(table), (RowList{"10 q", "20 s", "30 r", "50 p", "-"}));
}
