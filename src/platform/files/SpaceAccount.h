#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

// The used bytes of a drive with a virtual capacity (drive C:): the sum of the cluster-rounded
// sizes of the files under its host folder. The folder is walked once when first needed and
// again when a figure older than a second is asked for (to see changes made behind the
// layer); in between the layer's own writes, truncations and deletions keep it current, so a
// write costs no walk.
namespace lumexa::platform::files {

class SpaceAccount
{
public:
    SpaceAccount(std::string hostRoot, std::uint64_t capacity, std::uint64_t clusterSize);

    std::uint64_t Capacity() const { return m_capacity; }
    std::uint64_t Rounded(std::uint64_t size) const;

    // The used bytes; `fresh` re-walks a figure older than a second.
    std::uint64_t Used(bool fresh);
    // Reserves room for a file growing from `oldSize` to `newSize` and returns the largest size
    // up to `newSize` that fits (at least `oldSize`); the reservation covers that size.
    std::uint64_t Grow(std::uint64_t oldSize, std::uint64_t newSize);
    // A file shrank (truncation, deletion with size 0 as `newSize`, an unused reservation).
    void Shrink(std::uint64_t oldSize, std::uint64_t newSize);

private:
    void WalkIfNeeded(bool fresh);

    std::string m_hostRoot;
    std::uint64_t m_capacity;
    std::uint64_t m_clusterSize;
    std::mutex m_mutex;
    bool m_walked = false;
    std::uint64_t m_used = 0;
    std::chrono::steady_clock::time_point m_walkedAt;
};

// The bytes the regular files under a host folder occupy, each rounded up to whole clusters.
// Symbolic links are not followed and other file systems mounted below are not entered.
std::uint64_t UsedBytesUnder(const std::string& hostRoot, std::uint64_t clusterSize);

} // namespace lumexa::platform::files
