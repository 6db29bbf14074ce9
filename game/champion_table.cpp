#include "game/champion_table.h"

#include <algorithm>
#include <cstring>

void ChampionTable::AddResult(const ChampionRecord& record)
{
    std::array<ChampionRecord, kRecordCount + 1> working; // the new record, then the table
    working[0] = record;
    std::copy(records.begin(), records.end(), working.begin() + 1);
    // Stable by time alone: the new record, placed first, ranks ahead of equal times.
    std::stable_sort(working.begin(), working.end(),
                     [](const ChampionRecord& a, const ChampionRecord& b) { return a.time < b.time; });
    std::copy_n(working.begin(), kRecordCount, records.begin());
}

void ChampionTable::ClearChampions()
{
    records.fill(EmptyRecord());
}

// Windows runs little-endian only, so the packed records are already the registry layout.
ChampionTable::Block ChampionTable::ToBlock() const
{
    Block block;
    std::memcpy(block.data(), records.data(), kBlockSize);
    return block;
}

void ChampionTable::FromBlock(const Block& block)
{
    std::memcpy(records.data(), block.data(), kBlockSize);
}

ChampionTable::Block ChampionTable::EmptyBlock()
{
    return ChampionTable().ToBlock();
}
