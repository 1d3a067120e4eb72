#include "filesecurity/FileLocker/FileLocker.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filesecurity/FileLocker/EncDec.h"
#include "filesecurity/FileLocker/LockTargets.h"
#include "filesecurity/crypto/BodyCipher.h"
#include "filesecurity/crypto/Catalogue.h"
#include "filesecurity/crypto/LockHeader.h"
#include "filesecurity/crypto/PasswordCheck.h"
#include "platform/FileSystem.h"
#include "platform/Types.h"
#include "support/MachineTest.h"
#include "support/Noise.h"

namespace lumexa::filesecurity {
namespace {

constexpr std::size_t kRijndael = 8;
constexpr std::size_t kSha256 = 6;

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

class FileLockerTest : public test::MachineTest
{
protected:
    // Locks and unlocks each length with one cipher and hash and checks the layout on the way:
    // the header fields, the exact size (32 + B + length) and a body equal to the body cipher's
    // own output for the stored salt and initial vector.
    // Locks and unlocks each length with one cipher and hash and checks the layout on the way:
    // the header fields, the exact size (32 + B + length) and a body equal to the body cipher's
    // own output for the stored salt and initial vector.
    void CheckRoundTrips(std::size_t cipher, std::size_t hash, bool large);
};

void FileLockerTest::CheckRoundTrips(std::size_t cipher, std::size_t hash, bool large)
{
    const std::size_t b = CipherCatalogue()[cipher].blockBytes;
    std::vector<std::size_t> lengths{0, 1, b - 1, b, b + 1, 8191, 8192, 8193};
    if (large)
        lengths.push_back((1u << 20) + 3);
    const std::string name =
        std::string(CipherCatalogue()[cipher].name) + "/" + std::string(HashCatalogue()[hash].name);
    for (const std::size_t length : lengths) {
        SCOPED_TRACE(name + " length " + std::to_string(length));
        const std::string plain = test::Noise(length, static_cast<unsigned>(length + cipher * 31 + hash));
        WriteFile("C:\\data\\f.bin", plain);
        TFileLocker locker(cipher, hash, "s3cret");
        ASSERT_EQ(locker.LockFile("C:\\data\\f.bin").outcome, TLockOutcome::Done);
        EXPECT_FALSE(Exists("C:\\data\\f.bin"));
        const std::string locked = ReadFile("C:\\data\\f.bin.lxe");
        ASSERT_EQ(locked.size(), 32 + b + length);
        const THeaderParse parse = ParseLockHeader(Bytes(locked.substr(0, kLargestHeaderSize)));
        ASSERT_EQ(parse.status, THeaderStatus::Ok);
        EXPECT_EQ(parse.header.cipherIndex, cipher);
        EXPECT_EQ(parse.header.hashIndex, hash);
        EXPECT_GE(parse.header.tableIndex, 1);
        EXPECT_LE(parse.header.tableIndex, 99);
        EXPECT_EQ(parse.header.check, StoredPasswordCheck("s3cret", parse.header.tableIndex));
        if (length <= 8193) {
            auto body = TBodyCipher::Create(
                cipher, hash, parse.header.salt, "s3cret", parse.header.iv, TBodyCipher::TDirection::Encipher);
            std::vector<std::uint8_t> expected;
            body->Update(Bytes(plain), expected);
            body->Finish(expected);
            EXPECT_EQ(Bytes(locked.substr(32 + b)), expected);
        }
        ASSERT_EQ(locker.UnlockFile("C:\\data\\f.bin.lxe").outcome, TLockOutcome::Done);
        EXPECT_FALSE(Exists("C:\\data\\f.bin.lxe"));
        EXPECT_EQ(ReadFile("C:\\data\\f.bin"), plain);
        EXPECT_EQ(locker.State().filesAttempted, 2);
        EXPECT_EQ(locker.State().filesDone, 2);
        EXPECT_FALSE(locker.State().wrongParameters);
    }
}

TEST_F(FileLockerTest, EveryCipherWithSha256RoundTripsEveryLength)
{
    for (std::size_t cipher = 0; cipher < kCipherCount; ++cipher)
        CheckRoundTrips(cipher, kSha256, true);
}

TEST_F(FileLockerTest, EveryHashWithRijndaelRoundTripsEveryLength)
{
    for (std::size_t hash = 0; hash < kHashCount; ++hash)
        CheckRoundTrips(kRijndael, hash, hash == 0);
}

TEST_F(FileLockerTest, EmptyFileLocksInto40Or48Bytes)
{
    struct Case
    {
        std::size_t cipher;
        std::size_t size;
    } cases[] = {{0, 40}, {3, 40}, {kRijndael, 48}, {11, 48}};
    for (const Case& c : cases) {
        WriteFile("C:\\e.txt", "");
        TFileLocker locker(c.cipher, kSha256, "pw");
        ASSERT_EQ(locker.LockFile("C:\\e.txt").outcome, TLockOutcome::Done) << "case: " << c.cipher;
        EXPECT_EQ(ReadFile("C:\\e.txt.lxe").size(), c.size) << "case: " << c.cipher;
        ASSERT_EQ(locker.UnlockFile("C:\\e.txt.lxe").outcome, TLockOutcome::Done) << "case: " << c.cipher;
        EXPECT_EQ(ReadFile("C:\\e.txt"), "") << "case: " << c.cipher;
    }
}

TEST_F(FileLockerTest, PasswordBytesAreUtf8)
{
    const std::string password = "p\xC3\xA4sswort"; // "pässwort": ä is two bytes in UTF-8
    WriteFile("C:\\u.txt", "umlaut");
    TFileLocker locker(kRijndael, kSha256, password);
    ASSERT_EQ(locker.LockFile("C:\\u.txt").outcome, TLockOutcome::Done);
    const std::string locked = ReadFile("C:\\u.txt.lxe");
    const THeaderParse parse = ParseLockHeader(Bytes(locked));
    ASSERT_EQ(parse.status, THeaderStatus::Ok);
    EXPECT_EQ(parse.header.check, StoredPasswordCheck(password, parse.header.tableIndex));
    // 9 bytes give 12 Base64 characters; 8 characters would give 12 too, so check the key.
    auto body = TBodyCipher::Create(
        kRijndael, kSha256, parse.header.salt, password, parse.header.iv, TBodyCipher::TDirection::Decipher);
    std::vector<std::uint8_t> plain;
    body->Update(Bytes(locked.substr(48)), plain);
    body->Finish(plain);
    EXPECT_EQ(std::string(plain.begin(), plain.end()), "umlaut");
}

TEST_F(FileLockerTest, WrongParametersLeaveTheLockedFileUntouched)
{
    WriteFile("C:\\w\\doc.txt", test::Noise(1000));
    {
        TFileLocker locker(kRijndael, kSha256, "right");
        ASSERT_EQ(locker.LockFile("C:\\w\\doc.txt").outcome, TLockOutcome::Done);
    }
    const std::string locked = ReadFile("C:\\w\\doc.txt.lxe");
    struct Case
    {
        const char* name;
        std::size_t cipher;
        std::size_t hash;
        const char* password;
    } cases[] = {
        {"wrong password", kRijndael, kSha256, "wrong"},
        {"wrong cipher", 11, kSha256, "right"},
        {"wrong hash", kRijndael, 5, "right"},
        {"empty password", kRijndael, kSha256, ""},
    };
    for (const Case& c : cases) {
        TFileLocker locker(c.cipher, c.hash, c.password);
        const TLockResult result = locker.UnlockFile("C:\\w\\doc.txt.lxe");
        EXPECT_EQ(result.outcome, TLockOutcome::WrongParameters) << "case: " << c.name;
        EXPECT_TRUE(locker.State().wrongParameters) << "case: " << c.name;
        EXPECT_EQ(locker.State().filesAttempted, 1) << "case: " << c.name;
        EXPECT_EQ(locker.State().filesDone, 0) << "case: " << c.name;
        EXPECT_EQ(ReadFile("C:\\w\\doc.txt.lxe"), locked) << "case: " << c.name;
        EXPECT_EQ(Names("C:\\w"), std::vector<std::string>{"doc.txt.lxe"}) << "case: " << c.name;
    }
}

TEST_F(FileLockerTest, DamagedHeaderIsRejectedLikeAWrongPassword)
{
    WriteFile("C:\\d.txt", "payload");
    {
        TFileLocker locker(kRijndael, kSha256, "pw");
        ASSERT_EQ(locker.LockFile("C:\\d.txt").outcome, TLockOutcome::Done);
    }
    const std::string good = ReadFile("C:\\d.txt.lxe");
    struct Case
    {
        const char* name;
        std::size_t offset;
        char value;
        std::size_t cut; // 0 keeps the whole file
    } cases[] = {
        {"table index 0", 0, 0, 0},
        {"table index 101", 0, 101, 0},
        {"cipher index 12", 1, 12, 0},
        {"hash index 10", 2, 10, 0},
        {"check length 21", 3, 21, 0},
        {"cut in the header", 0, good[0], 40},
    };
    for (const Case& c : cases) {
        std::string damaged = good;
        damaged[c.offset] = c.value;
        if (c.cut)
            damaged.resize(c.cut);
        WriteFile("C:\\d.txt.lxe", damaged);
        TFileLocker locker(kRijndael, kSha256, "pw");
        const TLockResult result = locker.UnlockFile("C:\\d.txt.lxe");
        EXPECT_EQ(result.outcome, TLockOutcome::WrongParameters) << "case: " << c.name;
        EXPECT_NE(result.reason.find("damaged header"), std::string::npos) << "case: " << c.name;
        EXPECT_TRUE(locker.State().wrongParameters) << "case: " << c.name;
        EXPECT_EQ(ReadFile("C:\\d.txt.lxe"), damaged) << "case: " << c.name;
        EXPECT_FALSE(Exists("C:\\d.txt")) << "case: " << c.name;
    }
}

TEST_F(FileLockerTest, TakenFinalNameKeepsBothFilesAndFails)
{
    // Locking onto an existing ".lxe".
    WriteFile("C:\\t\\a.txt", "new data");
    WriteFile("C:\\t\\a.txt.lxe", "someone else's file");
    TFileLocker locker(kRijndael, kSha256, "pw");
    EXPECT_EQ(locker.LockFile("C:\\t\\a.txt").outcome, TLockOutcome::Failed);
    EXPECT_EQ(ReadFile("C:\\t\\a.txt"), "new data");
    EXPECT_EQ(ReadFile("C:\\t\\a.txt.lxe"), "someone else's file");
    EXPECT_EQ(locker.State().filesDone, 0);

    // Unlocking onto an existing plain file.
    WriteFile("C:\\t\\b.txt", "locked data");
    ASSERT_EQ(locker.LockFile("C:\\t\\b.txt").outcome, TLockOutcome::Done);
    const std::string locked = ReadFile("C:\\t\\b.txt.lxe");
    WriteFile("C:\\t\\b.txt", "a newer b.txt");
    EXPECT_EQ(locker.UnlockFile("C:\\t\\b.txt.lxe").outcome, TLockOutcome::Failed);
    EXPECT_EQ(ReadFile("C:\\t\\b.txt"), "a newer b.txt");
    EXPECT_EQ(ReadFile("C:\\t\\b.txt.lxe"), locked);
    EXPECT_EQ(locker.State().filesAttempted, 3);
    EXPECT_EQ(locker.State().filesDone, 1);
    EXPECT_EQ(Names("C:\\t"), (std::vector<std::string>{"a.txt", "a.txt.lxe", "b.txt", "b.txt.lxe"}));
}

TEST_F(FileLockerTest, InputThatCannotBeDeletedRestoresTheStateBefore)
{
    WriteFile("C:\\h\\a.txt", "held");
    TFileLocker locker(kRijndael, kSha256, "pw");
    {
        // Another program reads the file and does not share deletion.
        auto holder = machine().Files().CreateFile("C:\\h\\a.txt",
                                                   platform::GENERIC_READ,
                                                   platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE,
                                                   platform::Disposition::OpenExisting);
        ASSERT_TRUE(holder);
        const TLockResult result = locker.LockFile("C:\\h\\a.txt");
        EXPECT_EQ(result.outcome, TLockOutcome::Failed);
        EXPECT_NE(result.reason.find("cannot delete"), std::string::npos) << result.reason;
        EXPECT_EQ(Names("C:\\h"), std::vector<std::string>{"a.txt"});
    }
    ASSERT_EQ(locker.LockFile("C:\\h\\a.txt").outcome, TLockOutcome::Done);
    const std::string locked = ReadFile("C:\\h\\a.txt.lxe");
    {
        auto holder = machine().Files().CreateFile("C:\\h\\a.txt.lxe",
                                                   platform::GENERIC_READ,
                                                   platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE,
                                                   platform::Disposition::OpenExisting);
        ASSERT_TRUE(holder);
        const TLockResult result = locker.UnlockFile("C:\\h\\a.txt.lxe");
        EXPECT_EQ(result.outcome, TLockOutcome::Failed);
        EXPECT_NE(result.reason.find("cannot delete"), std::string::npos) << result.reason;
    }
    EXPECT_EQ(Names("C:\\h"), std::vector<std::string>{"a.txt.lxe"});
    EXPECT_EQ(ReadFile("C:\\h\\a.txt.lxe"), locked);
    EXPECT_EQ(locker.State().filesAttempted, 3);
    EXPECT_EQ(locker.State().filesDone, 1);
}

TEST_F(FileLockerTest, PasswordLongerThanTheCheckKeepsTheLockedFile)
{
    const std::string password = "0123456789abcdefXYZ"; // 19 bytes: the check covers 15
    WriteFile("C:\\k.txt", "keep me");
    TFileLocker locker(kRijndael, kSha256, password);
    ASSERT_EQ(locker.LockFile("C:\\k.txt").outcome, TLockOutcome::Done);
    const std::string locked = ReadFile("C:\\k.txt.lxe");

    // The right password deciphers, and the locked file stays with a reason.
    TLockResult result = locker.UnlockFile("C:\\k.txt.lxe");
    EXPECT_EQ(result.outcome, TLockOutcome::KeptLocked);
    EXPECT_NE(result.reason.find("15"), std::string::npos);
    EXPECT_EQ(ReadFile("C:\\k.txt"), "keep me");
    EXPECT_EQ(ReadFile("C:\\k.txt.lxe"), locked);

    // Why: a wrong password sharing the first 15 bytes passes the check and gives nonsense;
    // the kept locked file is then the only good copy.
    machine().Files().DeleteFile("C:\\k.txt");
    TFileLocker wrong(kRijndael, kSha256, "0123456789abcde-wrong");
    result = wrong.UnlockFile("C:\\k.txt.lxe");
    EXPECT_EQ(result.outcome, TLockOutcome::KeptLocked);
    EXPECT_NE(ReadFile("C:\\k.txt"), "keep me");
    EXPECT_EQ(ReadFile("C:\\k.txt.lxe"), locked);

    // 15 bytes are fully checked: the locked file goes.
    machine().Files().DeleteFile("C:\\k.txt");
    machine().Files().DeleteFile("C:\\k.txt.lxe");
    WriteFile("C:\\k.txt", "fifteen");
    TFileLocker exact(kRijndael, kSha256, "0123456789abcde");
    ASSERT_EQ(exact.LockFile("C:\\k.txt").outcome, TLockOutcome::Done);
    EXPECT_EQ(exact.UnlockFile("C:\\k.txt.lxe").outcome, TLockOutcome::Done);
    EXPECT_FALSE(Exists("C:\\k.txt.lxe"));
}

TEST_F(FileLockerTest, FilesOf4GiBAreRefusedBeforeAnythingIsWritten)
{
    WriteFile("C:\\big\\huge.bin", "x");
    // A sparse host file: the format's body length is 32 bits.
    std::filesystem::resize_file(HostPath("C:\\big\\huge.bin"), 0x100000000ull);
    TFileLocker locker(kRijndael, kSha256, "pw");
    const TLockResult result = locker.LockFile("C:\\big\\huge.bin");
    EXPECT_EQ(result.outcome, TLockOutcome::Failed);
    EXPECT_NE(result.reason.find("4 GiB"), std::string::npos);
    EXPECT_EQ(Names("C:\\big"), std::vector<std::string>{"huge.bin"});
}

TEST_F(FileLockerTest, CollectLockTargetsTakesFilesInListingOrderBeforeSubfolders)
{
    WriteFile("C:\\f\\z.txt", "");
    WriteFile("C:\\f\\a.txt", "");
    WriteFile("C:\\f\\b.lxe", "");
    WriteFile("C:\\f\\c.LXE", "");
    WriteFile("C:\\f\\m\\d.txt", "");
    WriteFile("C:\\f\\m\\d.txt.lxe", "");
    WriteFile("C:\\f\\m\\n\\e.txt", "");
    WriteFile("C:\\f\\.hidden\\h.txt", "");
    WriteFile("C:\\f\\.hidden\\h.lxe", "");
    machine().Files().SetFileAttributes("C:\\f\\z.txt",
                                        platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_READONLY);

    std::vector<std::string> lock;
    CollectLockTargets("C:\\f", TLockMode::Lock, lock);
    EXPECT_EQ(lock,
              (std::vector<std::string>{
                  "C:\\f\\a.txt", "C:\\f\\c.LXE", "C:\\f\\z.txt", "C:\\f\\m\\d.txt", "C:\\f\\m\\n\\e.txt"}));
    std::vector<std::string> unlock{"kept"};
    CollectLockTargets("C:\\f\\", TLockMode::Unlock, unlock);
    EXPECT_EQ(unlock, (std::vector<std::string>{"kept", "C:\\f\\b.lxe", "C:\\f\\m\\d.txt.lxe"}));
}

struct TRunLog
{
    std::vector<int> progress;
    std::vector<std::pair<std::size_t, bool>> ticks;
    std::vector<TLockOutcome> outcomes;
};

template <class TWorker>
TLockRunState
RunWorker(std::vector<TLockRow> rows, int total, int start, TLockMode mode, const std::string& password, TRunLog& log)
{
    TWorker worker(std::move(rows), total, start, kRijndael, kSha256, mode, password);
    worker.OnProgress = [&](int percent) { log.progress.push_back(percent); };
    worker.OnRowTicked = [&](std::size_t row, bool ticked) { log.ticks.emplace_back(row, ticked); };
    worker.OnFileDone = [&](const std::string&, const TLockResult& result) { log.outcomes.push_back(result.outcome); };
    worker.Resume();
    worker.WaitFor();
    return worker.State();
}

TEST_F(FileLockerTest, ReadOnlySourceEndsTheRunAndLeavesLaterFilesAlone)
{
    WriteFile("C:\\r\\1.txt", "one");
    WriteFile("C:\\r\\2.txt", "two");
    WriteFile("C:\\r\\3.txt", "three");
    ASSERT_TRUE(machine().Files().SetFileAttributes("C:\\r\\2.txt", platform::FILE_ATTRIBUTE_READONLY));
    std::vector<TLockRow> rows{{"1.txt", "C:\\r\\", "File", true},
                               {"r", "C:", "Folder", true},
                               {"2.txt", "C:\\r\\", "File", true},
                               {"3.txt", "C:\\r\\", "File", true}};
    TRunLog log;
    const TLockRunState state = RunWorker<TFilesEncDec>(rows, 3, 0, TLockMode::Lock, "pw", log);
    EXPECT_EQ(state.filesAttempted, 2);
    EXPECT_EQ(state.filesDone, 1);
    EXPECT_EQ(log.outcomes, (std::vector<TLockOutcome>{TLockOutcome::Done, TLockOutcome::RunEnded}));
    EXPECT_EQ(log.progress, (std::vector<int>{33, 66})); // truncated, not rounded
    EXPECT_EQ(Names("C:\\r"), (std::vector<std::string>{"1.txt.lxe", "2.txt", "3.txt"}));
    EXPECT_EQ(ReadFile("C:\\r\\3.txt"), "three");
}

TEST_F(FileLockerTest, UnlockRunsTickRowsAndUntickRejectedOnes)
{
    WriteFile("C:\\u\\a.txt", "a");
    WriteFile("C:\\u\\b.txt", "b");
    WriteFile("C:\\g\\c.txt", "c");
    WriteFile("C:\\g\\s\\d.txt", "d");
    {
        TFileLocker locker(kRijndael, kSha256, "pw");
        for (const char* path : {"C:\\u\\a.txt", "C:\\g\\c.txt", "C:\\g\\s\\d.txt"})
            ASSERT_EQ(locker.LockFile(path).outcome, TLockOutcome::Done) << path;
        TFileLocker other(kRijndael, kSha256, "other");
        ASSERT_EQ(other.LockFile("C:\\u\\b.txt").outcome, TLockOutcome::Done);
    }
    std::vector<TLockRow> rows{{"a.txt.lxe", "C:\\u\\", "File", false},
                               {"b.txt.lxe", "C:\\u\\", "File", false},
                               {"g", "C:\\", "Folder", false}};
    TRunLog files;
    TLockRunState state = RunWorker<TFilesEncDec>(rows, 4, 0, TLockMode::Unlock, "pw", files);
    EXPECT_EQ(state.filesAttempted, 2);
    EXPECT_EQ(state.filesDone, 1);
    EXPECT_TRUE(state.wrongParameters);
    EXPECT_EQ(files.ticks, (std::vector<std::pair<std::size_t, bool>>{{0, true}, {1, true}, {1, false}}));
    EXPECT_EQ(files.progress, (std::vector<int>{25, 50}));

    TRunLog folders;
    state = RunWorker<TFolderEncDec>(rows, 4, 2, TLockMode::Unlock, "pw", folders);
    EXPECT_EQ(state.filesAttempted, 2);
    EXPECT_EQ(state.filesDone, 2);
    EXPECT_FALSE(state.wrongParameters);
    EXPECT_EQ(folders.ticks, (std::vector<std::pair<std::size_t, bool>>{{2, true}}));
    EXPECT_EQ(folders.progress, (std::vector<int>{75, 100}));
    EXPECT_EQ(ReadFile("C:\\u\\a.txt"), "a");
    EXPECT_TRUE(Exists("C:\\u\\b.txt.lxe"));
    EXPECT_EQ(ReadFile("C:\\g\\c.txt"), "c");
    EXPECT_EQ(ReadFile("C:\\g\\s\\d.txt"), "d");
}

} // namespace
} // namespace lumexa::filesecurity
