#pragma once
// The five best timed solves, best first, and their 140-byte registry block.

#include "game/name_field.h"
#include "game/time_span.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The registry block is the records laid end to end, so the record has no padding.
#pragma pack(push, 4)
struct ChampionRecord {
    TimeSpan time;  ///< solve time in whole seconds
    NameField name; ///< the player's name as it stood at the solve
};
#pragma pack(pop)
static_assert(sizeof(ChampionRecord) == 28, "a champion record is 28 bytes");
static_assert(offsetof(ChampionRecord, name) == 8, "the name follows the 8-byte time");

class ChampionTable {
  public:
    static constexpr int kRecordCount = 5;
    static constexpr std::size_t kBlockSize = kRecordCount * sizeof(ChampionRecord);
    using Records = std::array<ChampionRecord, kRecordCount>;
    using Block = std::array<std::uint8_t, kBlockSize>;

    /// Five empty records.
    ChampionTable() { ClearChampions(); }

    static ChampionRecord EmptyRecord() { return ChampionRecord{RecordLimit, NameField{}}; }
    /// An empty slot: the limit time and no name.
    static bool IsEmpty(const ChampionRecord& record)
    {
        return record.time == RecordLimit && IsNameEmpty(record.name);
    }

    /// Enters a finished solve (0 < time < RecordLimit); among equal times the new record goes first.
    void AddResult(const ChampionRecord& record);
    void ClearChampions();

    const Records& Entries() const { return records; }

    /// The records in table order, times little-endian, as stored in "Champions".
    Block ToBlock() const;
    /// Takes a whole block as it stands; stored order is kept until the next result.
    void FromBlock(const Block& block);
    /// The block of an empty table.
    static Block EmptyBlock();

  private:
    Records records;
};
static_assert(sizeof(ChampionTable::Records) == ChampionTable::kBlockSize, "records lie end to end");
