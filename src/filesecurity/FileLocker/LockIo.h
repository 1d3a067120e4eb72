#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumexa::platform {
class FileHandle;
class FileSystem;
} // namespace lumexa::platform

// The file and random-number steps that the locker and the hider share when they write a
// locked file: its random fields, its exclusive temporary output, and whole reads and writes.
namespace lumexa::filesecurity {

class TBodyCipher;

// What a new locked file starts with: its serialized header and the cipher of its body.
struct TNewLock
{
    std::vector<std::uint8_t> header;
    std::unique_ptr<TBodyCipher> cipher;

    TNewLock();
    TNewLock(TNewLock&&) noexcept;
    ~TNewLock();
};

// Bytes from the operating system's random source; false when it fails.
bool RandomBytes(std::span<std::uint8_t> out);
// A password-table index for a new file, uniform over the entries writers use.
std::optional<std::uint8_t> RandomTableIndex();
// The folder of a Windows path, with its trailing "\" (empty when there is none).
std::string FolderOf(const std::string& path);
// A new, empty file in `folder` under a name nobody uses, open for reading and writing and
// shared with nobody: created exclusively, so an existing file is never opened or replaced.
// `name` receives its path.
std::unique_ptr<platform::FileHandle>
CreateTemporary(platform::FileSystem& files, const std::string& folder, std::string& name);
// The suffix of a locked file's name.
inline constexpr std::string_view kLockedSuffix = ".lxe";

// The input of a new locked file: open for reading (others may read it too), its size, and the
// name its locked form takes.
struct TLockSource
{
    std::unique_ptr<platform::FileHandle> handle;
    std::uint64_t size = 0;
    std::string finalName;

    TLockSource();
    TLockSource(TLockSource&&) noexcept;
    ~TLockSource();
};
// Opens `path` to be locked; nullopt and `error` when it cannot be opened or measured, is 4 GiB
// or larger, or its locked name is taken.
std::optional<TLockSource> OpenLockSource(platform::FileSystem& files, const std::string& path, std::string& error);

// The header and body cipher of a new locked file for `password` under the catalogue positions,
// with the table index, salt and initial vector drawn from the operating system's random
// source. nullopt and `error` when there are no random bytes or no such cipher or hash.
std::optional<TNewLock>
PrepareNewLock(std::size_t cipherIndex, std::size_t hashIndex, const std::string& password, std::string& error);
// Reads up to `count` bytes, fewer only at the end of the file.
bool ReadFull(platform::FileHandle& file, std::uint8_t* buffer, std::size_t count, std::size_t& done);
// Writes all `count` bytes.
bool WriteAll(platform::FileHandle& file, const std::uint8_t* buffer, std::size_t count);

// Finishes a new file written under a temporary name: flushes and closes `output`, gives it
// `finalName` without replacing anything, then deletes `input` when `deleteInput`. On any
// failure the input stays whole and the output goes. nullopt on success, else what failed with
// the system's reason.
std::optional<std::string> CommitOutput(platform::FileSystem& files,
                                        std::unique_ptr<platform::FileHandle> output,
                                        const std::string& temporary,
                                        const std::string& finalName,
                                        const std::string& input,
                                        bool deleteInput);

} // namespace lumexa::filesecurity
