#pragma once

#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include <sys/stat.h>

// Case-insensitive lookup of names in host folders. A name that does not exist as written
// needs a look at the whole folder; for a folder that receives many new names (20,000 files
// created in one folder) scanning it each time would cost quadratic time, so the folded names
// of the last folders looked at are kept. A listing is trusted while the folder keeps its
// identity and modification time, except when that time was too recent at the scan to tell
// a later change apart (then the next lookup scans again). The layer's own creations,
// deletions and renames update the listing they touch.
namespace lumexa::platform::files {

class FolderNames
{
public:
    // The stored name in `folder` equal to `name` case-insensitively (the smallest if the host
    // holds several), or nullopt.
    std::optional<std::string> Find(const std::string& folder, std::string_view name);
    void Added(const std::string& folder, const std::string& name);
    void Removed(const std::string& folder, const std::string& name);
    // Drops what is known of a folder (a stored name turned out to be gone).
    void Forget(const std::string& folder);

private:
    struct Listing
    {
        dev_t device = 0;
        ino_t inode = 0;
        timespec modified{};
        bool racy = false;
        std::unordered_map<std::string, std::string> names; // folded -> stored
    };

    bool Valid(const Listing& listing, const struct stat& st) const;
    Listing* Scan(const std::string& folder, const struct stat& st);
    void Touch(const std::string& folder);
    // After a change of our own: the folder's new time belongs to the listing.
    void Refresh(const std::string& folder, Listing& listing);

    std::mutex m_mutex;
    std::unordered_map<std::string, Listing> m_listings;
    std::list<std::string> m_recent; // most recently used first
};

} // namespace lumexa::platform::files
