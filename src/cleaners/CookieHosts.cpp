#include "cleaners/CookieHosts.h"

#include <mutex>
#include <utility>

#include "cleaners/IECleaner.h"
#include "core/SecureDeleteOptions.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/SqliteDatabase.h"
#include "platform/Text.h"

namespace lumexa::cleaners {

namespace {

constexpr std::string_view TypedUrlsKey = "Software\\Microsoft\\Internet Explorer\\TypedURLs";

std::vector<std::string> DatabaseHosts(const platform::FileSystem& files, const std::string& path)
{
    std::vector<std::string> hosts;
    platform::SqliteStatus status;
    const auto db = platform::SqliteDatabase::Open(files, path, status);
    if (!db)
        return hosts;
    const auto rows = db->Prepare("select * from moz_cookies", status);
    if (!rows)
        return hosts;
    const int host = rows->ColumnIndex("host");
    if (host < 0)
        return hosts;
    // An error ends the reading; the hosts read so far stay.
    while (rows->Step() == platform::SqliteStep::Row)
        hosts.push_back(platform::Trim(rows->ColumnText(host)));
    return hosts;
}

} // namespace

std::vector<std::string> CookieFileHosts(std::string_view text)
{
    std::vector<std::string> hosts;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string line = platform::Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#')
            continue;
        if (const std::size_t tab = line.find('\t'); tab != std::string::npos)
            hosts.push_back(line.substr(0, tab));
    }
    return hosts;
}

std::vector<std::string> ProfileCookieHosts(const TSavedProfiles& profiles, bool sqlite)
{
    const platform::FileSystem& files = platform::Machine::Current().Files();
    std::vector<std::string> hosts;
    for (const TSavedProfile& profile : profiles) {
        std::vector<std::string> found;
        if (const std::string database = profile.path + "\\cookies.sqlite"; sqlite && files.FileExists(database)) {
            found = DatabaseHosts(files, database);
        } else if (const std::string cookies = profile.path + "\\Cookies.txt"; files.FileExists(cookies)) {
            if (const auto text = files.ReadWholeFile(cookies))
                found = CookieFileHosts(*text);
        }
        hosts.insert(hosts.end(), found.begin(), found.end());
    }
    return hosts;
}

std::vector<std::string> TypedWebUrls()
{
    std::vector<std::string> urls;
    const auto key = platform::Machine::Current().Registry().Open(platform::HKEY_CURRENT_USER, TypedUrlsKey);
    if (!key)
        return urls;
    for (const std::string& name : key->ValueNames()) {
        std::string url;
        if (key->GetString(name, url) != platform::RegRead::Ok)
            continue;
        if (platform::StartsWithNoCase(url, "http") || platform::StartsWithNoCase(url, "www"))
            urls.push_back(url);
    }
    return urls;
}

std::unique_ptr<TIECleanerThread> NewIECookieLister(std::function<void(std::string host)> onHost)
{
    constexpr std::uint8_t IECookiesItem = 56;
    // The deletion settings source with the defaults: the analysis reads no deletion settings.
    constexpr std::uint8_t DefaultOptionsSource = 2;
    auto cleaner =
        std::make_unique<TIECleanerThread>(TIECleanerThread::ModeInternetExplorer, DefaultOptionsSource, true, 0);
    cleaner->Options.Method = core::MethodAnalysis;
    cleaner->Items.reset();
    cleaner->Items.set(IECookiesItem);
    cleaner->ReportDetail =
        [onHost = std::move(onHost)](
            const std::string&, const std::string& url, const std::string&, std::uint8_t, bool, std::int64_t) {
            onHost(CookieUrlHost(url));
        };
    return cleaner;
}

std::vector<std::string> IECookieHosts()
{
    std::mutex lock;
    std::vector<std::string> hosts;
    const auto lister = NewIECookieLister([&](std::string host) {
        std::lock_guard guard(lock);
        hosts.push_back(std::move(host));
    });
    lister->Resume();
    lister->WaitFor();
    return hosts;
}

} // namespace lumexa::cleaners
