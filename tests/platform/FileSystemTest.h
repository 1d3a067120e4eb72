#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "support/TempDir.h"

namespace lumexa::test {

// A FileSystem over folders of a fresh TempDir:
//   C:  <tmp>/drive_c, fixed, a virtual 1 MiB volume (4 KiB clusters)
//   D:  <tmp>/cdrom, a CD-ROM drive with the host's figures
//   E:  <tmp>/drive_e, fixed, the host's figures (the other volume of cross-drive moves)
//   Z:  "/", the host's root
// The current directory is C:\work.
class FileSystemFixture : public ::testing::Test
{
protected:
    static constexpr std::uint64_t kCapacity = 1 << 20;
    static constexpr std::uint64_t kCluster = 4096;

    FileSystemFixture();

    platform::FileSystemConfig Config() const;
    platform::FileSystem& Files() { return *m_files; }
    // Replaces the file system (another process's view, or another configuration).
    void Reopen(const platform::FileSystemConfig& config);

    const std::string& Root() const { return m_tmp.Path(); }
    // Host path below drive C:'s folder.
    std::string Host(const std::string& relative) const { return m_tmp / ("drive_c/" + relative); }
    static bool HostExists(const std::string& host);

    std::unique_ptr<platform::FileHandle> Open(std::string_view path,
                                               std::uint32_t access,
                                               std::uint32_t share,
                                               platform::Disposition disposition = platform::Disposition::OpenExisting);
    // The whole contents through a handle opened for reading.
    static std::string ReadAll(platform::FileHandle& file);
    // Writes through the layer, asserting success.
    void WriteFile(std::string_view path, std::string_view contents);

private:
    TempDir m_tmp;
    std::unique_ptr<platform::FileSystem> m_files;
};

} // namespace lumexa::test
