#pragma once

#include <string>

#include <sys/stat.h>

#include "platform/FileSystem.h"

namespace lumexa::platform::files {

class DosAttributes;
class SpaceAccount;

// A FileHandle over one host file descriptor. The descriptor carries the handle's share-mode
// locks, so closing it releases them.
class HostFile final : public FileHandle
{
public:
    struct Setup
    {
        int fd = -1;
        std::string path; // Windows path
        std::string host;
        unsigned access = 0;          // kAccessRead | kAccessWrite | kAccessDelete
        bool writeAttributes = false; // may set times (write access or FILE_WRITE_ATTRIBUTES)
        bool append = false;
        bool archiveSet = false; // the file already carries ARCHIVE
        DosAttributes* attributes = nullptr;
        SpaceAccount* space = nullptr; // the drive's account, when it has a virtual capacity
    };

    explicit HostFile(Setup setup);
    ~HostFile() override;
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;

    bool Read(void* buffer, std::size_t count, std::size_t& done) override;
    bool Write(const void* buffer, std::size_t count, std::size_t& done) override;
    bool Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* newPosition = nullptr) override;
    std::optional<std::uint64_t> Size() const override;
    bool SetEndOfFile() override;
    bool Flush() override;
    bool GetTimes(FileTimes& times) const override;
    bool SetTimes(const FileTime* creation, const FileTime* lastAccess, const FileTime* lastWrite) override;
    const std::string& Path() const override { return m_setup.path; }

private:
    // Writing sets ARCHIVE, once per handle.
    void MarkArchive();
    bool Stat(struct stat& st) const;

    Setup m_setup;
};

} // namespace lumexa::platform::files
