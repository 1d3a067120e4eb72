#include "platform/RecycleBin.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace lumexa::platform {

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t DELETE_ACCESS = 0x00010000;
constexpr const char* RecordsFile = "INFO";
constexpr std::size_t CopyBlock = 1 << 20;

std::optional<std::uint64_t> ParseNumber(std::string_view text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// The extension of the file name of a Windows path, with its dot.
std::string ExtensionOf(std::string_view path)
{
    const std::size_t at = path.find_last_of(".\\");
    return at == std::string_view::npos || path[at] != '.' ? std::string() : std::string(path.substr(at));
}

// The number in an id "D<letter><number><ext>"; 0 when it has none.
std::uint64_t NumberOf(const std::string& id)
{
    std::uint64_t value = 0;
    for (std::size_t i = 2; i < id.size() && id[i] >= '0' && id[i] <= '9'; ++i)
        value = value * 10 + static_cast<std::uint64_t>(id[i] - '0');
    return value;
}

std::string FolderOf(const std::string& windowsPath)
{
    const std::size_t slash = windowsPath.rfind('\\');
    if (slash == std::string::npos)
        return {};
    return slash <= 2 ? windowsPath.substr(0, 3) : windowsPath.substr(0, slash);
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace

// Serialises changes to the bin between threads (the mutex) and processes (an exclusive flock
// on a file of the store) that act on the same machine.
class RecycleBin::StoreLock
{
public:
    StoreLock(const RecycleBin& bin)
        : m_lock(bin.m_mutex)
    {
        const std::string folder = bin.m_machine.StateFolder() + "/recycle";
        std::error_code ignored;
        fs::create_directories(folder, ignored);
        m_fd = ::open((folder + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~StoreLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the flock
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    std::unique_lock<std::mutex> m_lock;
    int m_fd = -1;
};

RecycleBin::RecycleBin(Machine& machine)
    : m_machine(machine)
{}

std::optional<std::vector<char>> RecycleBin::Letters(std::string_view rootPath) const
{
    std::vector<char> letters;
    const std::vector<DriveConfig>& drives = m_machine.Files().Drives();
    if (Trim(rootPath).empty()) {
        for (const DriveConfig& drive : drives)
            letters.push_back(drive.letter);
        return letters;
    }
    const std::string full = m_machine.Files().FullPath(rootPath);
    if (full.size() < 2 || full[1] != ':')
        return std::nullopt;
    const char letter = UpperCase(full.substr(0, 1))[0];
    const bool known =
        std::any_of(drives.begin(), drives.end(), [&](const DriveConfig& d) { return d.letter == letter; });
    if (!known)
        return std::nullopt;
    letters.push_back(letter);
    return letters;
}

std::string RecycleBin::DriveFolder(char letter) const
{
    return m_machine.StateFolder() + "/recycle/" + std::string(1, letter);
}

std::vector<RecycledItem> RecycleBin::ReadRecords(char letter) const
{
    std::vector<RecycledItem> items;
    std::ifstream in(DriveFolder(letter) + "/" + RecordsFile, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> fields = SplitAt(line, '\t');
        if (fields.size() != 7)
            continue; // a damaged line is skipped, the rest of the bin stays usable
        const auto deleted = ParseNumber(fields[2]);
        const auto size = ParseNumber(fields[3]);
        const auto attributes = ParseNumber(fields[4]);
        const auto created = ParseNumber(fields[5]);
        const auto written = ParseNumber(fields[6]);
        if (fields[0].empty() || !deleted || !size || !attributes || !created || !written)
            continue;
        items.push_back(RecycledItem{fields[0],
                                     fields[1],
                                     FileTime{*deleted},
                                     *size,
                                     static_cast<std::uint32_t>(*attributes),
                                     FileTime{*created},
                                     FileTime{*written}});
    }
    return items;
}

bool RecycleBin::WriteRecords(char letter, const std::vector<RecycledItem>& items) const
{
    const std::string folder = DriveFolder(letter);
    std::string text;
    for (const RecycledItem& item : items) {
        text += item.id + "\t" + item.originalPath + "\t" + std::to_string(item.deletionTime.ticks) + "\t" +
                std::to_string(item.size) + "\t" + std::to_string(item.attributes) + "\t" +
                std::to_string(item.creationTime.ticks) + "\t" + std::to_string(item.lastWriteTime.ticks) + "\n";
    }
    // A temporary file renamed over the records: a failure leaves the old records whole.
    const std::string temp = folder + "/" + RecordsFile + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return FailErrno();
    const bool ok = WriteAll(fd, text.data(), text.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(temp.c_str(), (folder + "/" + RecordsFile).c_str()) != 0) {
        const bool failed = FailErrno();
        ::unlink(temp.c_str());
        return failed;
    }
    return true;
}

bool RecycleBin::CopyOut(std::string_view path, const std::string& hostTarget, std::uint64_t& size)
{
    // Delete access checks the share modes up front: a file that some handle holds without
    // delete sharing is refused before anything is copied.
    auto source = m_machine.Files().CreateFile(path,
                                               GENERIC_READ | DELETE_ACCESS,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               Disposition::OpenExisting,
                                               FILE_ATTRIBUTE_NORMAL,
                                               FILE_FLAG_SEQUENTIAL_SCAN);
    if (!source)
        return false;
    const int fd = ::open(hostTarget.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return FailErrno();
    std::vector<char> buffer(CopyBlock);
    size = 0;
    bool ok = true;
    for (;;) {
        std::size_t got = 0;
        if (!source->Read(buffer.data(), buffer.size(), got)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        if (!WriteAll(fd, buffer.data(), got)) {
            ok = FailErrno();
            break;
        }
        size += got;
    }
    if (ok && ::fsync(fd) != 0)
        ok = FailErrno();
    ::close(fd);
    if (!ok) {
        const std::uint32_t error = GetLastError();
        ::unlink(hostTarget.c_str());
        return Fail(error);
    }
    return true;
}

bool RecycleBin::Recycle(std::string_view path)
{
    FileSystem& files = m_machine.Files();
    // The record keeps the path as the folders store it, whatever case the caller wrote.
    const std::string written = files.FullPath(path);
    const auto host = files.HostPath(written);
    const std::string full = host ? files.WindowsPath(*host).value_or(written) : written;
    const std::uint32_t attributes = files.GetFileAttributes(full);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    // As DeleteFile: folders, links and read-only files are refused.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY))
        return Fail(ERROR_ACCESS_DENIED);
    const auto letters = Letters(full);
    const auto times = files.GetFileTimes(full);
    if (!letters || !times)
        return Fail(ERROR_PATH_NOT_FOUND);
    const char letter = letters->front();

    StoreLock lock(*this);
    std::error_code ec;
    fs::create_directories(DriveFolder(letter), ec);
    std::vector<RecycledItem> items = ReadRecords(letter);
    std::uint64_t number = 0;
    for (const RecycledItem& item : items)
        number = std::max(number, NumberOf(item.id));
    RecycledItem item;
    std::string stored;
    do {
        item.id = "D" + std::string(1, letter) + std::to_string(++number) + ExtensionOf(full);
        stored = DriveFolder(letter) + "/" + item.id;
    } while (::access(stored.c_str(), F_OK) == 0); // a copy left without its record by a crash

    if (!CopyOut(full, stored, item.size))
        return false;
    item.originalPath = full;
    item.deletionTime = m_machine.Clock().NowUtc();
    item.attributes = attributes;
    item.creationTime = times->creationTime;
    item.lastWriteTime = times->lastWriteTime;
    items.push_back(item);
    // The record is written before the file goes, and taken back if it cannot go: a file is
    // never lost between the drive and the bin.
    if (!WriteRecords(letter, items)) {
        const std::uint32_t error = GetLastError();
        ::unlink(stored.c_str());
        return Fail(error);
    }
    if (!files.DeleteFile(full)) {
        const std::uint32_t error = GetLastError();
        items.pop_back();
        WriteRecords(letter, items);
        ::unlink(stored.c_str());
        return Fail(error);
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

std::vector<RecycledItem> RecycleBin::Items(std::string_view rootPath) const
{
    std::vector<RecycledItem> all;
    const auto letters = Letters(rootPath);
    if (!letters)
        return all;
    for (const char letter : *letters) {
        std::vector<RecycledItem> items = ReadRecords(letter);
        all.insert(all.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    }
    return all;
}

std::optional<RecycleBinInfo> RecycleBin::Query(std::string_view rootPath) const
{
    if (!Letters(rootPath)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    RecycleBinInfo info;
    for (const RecycledItem& item : Items(rootPath)) {
        info.size += item.size;
        ++info.count;
    }
    SetLastError(ERROR_SUCCESS);
    return info;
}

bool RecycleBin::Empty(std::string_view rootPath, std::uint32_t /*flags*/)
{
    const auto letters = Letters(rootPath);
    if (!letters)
        return Fail(ERROR_INVALID_PARAMETER);
    StoreLock lock(*this);
    for (const char letter : *letters) {
        std::error_code ec;
        fs::remove_all(DriveFolder(letter), ec);
        if (ec)
            return Fail(Win32ErrorFromErrno(ec.value()));
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool RecycleBin::CopyIn(const std::string& hostSource, const RecycledItem& item)
{
    FileSystem& files = m_machine.Files();
    const std::string folder = FolderOf(item.originalPath);
    if (!folder.empty() && !files.ForceDirectories(folder))
        return false;
    const int fd = ::open(hostSource.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FailErrno();
    auto target = files.CreateFile(item.originalPath, GENERIC_WRITE, FILE_SHARE_NONE, Disposition::CreateNew);
    if (!target) {
        ::close(fd);
        return false;
    }
    std::vector<char> buffer(CopyBlock);
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0 || FailErrno();
            break;
        }
        std::size_t put = 0;
        if (!target->Write(buffer.data(), static_cast<std::size_t>(got), put)) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    if (ok)
        ok = target->Flush() && target->SetTimes(&item.creationTime, nullptr, &item.lastWriteTime);
    target.reset();
    if (!ok) {
        // No half-restored file stays behind.
        const std::uint32_t error = GetLastError();
        files.DeleteFile(item.originalPath);
        return Fail(error);
    }
    files.SetFileAttributes(item.originalPath, item.attributes);
    return true;
}

bool RecycleBin::Restore(std::string_view id)
{
    if (id.size() < 3 || id[0] != 'D' || id[1] < 'A' || id[1] > 'Z')
        return Fail(ERROR_FILE_NOT_FOUND);
    const char letter = id[1];
    StoreLock lock(*this);
    std::vector<RecycledItem> items = ReadRecords(letter);
    const auto found = std::find_if(items.begin(), items.end(), [&](const RecycledItem& i) { return i.id == id; });
    if (found == items.end())
        return Fail(ERROR_FILE_NOT_FOUND);
    const std::string host = DriveFolder(letter) + "/" + found->id;
    if (!CopyIn(host, *found))
        return false;
    items.erase(found);
    WriteRecords(letter, items);
    ::unlink(host.c_str());
    SetLastError(ERROR_SUCCESS);
    return true;
}

} // namespace lumexa::platform
