#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/Clock.h"

// The statistics file "Reports\EraseSummary.ini" of the program folder: bytes erased per item
// group by the last erase run and by all runs together, the last totals of the disk cleaners,
// the files protected and the date of the last erase run. Every user builds a fresh object;
// nothing is cached between uses.
//
// Counters are 64-bit end to end: a file written by an older build with counters that had
// wrapped negative reads back exactly as written. Every write goes through one process-wide
// lock and re-reads the totals it adds to, so two runs finishing together and a "Reset" during
// a run lose nothing.
namespace lumexa::core {

// Item groups of the statistics (and of the run report's first field).
enum TItemGroup : int
{
    GroupInternet = 0,
    GroupWindows = 1,
    GroupPlugins = 2,
    GroupEMail = 3,
};
inline constexpr std::size_t GroupCount = 4;

// Kinds of SaveDiskCleanerCount.
enum TDiskCleanerKind : int
{
    KindObsoleteCleaner = 0,
    KindDuplicateCleaner = 1,
    KindBSCleaner = 2,
    KindFShredder = 3,
};

using TGroupCounters = std::array<std::int64_t, GroupCount>;

class TEraseSummary
{
public:
    std::int64_t ObsoleteCleaner = 0;
    std::int64_t DuplicateCleaner = 0;
    std::int64_t BSCleaner = 0;
    std::int64_t FShredder = 0;
    std::int64_t FLock = 0;
    // Internet, Windows, Plugins, EMail.
    TGroupCounters LastJob{};
    TGroupCounters Total{};
    platform::TDateTime LastEraseDate = 0;

    // Loads every field from the file when it exists (absent keys and unparsable values read
    // as 0); otherwise all fields are 0.
    TEraseSummary();

    // The statistics file's path on the machine.
    static std::string GetFileName();

    // Adds one erased object to the last-job and total counters of `group` (other groups are
    // ignored).
    void AddErased(int group, std::uint64_t size);
    // Sets the four last-job counters to 0 (a run starting).
    void ResetLastJob();

    // Writes the last-job counters, the totals (the file's current totals plus this object's
    // last-job counters, re-read under the lock) and today's date. The disk-cleaner and
    // file-locker keys stay as they are. Afterwards Total and LastEraseDate hold what was
    // written. False when the file could not be written.
    bool Save();
    // Writes `value` under "DiskCleaner" with the key of `kind`; other kinds write nothing.
    static bool SaveDiskCleanerCount(std::int64_t value, int kind);
    // Deletes the statistics file ("Reset" on the statistics page). True when it is gone.
    static bool Reset();

    // The key of a group in "LastEraseJob" and "TotalErased".
    static const char* GroupKey(int group);

private:
    void Load();
};

} // namespace lumexa::core
