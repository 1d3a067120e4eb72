#include "filesecurity/FileLocker/FileLocker.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "filesecurity/FileLocker/LockIo.h"
#include "filesecurity/crypto/BodyCipher.h"
#include "filesecurity/crypto/Bytes.h"
#include "filesecurity/crypto/Catalogue.h"
#include "filesecurity/crypto/LockHeader.h"
#include "filesecurity/crypto/PasswordCheck.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Thread.h"
#include "platform/Types.h"

namespace lumexa::filesecurity {

namespace {

using platform::FileHandle;
using platform::FileSystem;

// The rest of `source` through `cipher` into `output`.
bool Stream(FileHandle& source, FileHandle& output, TBodyCipher& cipher)
{
    std::vector<std::uint8_t> in(kLockPieceSize);
    std::vector<std::uint8_t> out(cipher.MaxOutput(kLockPieceSize));
    for (;;) {
        std::size_t got = 0;
        if (!ReadFull(source, in.data(), in.size(), got))
            return false;
        if (got == 0)
            break;
        const std::size_t made = cipher.Update({in.data(), got}, out.data());
        if (!WriteAll(output, out.data(), made))
            return false;
    }
    const std::size_t tail = cipher.Finish(out.data());
    const bool written = WriteAll(output, out.data(), tail);
    WipeMemory(in.data(), in.size());
    WipeMemory(out.data(), out.size());
    return written;
}

TLockResult Failure(std::string reason)
{
    return {TLockOutcome::Failed, std::move(reason)};
}

} // namespace

TFileLocker::TFileLocker(std::size_t cipherIndex, std::size_t hashIndex, std::string password)
    : m_cipherIndex(cipherIndex)
    , m_hashIndex(hashIndex)
    , m_password(std::move(password))
{}

TFileLocker::~TFileLocker()
{
    WipeMemory(m_password.data(), m_password.size());
}

// A file the run cannot open for reading and writing (read-only, or held by another program)
// ends the run. The open happens on the user-interface thread, as the program always did.
bool TFileLocker::OpenCheck(const std::string& path) const
{
    bool opened = false;
    platform::TThread::Synchronize([&] {
        auto handle = platform::Machine::Current().Files().CreateFile(
            path,
            platform::GENERIC_READ | platform::GENERIC_WRITE,
            platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE | platform::FILE_SHARE_DELETE,
            platform::Disposition::OpenExisting);
        opened = handle != nullptr;
    });
    return opened;
}

TLockResult TFileLocker::LockFile(const std::string& path)
{
    ++m_state.filesAttempted;
    m_currentFile = path;
    if (!OpenCheck(path))
        return {TLockOutcome::RunEnded, "cannot open " + path + " for reading and writing"};

    FileSystem& files = platform::Machine::Current().Files();
    std::string error;
    std::optional<TLockSource> source = OpenLockSource(files, path, error);
    if (!source)
        return Failure(error);

    std::optional<TNewLock> lock = PrepareNewLock(m_cipherIndex, m_hashIndex, m_password, error);
    if (!lock)
        return Failure(error);

    std::string temporary;
    auto output = CreateTemporary(files, FolderOf(path), temporary);
    if (!output)
        return Failure("cannot create a temporary file beside " + path);
    if (!WriteAll(*output, lock->header.data(), lock->header.size()) ||
        !Stream(*source->handle, *output, *lock->cipher)) {
        output.reset();
        files.DeleteFile(temporary);
        return Failure("cannot encrypt " + path);
    }
    lock.reset();
    const std::string finalName = source->finalName;
    source.reset();
    if (auto failed = CommitOutput(files, std::move(output), temporary, finalName, path, true))
        return Failure(*failed);
    ++m_state.filesDone;
    return {TLockOutcome::Done, {}};
}

TLockResult TFileLocker::UnlockFile(const std::string& path)
{
    ++m_state.filesAttempted;
    m_currentFile = path;
    if (!OpenCheck(path))
        return {TLockOutcome::RunEnded, "cannot open " + path + " for reading and writing"};
    if (path.size() <= kLockedSuffix.size() || !path.ends_with(kLockedSuffix))
        return Failure(path + " does not end in .lxe");

    FileSystem& files = platform::Machine::Current().Files();
    auto source =
        files.CreateFile(path, platform::GENERIC_READ, platform::FILE_SHARE_READ, platform::Disposition::OpenExisting);
    if (!source)
        return Failure("cannot open " + path);
    std::array<std::uint8_t, kLargestHeaderSize> headerBytes{};
    std::size_t got = 0;
    if (!ReadFull(*source, headerBytes.data(), headerBytes.size(), got))
        return Failure("cannot read " + path);
    const THeaderParse parse = ParseLockHeader({headerBytes.data(), got});
    if (parse.status != THeaderStatus::Ok) {
        m_state.wrongParameters = true;
        return {TLockOutcome::WrongParameters, "damaged header: " + parse.reason};
    }
    if (!AcceptsPassword(parse.header, m_password, m_cipherIndex, m_hashIndex)) {
        m_state.wrongParameters = true;
        return {TLockOutcome::WrongParameters, "wrong password, cipher or hash"};
    }
    const std::string finalName = path.substr(0, path.size() - kLockedSuffix.size());
    if (files.FileExists(finalName) || files.DirectoryExists(finalName))
        return Failure(finalName + " already exists");
    auto cipher = TBodyCipher::Create(parse.header.cipherIndex,
                                      parse.header.hashIndex,
                                      parse.header.salt,
                                      m_password,
                                      parse.header.iv,
                                      TBodyCipher::TDirection::Decipher);
    if (!cipher ||
        !source->Seek(static_cast<std::int64_t>(LockHeaderSize(parse.header.cipherIndex)), platform::SeekOrigin::Begin))
        return Failure("cannot decrypt " + path);

    std::string temporary;
    auto output = CreateTemporary(files, FolderOf(path), temporary);
    if (!output)
        return Failure("cannot create a temporary file beside " + path);
    if (!Stream(*source, *output, *cipher)) {
        output.reset();
        files.DeleteFile(temporary);
        return Failure("cannot decrypt " + path);
    }
    cipher.reset();
    source.reset();
    // The check covers only the first bytes of a longer password, so a wrong password that
    // shares them passes it and deciphers into nonsense: the locked file is then the only good
    // copy and stays.
    const bool keepLocked = m_password.size() > kCheckedPasswordBytes;
    if (auto failed = CommitOutput(files, std::move(output), temporary, finalName, path, !keepLocked))
        return Failure(*failed);
    ++m_state.filesDone;
    if (keepLocked)
        return {TLockOutcome::KeptLocked,
                path + " was kept: the password is longer than " + std::to_string(kCheckedPasswordBytes) +
                    " bytes and the file checks only its first " + std::to_string(kCheckedPasswordBytes) +
                    ", so the output may be wrong; delete it yourself once it reads right"};
    return {TLockOutcome::Done, {}};
}

} // namespace lumexa::filesecurity
