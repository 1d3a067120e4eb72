#include "core/EraseSummary.h"

#include <cmath>

#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/Machine.h"

namespace lumexa::core {

namespace {

using platform::Machine;

constexpr const char* LastJobSection = "LastEraseJob";
constexpr const char* TotalSection = "TotalErased";
constexpr const char* DiskCleanerSection = "DiskCleaner";
constexpr const char* FileLockerSection = "FileLocker";
constexpr const char* DateSection = "LastEraseDate";
constexpr const char* DateKey = "EraseDate";

constexpr const char* DiskCleanerKeys[] = {"ObsoleteCleaner", "DuplicateCleaner", "BSCleaner", "FShredder"};

// One lock for every writer of the file in this process: a run saving its totals, a disk tool
// saving its count and "Reset" never interleave their read-modify-write cycles.
std::mutex& FileMutex()
{
    static std::mutex mutex;
    return mutex;
}

platform::IniFile OpenFile()
{
    return platform::IniFile(Machine::Current().Files(), TEraseSummary::GetFileName());
}

void ReadGroups(const platform::IniFile& file, const char* section, TGroupCounters& counters)
{
    for (std::size_t group = 0; group < GroupCount; ++group)
        counters[group] = file.ReadInteger(section, TEraseSummary::GroupKey(static_cast<int>(group)), 0);
}

bool WriteGroups(platform::IniFile& file, const char* section, const TGroupCounters& counters)
{
    bool all = true;
    for (std::size_t group = 0; group < GroupCount; ++group)
        all = file.WriteInteger(section, TEraseSummary::GroupKey(static_cast<int>(group)), counters[group]) && all;
    return all;
}

// Adds without the wrap-around of signed overflow: a total that cannot grow further stays at
// the largest value rather than turning negative.
std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? INT64_MAX : INT64_MIN;
    return sum;
}

} // namespace

TEraseSummary::TEraseSummary()
{
    Load();
}

std::string TEraseSummary::GetFileName()
{
    return Machine::Current().ProgramFolder() + "Reports\\EraseSummary.ini";
}

const char* TEraseSummary::GroupKey(int group)
{
    static constexpr const char* Keys[] = {"Internet", "Windows", "Plugins", "EMail"};
    return group >= 0 && group < static_cast<int>(GroupCount) ? Keys[group] : "";
}

void TEraseSummary::Load()
{
    std::lock_guard lock(FileMutex());
    const platform::IniFile file = OpenFile();
    if (!Machine::Current().Files().FileExists(file.Path()))
        return;
    ObsoleteCleaner = file.ReadInteger(DiskCleanerSection, DiskCleanerKeys[KindObsoleteCleaner], 0);
    DuplicateCleaner = file.ReadInteger(DiskCleanerSection, DiskCleanerKeys[KindDuplicateCleaner], 0);
    BSCleaner = file.ReadInteger(DiskCleanerSection, DiskCleanerKeys[KindBSCleaner], 0);
    FShredder = file.ReadInteger(DiskCleanerSection, DiskCleanerKeys[KindFShredder], 0);
    FLock = file.ReadInteger(FileLockerSection, "FLock", 0);
    ReadGroups(file, LastJobSection, LastJob);
    ReadGroups(file, TotalSection, Total);
    const std::string date = file.ReadString(DateSection, DateKey, "");
    LastEraseDate = platform::StrToDate(date, Machine::Current().Clock().UserLocale()).value_or(0);
}

void TEraseSummary::AddErased(int group, std::uint64_t size)
{
    if (group < 0 || group >= static_cast<int>(GroupCount))
        return;
    const auto amount = static_cast<std::int64_t>(std::min<std::uint64_t>(size, INT64_MAX));
    LastJob[static_cast<std::size_t>(group)] = SaturatingAdd(LastJob[static_cast<std::size_t>(group)], amount);
    Total[static_cast<std::size_t>(group)] = SaturatingAdd(Total[static_cast<std::size_t>(group)], amount);
}

void TEraseSummary::ResetLastJob()
{
    LastJob = {};
}

bool TEraseSummary::Save()
{
    std::lock_guard lock(FileMutex());
    Machine& machine = Machine::Current();
    machine.Files().ForceDirectories(machine.ProgramFolder() + "Reports");
    platform::IniFile file = OpenFile();
    // The totals are those of the file now (another run or a reset may have changed them since
    // this run began) plus what this run erased.
    TGroupCounters totals{};
    ReadGroups(file, TotalSection, totals);
    for (std::size_t group = 0; group < GroupCount; ++group)
        totals[group] = SaturatingAdd(totals[group], LastJob[group]);
    const platform::TDateTime today = std::floor(machine.Clock().Now());
    bool written = WriteGroups(file, LastJobSection, LastJob);
    written = WriteGroups(file, TotalSection, totals) && written;
    written =
        file.WriteString(DateSection,
                         DateKey,
                         platform::FormatDateTime(
                             machine.Clock().UserLocale().shortDateFormat, today, machine.Clock().UserLocale())) &&
        written;
    Total = totals;
    LastEraseDate = today;
    return written;
}

bool TEraseSummary::SaveDiskCleanerCount(std::int64_t value, int kind)
{
    if (kind < KindObsoleteCleaner || kind > KindFShredder)
        return false;
    std::lock_guard lock(FileMutex());
    Machine& machine = Machine::Current();
    machine.Files().ForceDirectories(machine.ProgramFolder() + "Reports");
    platform::IniFile file = OpenFile();
    return file.WriteInteger(DiskCleanerSection, DiskCleanerKeys[kind], value);
}

bool TEraseSummary::Reset()
{
    std::lock_guard lock(FileMutex());
    platform::FileSystem& files = Machine::Current().Files();
    const std::string path = GetFileName();
    return files.DeleteFile(path) || !files.FileExists(path);
}

} // namespace lumexa::core
