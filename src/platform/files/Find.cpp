// FindFirstFile / FindNextFile and the directory-search wildcard rules.
#include <algorithm>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Text.h"
#include "platform/files/FileSystemImpl.h"
#include "platform/files/WindowsPaths.h"

namespace lumexa::platform {

namespace {

// Decodes UTF-8 into code points, so that "?" stands for one character, not one byte. An
// invalid byte stands for itself.
std::u32string CodePoints(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80             ? 1
                             : (lead & 0xE0) == 0xC0 ? 2
                             : (lead & 0xF0) == 0xE0 ? 3
                             : (lead & 0xF8) == 0xF0 ? 4
                                                     : 0;
        char32_t cp = length == 1 ? lead : length == 2 ? (lead & 0x1Fu) : length == 3 ? (lead & 0x0Fu) : (lead & 0x07u);
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if (!valid) {
            out += static_cast<char32_t>(0xDC00 + lead); // a stand-in no valid text produces
            ++i;
            continue;
        }
        out += cp;
        i += length;
    }
    return out;
}

// "*" any run (also empty), "?" exactly one character, everything else itself.
bool WildcardMatch(std::u32string_view name, std::u32string_view mask)
{
    std::size_t n = 0;
    std::size_t m = 0;
    std::size_t star = std::u32string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == U'*') {
            star = m++;
            resume = n;
        } else if (star != std::u32string_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*')
        ++m;
    return m == mask.size();
}

struct Entry
{
    std::string name;
    std::string sortKey;
};

class DirectorySearch final : public FindHandle
{
public:
    DirectorySearch(FileSystem::Impl& impl, std::string folderHost, int folderFd, std::vector<Entry> entries)
        : m_impl(impl)
        , m_folderHost(std::move(folderHost))
        , m_folderFd(folderFd)
        , m_entries(std::move(entries))
    {
        ::fstat(m_folderFd, &m_folderStat);
    }
    ~DirectorySearch() override { ::close(m_folderFd); }
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    const FindData& Data() const override { return m_data; }

    bool Next() override
    {
        ++m_index;
        if (Load())
            return true;
        return Fail(ERROR_NO_MORE_FILES);
    }

    // Fills Data() from the entry at the current index, skipping entries that went away since
    // the folder was read; false at the end.
    bool Load()
    {
        for (; m_index < m_entries.size(); ++m_index) {
            const std::string& name = m_entries[m_index].name;
            struct stat st = {};
            if (::fstatat(m_folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            const std::string host = HostOf(name);
            // A folder on another file system (a mount point) is a reparse point to walkers.
            const bool mountPoint =
                name != "." && name != ".." && S_ISDIR(st.st_mode) && st.st_dev != m_folderStat.st_dev;
            m_data = m_impl.Describe(host, st, mountPoint);
            m_data.name = name;
            return true;
        }
        return false;
    }

private:
    std::string HostOf(const std::string& name) const
    {
        if (name == ".")
            return m_folderHost;
        if (name == "..") {
            const std::size_t slash = m_folderHost.rfind('/');
            return slash == 0 || slash == std::string::npos ? std::string("/") : m_folderHost.substr(0, slash);
        }
        return m_folderHost == "/" ? "/" + name : m_folderHost + "/" + name;
    }

    FileSystem::Impl& m_impl;
    std::string m_folderHost;
    int m_folderFd;
    struct stat m_folderStat = {};
    std::vector<Entry> m_entries;
    std::size_t m_index = 0;
    FindData m_data;
};

} // namespace

bool FileSystem::MatchesFindMask(std::string_view name, std::string_view mask)
{
    if (mask.empty() || name.empty())
        return false;
    if (mask == "*" || mask == "*.*")
        return true;
    const std::u32string folded = CodePoints(FoldCase(name));
    const std::u32string pattern = CodePoints(FoldCase(mask));
    const bool dotted = folded.find(U'.') != std::u32string::npos;
    const bool dotsOnly = folded.find_first_not_of(U'.') == std::u32string::npos; // "." and ".."
    // A trailing "." asks for names without an extension: "*." is every name without a dot.
    if (pattern.back() == U'.' && pattern.find_first_not_of(U'.') != std::u32string::npos) {
        const std::u32string_view stem(pattern.data(), pattern.size() - 1);
        return (!dotted || dotsOnly) && WildcardMatch(folded, stem);
    }
    if (WildcardMatch(folded, pattern))
        return true;
    // A trailing ".*" also takes a name without an extension: "History Index*.*" finds
    // "History Index".
    if (!dotted && pattern.size() >= 2 && pattern.ends_with(U".*"))
        return WildcardMatch(folded, std::u32string_view(pattern.data(), pattern.size() - 2));
    return false;
}

std::unique_ptr<FindHandle> FileSystem::FindFirstFile(std::string_view pattern)
{
    const std::string full = m_impl->FullPath(pattern);
    const std::size_t slash = full.rfind('\\');
    if (slash == std::string::npos) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    const std::string mask = full.substr(slash + 1);
    const std::string folderPath = full.substr(0, slash <= 2 ? 3 : slash);
    const auto folder = m_impl->Resolve(folderPath);
    if (!folder)
        return nullptr;
    const int folderFd = folder->exists ? ::open(folder->host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (folderFd < 0) {
        SetLastError(folder->exists && errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    if (mask.empty()) {
        ::close(folderFd);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }

    std::vector<Entry> entries;
    // A mask without wildcards names one entry: look it up before reading the whole folder, as
    // callers ask for one file's data in folders of many thousands. A miss still scans, since
    // the entry may differ in case or the mask may carry a trailing dot.
    struct stat exact = {};
    if (mask.find_first_of("*?") == std::string::npos && mask != "." && mask != ".." && files::IsWindowsName(mask) &&
        ::fstatat(folderFd, mask.c_str(), &exact, AT_SYMLINK_NOFOLLOW) == 0)
        entries.push_back(Entry{mask, UpperCase(mask)});
    else if (DIR* dir = ::fdopendir(::dup(folderFd))) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            // Names the host has but Windows cannot hold are not shown.
            if (files::IsWindowsName(name) && MatchesFindMask(name, mask))
                entries.push_back(Entry{std::string(name), UpperCase(name)});
        }
        ::closedir(dir);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.name < b.name;
    });
    // "." and ".." come first, except at a drive root, which has neither.
    if (!folder->isRoot) {
        for (const char* dots : {"..", "."}) {
            if (MatchesFindMask(dots, mask))
                entries.insert(entries.begin(), Entry{dots, dots});
        }
    }
    auto search = std::make_unique<DirectorySearch>(*m_impl, folder->host, folderFd, std::move(entries));
    if (!search->Load()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return search;
}

} // namespace lumexa::platform
