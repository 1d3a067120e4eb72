#include "filesecurity/FileLocker/LockerBackup.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include <zip.h>

#include "filesecurity/FileLocker/LockTargets.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/Types.h"

namespace lumexa::filesecurity {

namespace {

using platform::FileHandle;
using platform::FileSystem;

std::string LastErrorText()
{
    return platform::SystemMessage(platform::GetLastError());
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A zip entry's date and time are the local wall-clock time (MS-DOS format); the machine's
// clock, not the host's time zone, says what local time is.
std::pair<std::uint16_t, std::uint16_t> DosDateTime(platform::FileTime written)
{
    const double offsetDays =
        static_cast<double>(platform::Machine::Current().Clock().UtcOffsetSeconds()) / (24.0 * 60 * 60);
    platform::DateTimeParts t = platform::DecodeDateTime(platform::FileTimeToDateTime(written) + offsetDays);
    if (t.year < 1980) // the earliest date the format holds
        t = {1980, 1, 1, 0, 0, 0, 0, 0};
    if (t.year > 2107)
        t = {2107, 12, 31, 23, 59, 58, 0, 0};
    const auto date = static_cast<std::uint16_t>(((t.year - 1980) << 9) | (t.month << 5) | t.day);
    const auto time = static_cast<std::uint16_t>((t.hour << 11) | (t.minute << 5) | (t.second / 2));
    return {date, time};
}

// The first failure of a backup, in words; libzip's own code is the fallback.
struct TFailure
{
    std::string reason;
    void Set(std::string text)
    {
        if (reason.empty())
            reason = std::move(text);
    }
};

// The archive itself, written through the machine: libzip asks to begin, write, seek and
// commit; the bytes go to a temporary file beside the archive, which the commit renames.
struct TArchiveSink
{
    FileSystem& files;
    std::string archive;
    TFailure& failure;
    std::string temporary;
    std::unique_ptr<FileHandle> handle;
    zip_error_t error{};

    zip_int64_t Fail(int code, std::string reason)
    {
        zip_error_set(&error, code, 0);
        failure.Set(std::move(reason));
        return -1;
    }

    void Discard()
    {
        handle.reset();
        if (!temporary.empty())
            files.DeleteFile(temporary);
        temporary.clear();
    }

    zip_int64_t BeginWrite()
    {
        const std::optional<std::string> name = files.GetTempFileName(FolderOf(archive), "lxb", 0);
        if (name)
            temporary = *name;
        if (name)
            handle = files.CreateFile(temporary,
                                      platform::GENERIC_READ | platform::GENERIC_WRITE,
                                      platform::FILE_SHARE_NONE,
                                      platform::Disposition::TruncateExisting);
        if (!handle) {
            const std::string cause = LastErrorText();
            Discard();
            return Fail(ZIP_ER_TMPOPEN, "cannot create a temporary file beside " + archive + " (" + cause + ")");
        }
        return 0;
    }

    zip_int64_t Write(const void* data, zip_uint64_t length)
    {
        std::size_t done = 0;
        if (!handle->Write(data, static_cast<std::size_t>(length), done) || done != length)
            return Fail(ZIP_ER_WRITE, "cannot write " + archive + " (" + LastErrorText() + ")");
        return static_cast<zip_int64_t>(done);
    }

    zip_int64_t SeekWrite(void* data, zip_uint64_t length)
    {
        auto* args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, length, &error);
        if (!args)
            return -1;
        const auto origin = args->whence == SEEK_SET   ? platform::SeekOrigin::Begin
                            : args->whence == SEEK_CUR ? platform::SeekOrigin::Current
                                                       : platform::SeekOrigin::End;
        if (!handle->Seek(args->offset, origin))
            return Fail(ZIP_ER_SEEK, "cannot write " + archive + " (" + LastErrorText() + ")");
        return 0;
    }

    zip_int64_t TellWrite()
    {
        std::uint64_t position = 0;
        if (!handle->Seek(0, platform::SeekOrigin::Current, &position))
            return Fail(ZIP_ER_TELL, "cannot write " + archive + " (" + LastErrorText() + ")");
        return static_cast<zip_int64_t>(position);
    }

    zip_int64_t Commit()
    {
        const bool flushed = handle->Flush();
        handle.reset();
        if (!flushed) {
            const std::string cause = LastErrorText();
            Discard();
            return Fail(ZIP_ER_WRITE, "cannot write " + archive + " (" + cause + ")");
        }
        if (!files.MoveFile(temporary, archive)) {
            const std::string cause = LastErrorText();
            Discard();
            return Fail(ZIP_ER_RENAME, "cannot name the archive " + archive + " (" + cause + ")");
        }
        temporary.clear();
        return 0;
    }

    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_WRITABLE;
        case ZIP_SOURCE_BEGIN_WRITE:
            return BeginWrite();
        case ZIP_SOURCE_WRITE:
            return Write(data, length);
        case ZIP_SOURCE_SEEK_WRITE:
            return SeekWrite(data, length);
        case ZIP_SOURCE_TELL_WRITE:
            return TellWrite();
        case ZIP_SOURCE_COMMIT_WRITE:
            return Commit();
        case ZIP_SOURCE_ROLLBACK_WRITE:
            Discard();
            return 0;
        case ZIP_SOURCE_STAT: // a new archive: there is nothing to read
            zip_error_set(&error, ZIP_ER_READ, ENOENT);
            return -1;
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error, data, length);
        case ZIP_SOURCE_REMOVE:
        case ZIP_SOURCE_FREE:
            return 0;
        default:
            zip_error_set(&error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }
};

// One file of the list, read through the machine in the pieces libzip asks for, only while
// libzip writes its entry.
struct TEntrySource
{
    const TLockerBackup& owner;
    std::size_t index;
    std::string path;
    std::uint64_t size;
    TFailure& failure;
    std::unique_ptr<FileHandle> handle;
    std::uint64_t done = 0;
    int reported = -1;
    zip_error_t error{};

    zip_int64_t Fail(int code, std::string reason)
    {
        zip_error_set(&error, code, 0);
        failure.Set(std::move(reason));
        return -1;
    }

    void Report(int percent)
    {
        if (percent == reported)
            return;
        reported = percent;
        if (owner.OnProgress)
            owner.OnProgress(index, percent);
    }

    zip_int64_t Open()
    {
        // Read sharing only: a file another program is writing is not half copied.
        handle = platform::Machine::Current().Files().CreateFile(
            path, platform::GENERIC_READ, platform::FILE_SHARE_READ, platform::Disposition::OpenExisting);
        if (!handle)
            return Fail(ZIP_ER_OPEN, "cannot read " + path + " (" + LastErrorText() + ")");
        done = 0;
        reported = -1;
        Report(0);
        return 0;
    }

    zip_int64_t Read(void* data, zip_uint64_t length)
    {
        std::size_t got = 0;
        if (!handle->Read(data, static_cast<std::size_t>(length), got))
            return Fail(ZIP_ER_READ, "cannot read " + path + " (" + LastErrorText() + ")");
        done += got;
        Report(size > 0 ? static_cast<int>(std::min<std::uint64_t>(done, size) * 100 / size) : 100);
        if (got == 0)
            Report(100);
        return static_cast<zip_int64_t>(got);
    }

    zip_int64_t Seek(void* data, zip_uint64_t length)
    {
        const std::int64_t target = zip_source_seek_compute_offset(done, size, data, length, &error);
        if (target < 0)
            return -1;
        if (!handle->Seek(target, platform::SeekOrigin::Begin))
            return Fail(ZIP_ER_SEEK, "cannot read " + path + " (" + LastErrorText() + ")");
        done = static_cast<std::uint64_t>(target);
        return 0;
    }

    zip_int64_t Stat(void* data, zip_uint64_t length)
    {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error);
        if (!st)
            return -1;
        zip_stat_init(st);
        st->size = size;
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }

    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_SEEKABLE;
        case ZIP_SOURCE_OPEN:
            return Open();
        case ZIP_SOURCE_READ:
            return Read(data, length);
        case ZIP_SOURCE_CLOSE:
            handle.reset();
            Report(100);
            return 0;
        case ZIP_SOURCE_SEEK:
            return Seek(data, length);
        case ZIP_SOURCE_TELL:
            return static_cast<zip_int64_t>(done);
        case ZIP_SOURCE_STAT:
            return Stat(data, length);
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error, data, length);
        case ZIP_SOURCE_FREE:
            return 0; // owned by CreateAt
        default:
            zip_error_set(&error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }
};

// libzip is C: nothing may be thrown through it, so an exception (from a progress handler)
// becomes a failed command.
template <class TState> zip_int64_t Dispatch(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* self = static_cast<TState*>(state);
    try {
        return self->Handle(data, length, command);
    } catch (const std::exception& e) {
        return self->Fail(ZIP_ER_INTERNAL, e.what());
    } catch (...) {
        return self->Fail(ZIP_ER_INTERNAL, "unexpected error");
    }
}

TBackupResult Failed(std::string reason)
{
    TBackupResult result;
    result.error = std::move(reason);
    return result;
}

} // namespace

std::vector<std::string> BackupFileList(const std::vector<TLockRow>& rows)
{
    std::vector<std::string> files;
    for (const TLockRow& row : rows)
        if (row.type == "File")
            files.push_back(row.folder + row.caption);
    for (const TLockRow& row : rows)
        if (row.type == "Folder")
            CollectLockTargets(row.folder.ends_with('\\') ? row.folder + row.caption : row.folder + "\\" + row.caption,
                               TLockMode::Lock,
                               files);
    return files;
}

std::string LockerBackupPath(platform::TDateTime now)
{
    const platform::DateTimeParts t = platform::DecodeDateTime(now);
    char name[64];
    std::snprintf(name, sizeof name, "%d_%d_%d_%d_%d_%d.zip", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return platform::Machine::Current().ProgramFolder() + kLockerBackupsFolder + "\\" + name;
}

std::string BackupEntryName(const std::string& path)
{
    std::string name = path;
    if (name.size() >= 2 && name[1] == ':')
        name.erase(0, 2);
    for (char& c : name)
        if (c == '\\')
            c = '/';
    const std::size_t first = name.find_first_not_of('/');
    return first == std::string::npos ? std::string() : name.substr(first);
}

TBackupResult TLockerBackup::Create(const std::vector<std::string>& files)
{
    if (files.empty())
        return {true, {}, 0, {}};
    platform::Machine& machine = platform::Machine::Current();
    const std::string archive = LockerBackupPath(machine.Clock().Now());
    const std::string folder = FolderOf(archive);
    if (!machine.Files().ForceDirectories(folder))
        return Failed("cannot create the folder " + folder + " (" + LastErrorText() + ")");
    return CreateAt(archive, files);
}

TBackupResult TLockerBackup::CreateAt(const std::string& archive, const std::vector<std::string>& files)
{
    if (files.empty())
        return {true, {}, 0, {}};
    FileSystem& fs = platform::Machine::Current().Files();
    if (fs.FileExists(archive) || fs.DirectoryExists(archive))
        return Failed("the archive " + archive + " already exists");

    TFailure failure;
    TArchiveSink sink{fs, archive, failure, {}, {}, {}};
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_function_create(Dispatch<TArchiveSink>, &sink, &error);
    zip_t* zip = source ? zip_open_from_source(source, ZIP_CREATE | ZIP_TRUNCATE, &error) : nullptr;
    if (!zip) {
        if (source)
            zip_source_free(source);
        const std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        return Failed("cannot create " + archive + " (" + text + ")");
    }
    zip_error_fini(&error);

    // The sources must outlive the archive handle: libzip reads them in zip_close.
    std::vector<std::unique_ptr<TEntrySource>> entries;
    std::set<std::string> paths, names;
    auto abandon = [&](std::string reason) {
        zip_discard(zip);
        sink.Discard();
        return Failed(std::move(reason));
    };
    for (const std::string& path : files) {
        // A file listed twice (a file row inside a folder row) is stored once.
        if (!paths.insert(platform::FoldCase(path)).second)
            continue;
        const std::optional<std::uint64_t> size = fs.GetFileSize(path);
        const std::optional<platform::FileTimes> times = fs.GetFileTimes(path);
        if (!size || !times)
            return abandon("cannot read " + path + " (" + LastErrorText() + ")");
        std::string name = BackupEntryName(path);
        // The same path on another drive keeps its drive letter as a first folder.
        if (!names.insert(platform::FoldCase(name)).second)
            name = path.substr(0, 1) + "/" + name;
        names.insert(platform::FoldCase(name));
        entries.push_back(
            std::make_unique<TEntrySource>(TEntrySource{*this, entries.size(), path, *size, failure, {}, 0, -1, {}}));
        zip_source_t* data = zip_source_function(zip, Dispatch<TEntrySource>, entries.back().get());
        const zip_int64_t index = data ? zip_file_add(zip, name.c_str(), data, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (data)
                zip_source_free(data);
            return abandon("cannot add " + path + " to " + archive + " (" + zip_strerror(zip) + ")");
        }
        const auto [date, time] = DosDateTime(times->lastWriteTime);
        const auto entry = static_cast<zip_uint64_t>(index);
        if (zip_set_file_compression(zip, entry, ZIP_CM_DEFLATE, 0) != 0 ||
            zip_file_set_dostime(zip, entry, time, date, 0) != 0)
            return abandon("cannot add " + path + " to " + archive + " (" + zip_strerror(zip) + ")");
    }
    if (zip_close(zip) != 0) {
        std::string reason = failure.reason.empty() ? std::string(zip_strerror(zip)) : failure.reason;
        return abandon("cannot write the backup " + archive + ": " + reason);
    }
    return {true, archive, entries.size(), {}};
}

} // namespace lumexa::filesecurity
