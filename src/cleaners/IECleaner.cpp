#include "cleaners/IECleaner.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <memory>
#include <string>

#include "core/SettingsManager.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "platform/UrlCache.h"
#include "platform/UrlHistory.h"

namespace lumexa::cleaners {

namespace {

using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using platform::Machine;

constexpr const char* TypedUrlsKey = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr const char* IntelliFormsKey = "Software\\Microsoft\\Internet Explorer\\IntelliForms";
constexpr const char* InternetSettingsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
// The settings store item that reads Explorer's "History" shell folder.
constexpr std::uint8_t HistoryFolderItem = 42;
constexpr std::uint32_t ClearedAttributes =
    platform::FILE_ATTRIBUTE_READONLY | platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_SYSTEM;

std::string WithoutTrailingSeparators(std::string_view folder)
{
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        folder.remove_suffix(1);
    return std::string(folder);
}

// A folder a sweep may be given: absolute ("X:\...") and below a drive's root. An empty value,
// a relative one or a bare root would sweep the current folder or a whole drive.
bool IsSweepableFolder(std::string_view folder)
{
    const std::string trimmed = WithoutTrailingSeparators(platform::Trim(folder));
    const bool drive = trimmed.size() > 3 && std::isalpha(static_cast<unsigned char>(trimmed[0])) &&
                       trimmed[1] == ':' && (trimmed[2] == '\\' || trimmed[2] == '/');
    return drive && trimmed.find_first_not_of("\\/ ", 3) != std::string::npos;
}

// Windows NT 5.0 to 6.0 (2000, XP, Server 2003, Vista, Server 2008) delete files at restart
// through PendingFileRenameOperations; every other system gets a WININIT.INI line.
bool IsModernSystem()
{
    const platform::OsVersionInfo os = Machine::Current().OsVersion();
    return os.nt && ((os.major == 5 && os.minor <= 2) || (os.major == 6 && os.minor == 0));
}

// Adds "NUL=<path>" to the [rename] section of WININIT.INI, which Windows 9x carries out at
// the next start. Unlike WritePrivateProfileString, which would overwrite the section's first
// "NUL" key, this keeps the deletions other programs have scheduled there; a path already
// scheduled is not added twice.
bool AddWininitDeletion(const std::string& wininit, const std::string& path)
{
    platform::FileSystem& files = Machine::Current().Files();
    const std::string text = files.ReadWholeFile(wininit).value_or("");
    std::vector<std::string> lines;
    for (std::string line : platform::SplitAt(text, '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    while (!lines.empty() && platform::Trim(lines.back()).empty())
        lines.pop_back();
    const std::string entry = "NUL=" + path;
    std::size_t insertAt = std::string::npos;
    bool inRename = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = platform::Trim(lines[i]);
        if (line.starts_with("[")) {
            if (inRename)
                break;
            inRename = platform::EqualsNoCase(line, "[rename]");
            if (inRename)
                insertAt = i + 1;
            continue;
        }
        if (!inRename)
            continue;
        if (platform::EqualsNoCase(line, entry))
            return true;
        if (!line.empty())
            insertAt = i + 1;
    }
    if (insertAt == std::string::npos) {
        lines.push_back("[rename]");
        lines.push_back(entry);
    } else {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    }
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    return files.WriteWholeFileAtomic(wininit, out);
}

} // namespace

std::string CookieUrlHost(std::string_view url)
{
    if (const std::size_t at = url.find('@'); at != std::string_view::npos)
        url.remove_prefix(at + 1);
    return std::string(url.substr(0, url.find('/')));
}

std::string UrlHost(std::string_view text)
{
    const std::string trimmed = platform::Trim(text);
    std::string_view url = trimmed;
    if (const std::size_t scheme = url.find("://"); scheme != std::string_view::npos)
        url.remove_prefix(scheme + 3);
    url = url.substr(0, url.find_first_of("/\\?#"));
    if (const std::size_t at = url.rfind('@'); at != std::string_view::npos)
        url.remove_prefix(at + 1);
    if (url.starts_with('[')) // an IPv6 literal keeps its colons
        return std::string(url.substr(0, url.find(']') == std::string_view::npos ? url.size() : url.find(']') + 1));
    return std::string(url.substr(0, url.find(':')));
}

TIECleanerThread::TIECleanerThread(std::uint8_t mode, std::uint8_t source, bool, std::uintptr_t)
    : TSecureCleaner(source)
    , m_mode(mode)
    , m_safeCookies(TKeepList::Load(SafeCookiesFile))
    , m_safeUrls(TKeepList::Load(SafeURLsFile))
{}

TIECleanerThread::~TIECleanerThread()
{
    StopAndWait();
}

void TIECleanerThread::Execute()
{
    if (m_mode == ModeAol)
        RunItems(FirstAolItem, LastAolItem, [this](std::uint8_t item) { CleanItem(item); });
    else
        RunItems(FirstIEItem, LastIEItem, [this](std::uint8_t item) { CleanItem(item); });
    SetTerminatedFlag();
}

std::optional<std::string> TIECleanerThread::SpecialFolder(platform::Csidl csidl) const
{
    return Machine::Current().Shell().SpecialFolder(csidl);
}

std::string TIECleanerThread::HistoryFolder() const
{
    return core::TSettingsManager::ReadString(HistoryFolderItem);
}

std::string TIECleanerThread::WindowsFolder() const
{
    return Machine::Current().Shell().WindowsDirectory();
}

void TIECleanerThread::CleanItem(std::uint8_t item)
{
    switch (item) {
    case 55:
    case 63:
        RewriteTypedUrls();
        break;
    case 56:
    case 64:
        CachePass(TCacheKind::Cookie, item);
        break;
    case 57:
    case 65:
        CachePass(TCacheKind::File, item);
        break;
    case 58:
        CleanHistory();
        break;
    case 59:
    case 66:
        DeleteRegistryKey(HKEY_CURRENT_USER, IntelliFormsKey);
        break;
    case 60:
        SweepSpecialFolder(platform::Csidl::Favorites);
        break;
    case 61:
        CleanIndexDat();
        break;
    case 62:
        CleanDownloadedProgramFiles();
        break;
    default:
        break;
    }
}

void TIECleanerThread::RewriteTypedUrls()
{
    DeleteRegistryKey(HKEY_CURRENT_USER, TypedUrlsKey);
    if (Analysing())
        return;
    auto key = Machine::Current().Registry().Create(HKEY_CURRENT_USER, TypedUrlsKey);
    if (!key)
        return;
    // Numbered from url0; a blank line of the keep file would be an empty address in the
    // browser's drop-down list, so it takes no number.
    int number = 0;
    for (const std::string& url : m_safeUrls.Lines())
        if (!platform::Trim(url).empty())
            key->SetString("url" + std::to_string(number++), url);
}

void TIECleanerThread::CachePass(TCacheKind kind, std::uint8_t item)
{
    platform::UrlCache& cache = Machine::Current().UrlCache();
    const auto find = cache.FindFirstUrlCacheEntry();
    if (!find)
        return;
    do {
        const platform::UrlCacheEntry entry = find->Data();
        const bool isCookie = (entry.cacheEntryType & platform::COOKIE_CACHE_ENTRY) != 0;
        if (isCookie != (kind == TCacheKind::Cookie))
            continue;
        const std::uint64_t size = entry.localFileName.empty() ? 0 : FileSize(entry.localFileName);
        DoReportDetail(entry.localFileName,
                       entry.sourceUrl,
                       {},
                       item,
                       true,
                       static_cast<std::int32_t>(std::min<std::uint64_t>(size, INT32_MAX)));
        if (!Analysing() && !Keeps(kind, entry.sourceUrl))
            cache.DeleteUrlCacheEntry(entry.sourceUrl); // a failure is not retried
    } while (find->Next());
}

bool TIECleanerThread::Keeps(TCacheKind kind, const std::string& url) const
{
    if (kind == TCacheKind::Cookie)
        return m_safeCookies.ContainsHost(CookieUrlHost(url));
    // A safe URL keeps the cache entries of its site: hosts compared ignoring case.
    const std::string host = UrlHost(url);
    if (host.empty())
        return false;
    return std::any_of(m_safeUrls.Lines().begin(), m_safeUrls.Lines().end(), [&](const std::string& line) {
        return platform::EqualsNoCase(UrlHost(line), host);
    });
}

void TIECleanerThread::CleanHistory()
{
    if (const std::string folder = HistoryFolder(); IsSweepableFolder(folder))
        SweepFolder(WithoutTrailingSeparators(folder), "*.*", {}, {}, true);
    // The store forgets every visited address; like a COM failure, a failure here is ignored.
    if (!Analysing())
        Machine::Current().UrlHistory().ClearHistory();
}

void TIECleanerThread::SweepSpecialFolder(platform::Csidl csidl)
{
    if (const auto folder = SpecialFolder(csidl); folder && IsSweepableFolder(*folder))
        SweepFolder(WithoutTrailingSeparators(*folder), "*.*", {}, {}, true);
}

void TIECleanerThread::CleanDownloadedProgramFiles()
{
    const auto key = Machine::Current().Registry().Open(HKEY_LOCAL_MACHINE, InternetSettingsKey);
    std::string folder;
    if (!key || key->GetString("ActiveXCache", folder) != platform::RegRead::Ok)
        return;
    if (const auto value = key->QueryValue("ActiveXCache"); value && value->type == platform::RegType::ExpandSz)
        folder = Machine::Current().Shell().ExpandEnvironmentStrings(folder);
    if (IsSweepableFolder(folder))
        SweepFolder(WithoutTrailingSeparators(folder), "*.*", {}, {}, true);
}

void TIECleanerThread::CleanIndexDat()
{
    const bool modern = IsModernSystem();
    const std::string windows = WindowsFolder();
    const std::string wininit = windows.empty() ? std::string() : WithoutTrailingSeparators(windows) + "\\WININIT.INI";
    platform::FileSystem& files = Machine::Current().Files();

    if (const auto cookies = SpecialFolder(platform::Csidl::Cookies); cookies && IsSweepableFolder(*cookies)) {
        const std::string path = WithoutTrailingSeparators(*cookies) + "\\index.dat";
        if (files.FileExists(path)) {
            if (modern)
                DeleteAtRestart(path);
            else if (!wininit.empty() && !Analysing())
                AddWininitDeletion(wininit, path);
        }
    }
    if (const auto cache = SpecialFolder(platform::Csidl::InternetCache); cache && IsSweepableFolder(*cache)) {
        std::vector<std::string> found;
        CollectIndexDat(WithoutTrailingSeparators(*cache), found);
        if (modern)
            for (const std::string& path : found)
                DeleteAtRestart(path);
    }
}

void TIECleanerThread::CollectIndexDat(const std::string& folder, std::vector<std::string>& found)
{
    platform::FileSystem& files = Machine::Current().Files();
    const auto find = files.FindFirstFile(folder + "\\*.*");
    if (!find)
        return;
    do {
        const platform::FindData entry = find->Data();
        if (entry.name == "." || entry.name == "..")
            continue;
        // A link or mount point leads outside the cache: neither entered nor collected.
        if (entry.attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        const std::string path = folder + "\\" + entry.name;
        // The shell marks its index files hidden and system; analysis changes nothing.
        if ((entry.attributes & ClearedAttributes) && !Analysing())
            files.SetFileAttributes(path, entry.attributes & ~ClearedAttributes & ~platform::FILE_ATTRIBUTE_DIRECTORY);
        if (entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY) {
            if (!entry.name.starts_with('.'))
                CollectIndexDat(path, found);
        } else if (platform::EqualsNoCase(entry.name, "index.dat")) {
            found.push_back(path);
        }
    } while (find->Next());
}

void TIECleanerThread::DeleteAtRestart(const std::string& path)
{
    // The shell holds these files while Windows runs: they go at the next restart. The report
    // says whether the deletion could be scheduled (in analysis: that the file was found).
    const std::uint64_t size = FileSize(path);
    const bool scheduled = Analysing() || Machine::Current().Files().MoveFileDelayUntilReboot(path, std::nullopt);
    DoReportErased(path, scheduled, size);
}

} // namespace lumexa::cleaners
