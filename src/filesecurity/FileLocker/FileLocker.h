#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Locking and unlocking of single files: a file becomes "<name>.lxe" (the locked-file header
// of crypto/LockHeader.h followed by the enciphered body) and back. Every step goes through
// the machine's file system, the body is streamed in 8,192-byte pieces, and no step ever
// loses the only good copy of the data: the output is written under a fresh temporary name,
// renamed without replacing anything, and only then is the input deleted.
namespace lumexa::filesecurity {

// Pieces the body is read and written in; a multiple of both block sizes.
inline constexpr std::size_t kLockPieceSize = 8192;
// The body length is a 32-bit quantity in the format.
inline constexpr std::uint64_t kLargestLockableSize = 0xFFFFFFFFull;
// The check value stored in a file covers this many bytes of the password.
inline constexpr std::size_t kCheckedPasswordBytes = 15;

// The counters of one run, read by the window when the run's thread has ended.
struct TLockRunState
{
    int filesAttempted = 0;
    int filesDone = 0;
    bool wrongParameters = false; // a file was rejected by the unlock check
};

enum class TLockOutcome
{
    Done,            // the output replaced the input
    Failed,          // nothing changed (any temporary file was removed)
    WrongParameters, // unlock: wrong password, cipher or hash, or a damaged header
    KeptLocked,      // unlock: output written, the ".lxe" kept (see `reason`)
    RunEnded,        // the file cannot be opened for reading and writing: the run stops
};

struct TLockResult
{
    TLockOutcome outcome = TLockOutcome::Failed;
    std::string reason; // why, for every outcome but Done
};

// One run's password, cipher and hash, and its counters. The run's worker thread owns its
// locker, so two runs (or the hider) never share counters.
class TFileLocker
{
public:
    TFileLocker(std::size_t cipherIndex, std::size_t hashIndex, std::string password);
    ~TFileLocker();
    TFileLocker(const TFileLocker&) = delete;
    TFileLocker& operator=(const TFileLocker&) = delete;

    // Enciphers `path` (a Windows path) into path + ".lxe" and deletes `path`.
    TLockResult LockFile(const std::string& path);
    // Deciphers `path`, whose name ends in ".lxe", into the path without those four
    // characters and deletes `path` (kept when the password is longer than the check covers).
    TLockResult UnlockFile(const std::string& path);

    void ResetState() { m_state = {}; }
    const TLockRunState& State() const { return m_state; }
    const std::string& CurrentFile() const { return m_currentFile; }

private:
    bool OpenCheck(const std::string& path) const;

    std::size_t m_cipherIndex;
    std::size_t m_hashIndex;
    std::string m_password;
    TLockRunState m_state;
    std::string m_currentFile;
};

} // namespace lumexa::filesecurity
