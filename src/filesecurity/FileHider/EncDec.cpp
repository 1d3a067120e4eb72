#include "filesecurity/FileHider/EncDec.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "core/MessageTable.h"
#include "filesecurity/FileLocker/FileLocker.h"
#include "filesecurity/FileLocker/LockIo.h"
#include "filesecurity/crypto/BodyCipher.h"
#include "filesecurity/crypto/Bytes.h"
#include "filesecurity/crypto/Catalogue.h"
#include "filesecurity/crypto/LockHeader.h"
#include "filesecurity/crypto/PasswordCheck.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/Thread.h"
#include "platform/Types.h"

namespace lumexa::filesecurity::hider {

namespace {

using platform::FileHandle;
using platform::FileSystem;

TEncDecResult Failure(std::string message)
{
    TEncDecResult result;
    result.message = std::move(message);
    return result;
}

std::string Because(const std::string& what)
{
    return what + " (" + platform::SystemMessage(platform::GetLastError()) + ")";
}

// The output gets its name and the input goes (see CommitOutput).
TEncDecResult Commit(FileSystem& files,
                     std::unique_ptr<FileHandle> output,
                     const std::string& temporary,
                     const std::string& finalName,
                     const std::string& input)
{
    if (auto error = CommitOutput(files, std::move(output), temporary, finalName, input, true))
        return Failure(*error);
    TEncDecResult done;
    done.ok = true;
    done.output = finalName;
    return done;
}

} // namespace

std::string ArchiveNameOf(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of("\\:");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + ".zp1";
    return path.substr(0, dot) + ".zp1";
}

TEncDec::TEncDec(std::size_t cipherIndex, std::size_t hashIndex, std::string password)
    : m_cipherIndex(cipherIndex)
    , m_hashIndex(hashIndex)
    , m_password(std::move(password))
{}

TEncDec::~TEncDec()
{
    WipeMemory(m_password.data(), m_password.size());
}

void TEncDec::Report(int percent) const
{
    if (OnProgress)
        OnProgress(percent);
    platform::ProcessMessages();
}

// The rest of `source` (`length` bytes) through `cipher` into `output`, reporting progress.
static bool StreamBody(FileHandle& source,
                       FileHandle& output,
                       TBodyCipher& cipher,
                       std::uint64_t length,
                       const std::function<void(int)>& report)
{
    const std::uint64_t pieces = length / kLockPieceSize;
    std::vector<std::uint8_t> in(kLockPieceSize);
    std::vector<std::uint8_t> out(cipher.MaxOutput(kLockPieceSize));
    bool ok = true;
    for (std::uint64_t i = 1; ok && i <= pieces + 1; ++i) {
        const std::size_t want = i <= pieces ? kLockPieceSize : static_cast<std::size_t>(length % kLockPieceSize);
        std::size_t got = 0;
        while (ok && got < want) {
            std::size_t n = 0;
            ok = source.Read(in.data() + got, want - got, n) && n > 0;
            got += n;
        }
        if (!ok)
            break;
        std::size_t made = cipher.Update({in.data(), got}, out.data());
        if (i > pieces)
            made += cipher.Finish(out.data() + made);
        ok = WriteAll(output, out.data(), made);
        if (ok && i <= pieces)
            report(50 + static_cast<int>(i * 50 / pieces));
        else if (ok && (want > 0 || pieces == 0))
            report(100);
    }
    WipeMemory(in.data(), in.size());
    WipeMemory(out.data(), out.size());
    return ok;
}

TEncDecResult TEncDec::Encrypt(const std::string& archive)
{
    FileSystem& files = platform::Machine::Current().Files();
    std::string error;
    std::optional<TLockSource> source = OpenLockSource(files, archive, error);
    if (!source)
        return Failure(error);

    std::optional<TNewLock> lock = PrepareNewLock(m_cipherIndex, m_hashIndex, m_password, error);
    if (!lock)
        return Failure(error);

    std::string temporary;
    auto output = CreateTemporary(files, FolderOf(archive), temporary);
    if (!output)
        return Failure(Because("cannot create a temporary file beside " + archive));
    if (!WriteAll(*output, lock->header.data(), lock->header.size()) ||
        !StreamBody(*source->handle, *output, *lock->cipher, source->size, [this](int percent) { Report(percent); })) {
        TEncDecResult failed = Failure(Because("cannot encrypt " + archive));
        output.reset();
        files.DeleteFile(temporary);
        return failed;
    }
    lock.reset();
    const std::string finalName = source->finalName;
    source.reset();
    return Commit(files, std::move(output), temporary, finalName, archive);
}

TEncDecResult TEncDec::Decrypt(const std::string& locked)
{
    FileSystem& files = platform::Machine::Current().Files();
    auto source = files.CreateFile(
        locked, platform::GENERIC_READ, platform::FILE_SHARE_READ, platform::Disposition::OpenExisting);
    if (!source)
        return Failure(Because("cannot open " + locked));
    const std::optional<std::uint64_t> size = source->Size();
    if (!size)
        return Failure(Because("cannot read the size of " + locked));
    std::array<std::uint8_t, kLargestHeaderSize> headerBytes{};
    std::size_t got = 0;
    if (!ReadFull(*source, headerBytes.data(), headerBytes.size(), got))
        return Failure(Because("cannot read " + locked));
    const THeaderParse parse = ParseLockHeader({headerBytes.data(), got});
    if (parse.status != THeaderStatus::Ok || !AcceptsPassword(parse.header, m_password, m_cipherIndex, m_hashIndex)) {
        TEncDecResult refused = Failure(core::Msg("strFH_MESSAGE040"));
        refused.wrongParameters = true;
        return refused;
    }
    const std::string finalName = ArchiveNameOf(locked);
    if (files.FileExists(finalName) || files.DirectoryExists(finalName))
        return Failure(finalName + " already exists");
    const std::size_t headerSize = LockHeaderSize(parse.header.cipherIndex);
    auto cipher = TBodyCipher::Create(parse.header.cipherIndex,
                                      parse.header.hashIndex,
                                      parse.header.salt,
                                      m_password,
                                      parse.header.iv,
                                      TBodyCipher::TDirection::Decipher);
    if (!cipher || !source->Seek(static_cast<std::int64_t>(headerSize), platform::SeekOrigin::Begin))
        return Failure(Because("cannot decrypt " + locked));

    std::string temporary;
    auto output = CreateTemporary(files, FolderOf(locked), temporary);
    if (!output)
        return Failure(Because("cannot create a temporary file beside " + locked));
    if (!StreamBody(*source, *output, *cipher, *size - headerSize, [this](int percent) { Report(percent); })) {
        TEncDecResult failed = Failure(Because("cannot decrypt " + locked));
        output.reset();
        files.DeleteFile(temporary);
        return failed;
    }
    cipher.reset();
    source.reset();
    return Commit(files, std::move(output), temporary, finalName, locked);
}

} // namespace lumexa::filesecurity::hider
