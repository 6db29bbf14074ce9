#include "framework/compound_file_check.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr BYTE kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
constexpr std::size_t kHeaderFatEntries = 109;
constexpr std::size_t kEntrySize = 128;
constexpr BYTE kStorageEntry = 1, kStreamEntry = 2, kRootEntry = 5;

class CompoundFile {
public:
    CompoundFile(const BYTE* data, std::size_t length) : bytes(data), size(length) {}

    bool Check()
    {
        if (size < 512 || std::memcmp(bytes, kSignature, sizeof kSignature) != 0) return false;
        const std::uint16_t sectorShift = U16(0x1E), miniShift = U16(0x20);
        if ((sectorShift != 9 && sectorShift != 12) || miniShift != 6) return false;
        sectorSize = std::size_t(1) << sectorShift;
        miniSize = std::size_t(1) << miniShift;
        sectorCount = (size - std::min(size, sectorSize)) / sectorSize + ((size % sectorSize) ? 1 : 0);
        cutoff = U32(0x38);
        return LoadFat() && LoadDirectory() && CheckDirectory();
    }

private:
    std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8); }
    std::uint32_t U32(std::size_t at) const
    {
        std::uint32_t v;
        std::memcpy(&v, bytes + at, 4);
        return v;
    }
    /// Offset of a whole sector, or 0 when it lies (partly) beyond the file.
    std::size_t SectorOffset(std::uint32_t sector) const
    {
        const std::uint64_t offset = (static_cast<std::uint64_t>(sector) + 1) * sectorSize;
        return sector < sectorCount && offset + sectorSize <= size ? static_cast<std::size_t>(offset) : 0;
    }

    /// Follows a chain in table; false on a loop, a link out of range or a chain too short.
    static bool Chain(const std::vector<std::uint32_t>& table, std::uint32_t start, std::size_t needed,
                      std::vector<std::uint32_t>* out = nullptr)
    {
        std::vector<bool> seen(table.size(), false);
        std::size_t length = 0;
        for (std::uint32_t s = start; s != kEndOfChain; s = table[s]) {
            if (s >= table.size() || seen[s]) return false;
            seen[s] = true;
            ++length;
            if (out) out->push_back(s);
        }
        return length >= needed;
    }

    bool LoadFat()
    {
        const std::uint32_t fatSectors = U32(0x2C);
        if (fatSectors == 0 || fatSectors > sectorCount) return false;
        std::vector<std::uint32_t> fatList;
        for (std::size_t k = 0; k < kHeaderFatEntries && fatList.size() < fatSectors; ++k)
            fatList.push_back(U32(0x4C + 4 * k));
        // Further FAT sector numbers live in a chain of DIFAT sectors, the last entry of each linking on.
        std::uint32_t difat = U32(0x44);
        std::uint32_t difatLeft = U32(0x48);
        while (fatList.size() < fatSectors) {
            const std::size_t at = SectorOffset(difat);
            if (!at || difatLeft-- == 0) return false;
            const std::size_t perSector = sectorSize / 4 - 1;
            for (std::size_t k = 0; k < perSector && fatList.size() < fatSectors; ++k) fatList.push_back(U32(at + 4 * k));
            difat = U32(at + 4 * perSector);
        }
        for (std::uint32_t s : fatList) {
            const std::size_t at = SectorOffset(s);
            if (!at) return false;
            for (std::size_t k = 0; k < sectorSize / 4; ++k) fat.push_back(U32(at + 4 * k));
        }
        return true;
    }

    bool LoadDirectory()
    {
        std::vector<std::uint32_t> sectors;
        if (!Chain(fat, U32(0x30), 1, &sectors)) return false;
        for (std::uint32_t s : sectors) {
            const std::size_t at = SectorOffset(s);
            if (!at) return false;
            for (std::size_t e = 0; e < sectorSize / kEntrySize; ++e) entries.push_back(at + e * kEntrySize);
        }
        return !entries.empty() && bytes[entries[0] + 66] == kRootEntry;
    }

    bool StreamChain(std::size_t entry) const
    {
        const std::uint32_t start = U32(entry + 116);
        std::uint64_t length = U32(entry + 120);
        if (sectorSize == 4096) length |= static_cast<std::uint64_t>(U32(entry + 124)) << 32;
        if (length == 0) return true;
        if (length < cutoff) {
            const std::size_t needed = static_cast<std::size_t>((length + miniSize - 1) / miniSize);
            // Mini sectors must also lie inside the root's mini stream.
            std::vector<std::uint32_t> chain;
            if (!Chain(miniFat, start, needed, &chain)) return false;
            for (std::uint32_t m : chain)
                if ((static_cast<std::uint64_t>(m) + 1) * miniSize > miniStreamSize) return false;
            return true;
        }
        if (length > size) return false;
        return Chain(fat, start, static_cast<std::size_t>((length + sectorSize - 1) / sectorSize));
    }

    bool CheckDirectory()
    {
        // The mini FAT and the root's mini stream first: small streams are chained through them.
        std::vector<std::uint32_t> miniFatSectors;
        const std::uint32_t miniFatStart = U32(0x3C);
        if (miniFatStart != kEndOfChain && U32(0x40) != 0) {
            if (!Chain(fat, miniFatStart, U32(0x40), &miniFatSectors)) return false;
            for (std::uint32_t s : miniFatSectors) {
                const std::size_t at = SectorOffset(s);
                if (!at) return false;
                for (std::size_t k = 0; k < sectorSize / 4; ++k) miniFat.push_back(U32(at + 4 * k));
            }
        }
        const std::size_t root = entries[0];
        miniStreamSize = U32(root + 120);
        if (miniStreamSize > 0 &&
            !Chain(fat, U32(root + 116), static_cast<std::size_t>((miniStreamSize + sectorSize - 1) / sectorSize)))
            return false;

        // Walk the tree from the root; every entry is reached at most once.
        std::vector<bool> seen(entries.size(), false);
        std::vector<std::uint32_t> pending{0};
        seen[0] = true;
        while (!pending.empty()) {
            const std::size_t entry = entries[pending.back()];
            pending.pop_back();
            const BYTE type = bytes[entry + 66];
            if (type != kStorageEntry && type != kStreamEntry && type != kRootEntry) return false;
            if (U16(entry + 64) > 64) return false;
            if (type == kStreamEntry && !StreamChain(entry)) return false;
            for (std::size_t link : {68, 72, 76}) {
                const std::uint32_t next = U32(entry + link);
                if (next == kNoEntry) continue;
                if (next >= entries.size() || seen[next]) return false;
                seen[next] = true;
                pending.push_back(next);
            }
        }
        return true;
    }

    const BYTE* bytes;
    std::size_t size;
    std::size_t sectorSize = 512, miniSize = 64, sectorCount = 0;
    std::uint32_t cutoff = 4096;
    std::uint64_t miniStreamSize = 0;
    std::vector<std::uint32_t> fat, miniFat;
    std::vector<std::size_t> entries;
};

} // namespace

bool IsSoundCompoundFile(const BYTE* bytes, std::size_t size)
{
    if (!bytes) return false;
    return CompoundFile(bytes, size).Check();
}
