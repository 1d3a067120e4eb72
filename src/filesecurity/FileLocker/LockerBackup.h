#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "filesecurity/FileLocker/EncDec.h"
#include "platform/Clock.h"

// The backup a lock run may make before anything is enciphered: one zip archive (deflate) in
// "LockerBackups" of the program folder holding the files the run is about to lock. Every file
// is read through the machine in pieces, so memory does not grow with the files, and the
// archive is written through the machine under a temporary name in the same folder, renamed
// without replacing anything once it is complete. A failure removes what was written.
namespace lumexa::filesecurity {

// Folder of the archives, beside the executable.
inline constexpr const char* kLockerBackupsFolder = "LockerBackups";

// The files a backup of these rows holds: every "File" row (folder column + caption), then,
// for every "Folder" row, every file below it whose name does not end in ".lxe", in the order
// CollectLockTargets walks them.
std::vector<std::string> BackupFileList(const std::vector<TLockRow>& rows);

// "<program folder>LockerBackups\<year>_<month>_<day>_<hour>_<minute>_<second>.zip", the
// numbers without leading zeros.
std::string LockerBackupPath(platform::TDateTime now);

// The name a file has inside the archive: its Windows path without the drive, with forward
// slashes and no leading one ("C:\Docs\a.txt" is "Docs/a.txt"), as zip readers expect.
std::string BackupEntryName(const std::string& path);

struct TBackupResult
{
    bool ok = false;
    std::string archive;   // the archive's Windows path (empty when there was nothing to back up)
    std::size_t files = 0; // entries written
    std::string error;     // why it failed: names the file or the archive and the cause
};

class TLockerBackup
{
public:
    // Called while a file is read into the archive: its position in the list and how much of
    // it is done (0..100). Runs on the caller's thread.
    std::function<void(std::size_t file, int percent)> OnProgress;

    // Archives `files` (Windows paths) into LockerBackupPath(now of the machine's clock),
    // creating "LockerBackups" and any missing parent. An empty list writes nothing.
    [[nodiscard]] TBackupResult Create(const std::vector<std::string>& files);
    // The same into `archive` (a Windows path whose folder exists).
    [[nodiscard]] TBackupResult CreateAt(const std::string& archive, const std::vector<std::string>& files);
};

} // namespace lumexa::filesecurity
