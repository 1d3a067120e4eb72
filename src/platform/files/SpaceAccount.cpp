#include "platform/files/SpaceAccount.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumexa::platform::files {

namespace {

std::uint64_t RoundUp(std::uint64_t size, std::uint64_t cluster)
{
    return cluster == 0 ? size : (size + cluster - 1) / cluster * cluster;
}

} // namespace

std::uint64_t UsedBytesUnder(const std::string& hostRoot, std::uint64_t clusterSize)
{
    const int rootFd = ::open(hostRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        return 0;
    struct stat rootStat = {};
    ::fstat(rootFd, &rootStat);
    std::uint64_t used = 0;
    std::vector<int> pending{rootFd};
    while (!pending.empty()) {
        const int dirFd = pending.back();
        pending.pop_back();
        DIR* dir = ::fdopendir(dirFd);
        if (!dir) {
            ::close(dirFd);
            continue;
        }
        while (const dirent* entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            struct stat st = {};
            if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISREG(st.st_mode)) {
                used += RoundUp(static_cast<std::uint64_t>(st.st_size), clusterSize);
            } else if (S_ISDIR(st.st_mode) && st.st_dev == rootStat.st_dev) {
                const int child = ::openat(dirFd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (child >= 0)
                    pending.push_back(child);
            }
        }
        ::closedir(dir);
    }
    return used;
}

SpaceAccount::SpaceAccount(std::string hostRoot, std::uint64_t capacity, std::uint64_t clusterSize)
    : m_hostRoot(std::move(hostRoot))
    , m_capacity(capacity)
    , m_clusterSize(clusterSize == 0 ? 4096 : clusterSize)
{}

std::uint64_t SpaceAccount::Rounded(std::uint64_t size) const
{
    return RoundUp(size, m_clusterSize);
}

std::uint64_t SpaceAccount::Used(bool fresh)
{
    std::lock_guard lock(m_mutex);
    WalkIfNeeded(fresh);
    return m_used;
}

std::uint64_t SpaceAccount::Grow(std::uint64_t oldSize, std::uint64_t newSize)
{
    if (newSize <= oldSize)
        return newSize;
    std::lock_guard lock(m_mutex);
    WalkIfNeeded(false);
    const std::uint64_t oldRounded = Rounded(oldSize);
    const std::uint64_t free = m_capacity > m_used ? m_capacity - m_used : 0;
    // Whole clusters only: the last one a file touches is taken entirely.
    const std::uint64_t limit = oldRounded + free / m_clusterSize * m_clusterSize;
    const std::uint64_t fits = std::max(oldSize, std::min(newSize, limit));
    m_used += Rounded(fits) - oldRounded;
    return fits;
}

void SpaceAccount::Shrink(std::uint64_t oldSize, std::uint64_t newSize)
{
    if (newSize >= oldSize)
        return;
    std::lock_guard lock(m_mutex);
    if (!m_walked)
        return; // the first walk will see the file as it is
    const std::uint64_t released = Rounded(oldSize) - Rounded(newSize);
    m_used = m_used > released ? m_used - released : 0;
}

void SpaceAccount::WalkIfNeeded(bool fresh)
{
    const auto now = std::chrono::steady_clock::now();
    if (m_walked && !(fresh && now - m_walkedAt > std::chrono::seconds(1)))
        return;
    m_used = UsedBytesUnder(m_hostRoot, m_clusterSize);
    m_walked = true;
    m_walkedAt = now;
}

} // namespace lumexa::platform::files
