#include "filesecurity/FileLocker/LockIo.h"

#include <array>
#include <cerrno>
#include <cstdio>

#include <sys/random.h>

#include "filesecurity/FileLocker/FileLocker.h"
#include "filesecurity/crypto/BodyCipher.h"
#include "filesecurity/crypto/Catalogue.h"
#include "filesecurity/crypto/LockHeader.h"
#include "filesecurity/crypto/PasswordCheck.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Types.h"

namespace lumexa::filesecurity {

using platform::FileHandle;
using platform::FileSystem;

// Salt, initial vector and table index come from the operating system's random source: they
// must not repeat between files or be guessable.
bool RandomBytes(std::span<std::uint8_t> out)
{
    std::size_t filled = 0;
    while (filled < out.size()) {
        const ssize_t got = getrandom(out.data() + filled, out.size() - filled, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        filled += static_cast<std::size_t>(got);
    }
    return true;
}

// Uniform over 1..99: bytes of 198 and above are drawn again so that no entry is favoured.
std::optional<std::uint8_t> RandomTableIndex()
{
    for (;;) {
        std::uint8_t b = 0;
        if (!RandomBytes({&b, 1}))
            return std::nullopt;
        if (b < 2 * kPasswordTableWriterEntries)
            return static_cast<std::uint8_t>(1 + b % kPasswordTableWriterEntries);
    }
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A new, empty file in `folder` under a name nobody uses: created exclusively, so an existing
// file is never opened or replaced.
std::unique_ptr<FileHandle> CreateTemporary(FileSystem& files, const std::string& folder, std::string& name)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::array<std::uint8_t, 4> random{};
        if (!RandomBytes(random))
            return nullptr;
        char tag[9];
        std::snprintf(tag, sizeof tag, "%02x%02x%02x%02x", random[0], random[1], random[2], random[3]);
        name = folder + "~lx" + tag + ".tmp";
        auto handle = files.CreateFile(name,
                                       platform::GENERIC_READ | platform::GENERIC_WRITE,
                                       platform::FILE_SHARE_NONE,
                                       platform::Disposition::CreateNew);
        if (handle)
            return handle;
        const std::uint32_t error = platform::GetLastError();
        if (error != platform::ERROR_FILE_EXISTS && error != platform::ERROR_ALREADY_EXISTS)
            return nullptr;
    }
    return nullptr;
}

// Reads up to `count` bytes, fewer only at the end of the file.
bool ReadFull(FileHandle& file, std::uint8_t* buffer, std::size_t count, std::size_t& done)
{
    done = 0;
    while (done < count) {
        std::size_t got = 0;
        if (!file.Read(buffer + done, count - done, got))
            return false;
        if (got == 0)
            break;
        done += got;
    }
    return true;
}

bool WriteAll(FileHandle& file, const std::uint8_t* buffer, std::size_t count)
{
    std::size_t done = 0;
    return count == 0 || (file.Write(buffer, count, done) && done == count);
}

std::optional<std::string> CommitOutput(FileSystem& files,
                                        std::unique_ptr<FileHandle> output,
                                        const std::string& temporary,
                                        const std::string& finalName,
                                        const std::string& input,
                                        bool deleteInput)
{
    // The reason is taken before the clean-up, which sets the last error of its own.
    const auto failed = [](const std::string& what) {
        return what + " (" + platform::SystemMessage(platform::GetLastError()) + ")";
    };
    const bool flushed = output->Flush();
    output.reset();
    if (!flushed) {
        std::string error = failed("cannot write " + temporary);
        files.DeleteFile(temporary);
        return error;
    }
    if (!files.MoveFile(temporary, finalName)) {
        std::string error = failed("cannot rename the output to " + finalName);
        files.DeleteFile(temporary);
        return error;
    }
    if (deleteInput && !files.DeleteFile(input)) {
        std::string error = failed("cannot delete " + input);
        files.DeleteFile(finalName);
        return error;
    }
    return std::nullopt;
}

TLockSource::TLockSource() = default;
TLockSource::TLockSource(TLockSource&&) noexcept = default;
TLockSource::~TLockSource() = default;

std::optional<TLockSource> OpenLockSource(FileSystem& files, const std::string& path, std::string& error)
{
    TLockSource source;
    source.handle =
        files.CreateFile(path, platform::GENERIC_READ, platform::FILE_SHARE_READ, platform::Disposition::OpenExisting);
    const std::optional<std::uint64_t> size = source.handle ? source.handle->Size() : std::nullopt;
    if (!size) {
        error = (source.handle ? "cannot read the size of " : "cannot open ") + path + " (" +
                platform::SystemMessage(platform::GetLastError()) + ")";
        return std::nullopt;
    }
    if (*size > kLargestLockableSize) {
        error = path + " is 4 GiB or larger; locked files hold less than 4 GiB";
        return std::nullopt;
    }
    source.size = *size;
    source.finalName = path + std::string(kLockedSuffix);
    if (files.FileExists(source.finalName) || files.DirectoryExists(source.finalName)) {
        error = source.finalName + " already exists";
        return std::nullopt;
    }
    return source;
}

TNewLock::TNewLock() = default;
TNewLock::TNewLock(TNewLock&&) noexcept = default;
TNewLock::~TNewLock() = default;

std::optional<TNewLock>
PrepareNewLock(std::size_t cipherIndex, std::size_t hashIndex, const std::string& password, std::string& error)
{
    TLockHeader header;
    const std::optional<std::uint8_t> tableIndex = RandomTableIndex();
    header.tableIndex = tableIndex.value_or(0);
    header.cipherIndex = static_cast<std::uint8_t>(cipherIndex);
    header.hashIndex = static_cast<std::uint8_t>(hashIndex);
    header.check = StoredPasswordCheck(password, header.tableIndex).value_or(std::string());
    header.iv.resize(cipherIndex < kCipherCount ? CipherCatalogue()[cipherIndex].blockBytes : 0);
    if (!tableIndex || !RandomBytes(header.salt) || !RandomBytes(header.iv)) {
        error = "no random bytes from the operating system";
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> headerBytes = SerializeLockHeader(header);
    TNewLock lock;
    lock.cipher = TBodyCipher::Create(
        cipherIndex, hashIndex, header.salt, password, header.iv, TBodyCipher::TDirection::Encipher);
    if (!headerBytes || !lock.cipher) {
        error = "no such cipher or hash";
        return std::nullopt;
    }
    lock.header = std::move(*headerBytes);
    return lock;
}

} // namespace lumexa::filesecurity
