#include "platform/files/FolderNames.h"

#include <algorithm>
#include <ctime>

#include <dirent.h>

#include "platform/Text.h"

namespace lumexa::platform::files {

namespace {

constexpr std::size_t kMaxListings = 32;
// Folder times move in ticks of the kernel's coarse clock (a few milliseconds): a change
// within this margin of a scan could hide behind an unchanged time.
constexpr std::int64_t kRacyMarginNs = 50'000'000;

std::int64_t Nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

std::optional<std::string> FolderNames::Find(const std::string& folder, std::string_view name)
{
    struct stat st = {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    auto found = m_listings.find(folder);
    Listing* listing = found != m_listings.end() && Valid(found->second, st) ? &found->second : Scan(folder, st);
    if (!listing)
        return std::nullopt;
    Touch(folder);
    const auto entry = listing->names.find(FoldCase(name));
    if (entry == listing->names.end())
        return std::nullopt;
    return entry->second;
}

void FolderNames::Added(const std::string& folder, const std::string& name)
{
    std::lock_guard lock(m_mutex);
    auto found = m_listings.find(folder);
    if (found == m_listings.end())
        return;
    auto [entry, inserted] = found->second.names.emplace(FoldCase(name), name);
    if (!inserted && name < entry->second)
        entry->second = name;
    Refresh(folder, found->second);
}

void FolderNames::Removed(const std::string& folder, const std::string& name)
{
    std::lock_guard lock(m_mutex);
    auto found = m_listings.find(folder);
    if (found == m_listings.end())
        return;
    const auto entry = found->second.names.find(FoldCase(name));
    if (entry != found->second.names.end() && entry->second == name)
        found->second.names.erase(entry);
    else if (entry != found->second.names.end())
        found->second.racy = true; // another spelling stays; rescan to know which
    Refresh(folder, found->second);
}

void FolderNames::Forget(const std::string& folder)
{
    std::lock_guard lock(m_mutex);
    m_listings.erase(folder);
    m_recent.remove(folder);
}

bool FolderNames::Valid(const Listing& listing, const struct stat& st) const
{
    return !listing.racy && listing.device == st.st_dev && listing.inode == st.st_ino &&
           SameTime(listing.modified, st.st_mtim);
}

FolderNames::Listing* FolderNames::Scan(const std::string& folder, const struct stat& st)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return nullptr;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    Listing listing;
    listing.device = st.st_dev;
    listing.inode = st.st_ino;
    listing.modified = st.st_mtim;
    listing.racy = Nanoseconds(now) - Nanoseconds(st.st_mtim) < kRacyMarginNs;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view stored(entry->d_name);
        if (stored == "." || stored == "..")
            continue;
        auto [slot, inserted] = listing.names.emplace(FoldCase(stored), stored);
        if (!inserted && stored < slot->second)
            slot->second = std::string(stored);
    }
    ::closedir(dir);
    if (m_listings.size() >= kMaxListings && !m_listings.contains(folder) && !m_recent.empty()) {
        m_listings.erase(m_recent.back());
        m_recent.pop_back();
    }
    Listing& kept = m_listings[folder];
    kept = std::move(listing);
    return &kept;
}

void FolderNames::Touch(const std::string& folder)
{
    m_recent.remove(folder);
    m_recent.push_front(folder);
}

void FolderNames::Refresh(const std::string& folder, Listing& listing)
{
    // Trusts that nobody else changed the folder in the same clock tick as this change: a
    // listing that could not be trusted after every change of our own would be scanned again
    // for every name created, and a wrong answer only means a name created in the caller's
    // case next to one that differs in case.
    struct stat st = {};
    if (::stat(folder.c_str(), &st) != 0 || st.st_ino != listing.inode || st.st_dev != listing.device) {
        m_listings.erase(folder);
        m_recent.remove(folder);
        return;
    }
    listing.modified = st.st_mtim;
    listing.racy = false;
}

} // namespace lumexa::platform::files
