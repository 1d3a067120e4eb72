#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaners/KeepList.h"
#include "core/SecureCleaner.h"
#include "platform/Types.h"

// The cleaner of Internet Explorer's traces (mode 0, items 55..62) and of the AOL items (mode 1,
// items 63..66), which work on the same stores: the typed URLs, the WinINet cache (cookies and
// temporary Internet files), the History folder with the URL history store, the IntelliForms
// key, the Favorites, the index.dat files and the downloaded program files. Two keep lists
// protect chosen sites: "Settings\SafeCookies.txt" (cookie hosts) and "Settings\SafeURLs.txt"
// (typed URLs, whose hosts also keep their cache entries). The cookies manager runs it in
// analysis with only item 56 to list the sites that hold cookies. Its events are the engine's
// own, raised on the cleaner's thread.
namespace lumexa::cleaners {

// The host a cookie entry's URL names, as the safe cookies list holds it: the text after the
// first "@" (the whole URL when there is none), up to the next "/". "Cookie:ann@example.com/"
// gives "example.com".
std::string CookieUrlHost(std::string_view url);
// The host of a URL or of a typed address: without scheme, user, port, path, query or
// fragment. "http://ann@WWW.Example.com:8080/a?b" gives "WWW.Example.com"; "www.example.com/a"
// gives "www.example.com".
std::string UrlHost(std::string_view url);

class TIECleanerThread : public core::TSecureCleaner
{
public:
    static constexpr std::uint8_t ModeInternetExplorer = 0;
    static constexpr std::uint8_t ModeAol = 1;
    static constexpr std::uint8_t FirstIEItem = 55;
    static constexpr std::uint8_t LastIEItem = 62;
    static constexpr std::uint8_t FirstAolItem = 63;
    static constexpr std::uint8_t LastAolItem = 66;

    // Created suspended with the deletion settings of `source` (0 the tracks eraser's, 2 the
    // defaults); loads both keep lists now. The last two arguments are accepted for the
    // callers' sake and not used.
    TIECleanerThread(std::uint8_t mode, std::uint8_t source, bool createSuspended, std::uintptr_t window);
    ~TIECleanerThread() override;

    std::uint8_t Mode() const { return m_mode; }

protected:
    // Works through the selected items of the mode in ascending order, then sets Terminated,
    // which is what the run waits for.
    void Execute() override;

    // Where the items find their folders: SHGetSpecialFolderPathA, the History folder of the
    // settings store (item 42, Explorer's "History" shell folder) and GetWindowsDirectoryA.
    // Each can fail on Windows (nullopt or an empty text); tests make them fail.
    virtual std::optional<std::string> SpecialFolder(platform::Csidl csidl) const;
    virtual std::string HistoryFolder() const;
    virtual std::string WindowsFolder() const;

private:
    enum class TCacheKind
    {
        Cookie,
        File,
    };

    void CleanItem(std::uint8_t item);
    void RewriteTypedUrls();
    void CachePass(TCacheKind kind, std::uint8_t item);
    bool Keeps(TCacheKind kind, const std::string& url) const;
    void CleanHistory();
    void SweepSpecialFolder(platform::Csidl csidl);
    void CleanDownloadedProgramFiles();
    void CleanIndexDat();
    void CollectIndexDat(const std::string& folder, std::vector<std::string>& found);
    void DeleteAtRestart(const std::string& path);

    std::uint8_t m_mode;
    TKeepList m_safeCookies;
    TKeepList m_safeUrls;
};

} // namespace lumexa::cleaners
