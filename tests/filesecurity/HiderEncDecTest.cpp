#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filesecurity/FileHider/EncDec.h"
#include "filesecurity/FileLocker/FileLocker.h"
#include "filesecurity/crypto/Catalogue.h"
#include "filesecurity/crypto/LockHeader.h"
#include "platform/FileSystem.h"
#include "platform/Types.h"
#include "support/MachineTest.h"
#include "support/Noise.h"

namespace lumexa::filesecurity::hider {
namespace {

constexpr std::size_t kRijndael = 8;
constexpr std::size_t kSha256 = 6;

using HiderEncDecTest = test::MachineTest;

TEST_F(HiderEncDecTest, RoundTripsEveryCipherInTheLockedFileFormat)
{
    // Two full pieces and a partial one: the chaining crosses pieces and the tail rule applies.
    const std::string plain = test::Noise(2 * 8192 + 21);
    for (std::size_t cipher = 0; cipher < kCipherCount; ++cipher) {
        const std::string name = std::string(CipherCatalogue()[cipher].name);
        WriteFile(R"(C:\Hide\data.zp1)", plain);
        TEncDec encdec(cipher, kSha256, "p4ss");
        const TEncDecResult locked = encdec.Encrypt(R"(C:\Hide\data.zp1)");
        ASSERT_TRUE(locked.ok) << "case: " << name << ": " << locked.message;
        EXPECT_EQ(locked.output, R"(C:\Hide\data.zp1.lxe)") << "case: " << name;
        EXPECT_EQ(Names(R"(C:\Hide)"), std::vector<std::string>{"data.zp1.lxe"}) << "case: " << name;
        const std::string file = ReadFile(locked.output);
        ASSERT_EQ(file.size(), plain.size() + LockHeaderSize(cipher)) << "case: " << name;
        EXPECT_EQ(static_cast<std::uint8_t>(file[1]), cipher) << "case: " << name;
        EXPECT_EQ(static_cast<std::uint8_t>(file[2]), kSha256) << "case: " << name;

        // The hider extracts the enciphered archive under a name of its own before deciphering.
        ASSERT_TRUE(machine().Files().MoveFile(locked.output, R"(C:\Hide\payload.lxe)"));
        const TEncDecResult back = encdec.Decrypt(R"(C:\Hide\payload.lxe)");
        ASSERT_TRUE(back.ok) << "case: " << name << ": " << back.message;
        EXPECT_EQ(back.output, R"(C:\Hide\payload.zp1)") << "case: " << name;
        EXPECT_EQ(ReadFile(back.output), plain) << "case: " << name;
        EXPECT_EQ(Names(R"(C:\Hide)"), std::vector<std::string>{"payload.zp1"}) << "case: " << name;
        ASSERT_TRUE(machine().Files().DeleteFile(back.output));
    }
}

TEST_F(HiderEncDecTest, ReadsWhatTheLockerWritesAndTheLockerReadsWhatItWrites)
{
    const std::string plain = test::Noise(5000, 9);
    WriteFile(R"(C:\Hide\from-locker)", plain);
    TFileLocker locker(kRijndael, kSha256, "shared");
    ASSERT_EQ(locker.LockFile(R"(C:\Hide\from-locker)").outcome, TLockOutcome::Done);
    TEncDec encdec(kRijndael, kSha256, "shared");
    const TEncDecResult fromLocker = encdec.Decrypt(R"(C:\Hide\from-locker.lxe)");
    ASSERT_TRUE(fromLocker.ok) << fromLocker.message;
    // The last extension (".lxe") becomes ".zp1".
    EXPECT_EQ(fromLocker.output, R"(C:\Hide\from-locker.zp1)");
    EXPECT_EQ(ReadFile(fromLocker.output), plain);

    ASSERT_TRUE(encdec.Encrypt(fromLocker.output).ok);
    ASSERT_EQ(locker.UnlockFile(R"(C:\Hide\from-locker.zp1.lxe)").outcome, TLockOutcome::Done);
    EXPECT_EQ(ReadFile(R"(C:\Hide\from-locker.zp1)"), plain);
    EXPECT_FALSE(Exists(R"(C:\Hide\from-locker.zp1.lxe)"));
}

TEST_F(HiderEncDecTest, ReportsTheSecondHalfOfTheProgressPieceByPiece)
{
    struct Case
    {
        const char* name;
        std::size_t length;
        std::vector<int> expected;
    } cases[] = {
        {"three pieces and a tail", 3 * 8192 + 100, {66, 83, 100, 100}},
        {"two whole pieces", 2 * 8192, {75, 100}},
        {"a tail only", 10, {100}},
        {"empty", 0, {100}},
    };
    for (const Case& c : cases) {
        WriteFile(R"(C:\Hide\p.zp1)", test::Noise(c.length));
        TEncDec encdec(0, 0, "pw");
        std::vector<int> progress;
        encdec.OnProgress = [&](int percent) { progress.push_back(percent); };
        const TEncDecResult locked = encdec.Encrypt(R"(C:\Hide\p.zp1)");
        ASSERT_TRUE(locked.ok) << "case: " << c.name << ": " << locked.message;
        EXPECT_EQ(progress, c.expected) << "case: " << c.name << " (encrypt)";
        progress.clear();
        const TEncDecResult back = encdec.Decrypt(locked.output);
        ASSERT_TRUE(back.ok) << "case: " << c.name;
        EXPECT_EQ(progress, c.expected) << "case: " << c.name << " (decrypt)";
        ASSERT_TRUE(machine().Files().DeleteFile(back.output));
    }
}

TEST_F(HiderEncDecTest, RefusesWrongParametersWithTheHiderMessageAndKeepsTheFile)
{
    WriteFile(R"(C:\Hide\a.zp1)", test::Noise(3000));
    ASSERT_TRUE(TEncDec(kRijndael, kSha256, "right").Encrypt(R"(C:\Hide\a.zp1)").ok);
    const std::string locked = ReadFile(R"(C:\Hide\a.zp1.lxe)");
    std::string damaged = locked;
    damaged[0] = 0; // table index 0 is never written
    WriteFile(R"(C:\Hide\damaged.lxe)", damaged);
    WriteFile(R"(C:\Hide\short.lxe)", locked.substr(0, 20));
    struct Case
    {
        const char* name;
        std::size_t cipher;
        std::size_t hash;
        const char* password;
        const char* file;
    } cases[] = {
        {"wrong password", kRijndael, kSha256, "wrong", R"(C:\Hide\a.zp1.lxe)"},
        {"other cipher", 11, kSha256, "right", R"(C:\Hide\a.zp1.lxe)"},
        {"other hash", kRijndael, 5, "right", R"(C:\Hide\a.zp1.lxe)"},
        {"damaged header", kRijndael, kSha256, "right", R"(C:\Hide\damaged.lxe)"},
        {"shorter than a header", kRijndael, kSha256, "right", R"(C:\Hide\short.lxe)"},
    };
    const std::vector<std::string> before = Names(R"(C:\Hide)");
    for (const Case& c : cases) {
        TEncDec encdec(c.cipher, c.hash, c.password);
        const TEncDecResult result = encdec.Decrypt(c.file);
        EXPECT_FALSE(result.ok) << "case: " << c.name;
        EXPECT_TRUE(result.wrongParameters) << "case: " << c.name;
        EXPECT_EQ(result.message,
                  "Wrong Parameters to Decrypt the files, please check your Cipher, Hash or password then try again")
            << "case: " << c.name;
        EXPECT_EQ(Names(R"(C:\Hide)"), before) << "case: " << c.name;
    }
    EXPECT_EQ(ReadFile(R"(C:\Hide\a.zp1.lxe)"), locked);
}

TEST_F(HiderEncDecTest, NeverLosesTheSourceWhenTheOutputCannotTakeItsPlace)
{
    // The output's name is taken: nothing changes.
    WriteFile(R"(C:\Hide\a.zp1)", "archive");
    WriteFile(R"(C:\Hide\a.zp1.lxe)", "someone else's");
    TEncDec encdec(0, 0, "pw");
    const TEncDecResult taken = encdec.Encrypt(R"(C:\Hide\a.zp1)");
    EXPECT_FALSE(taken.ok);
    EXPECT_NE(taken.message.find("already exists"), std::string::npos) << taken.message;
    EXPECT_EQ(ReadFile(R"(C:\Hide\a.zp1)"), "archive");
    EXPECT_EQ(ReadFile(R"(C:\Hide\a.zp1.lxe)"), "someone else's");
    EXPECT_FALSE(taken.wrongParameters);

    // A read-only source cannot be deleted: the enciphered copy goes again and the source stays.
    WriteFile(R"(C:\Ro\b.zp1)", "keep me");
    ASSERT_TRUE(machine().Files().SetFileAttributes(R"(C:\Ro\b.zp1)", platform::FILE_ATTRIBUTE_READONLY));
    const TEncDecResult readOnly = encdec.Encrypt(R"(C:\Ro\b.zp1)");
    EXPECT_FALSE(readOnly.ok);
    EXPECT_NE(readOnly.message.find(R"(cannot delete C:\Ro\b.zp1)"), std::string::npos) << readOnly.message;
    EXPECT_EQ(Names(R"(C:\Ro)"), std::vector<std::string>{"b.zp1"});
    EXPECT_EQ(ReadFile(R"(C:\Ro\b.zp1)"), "keep me");

    // Deciphering onto an existing archive is refused the same way.
    WriteFile(R"(C:\Dec\c)", "x");
    ASSERT_TRUE(encdec.Encrypt(R"(C:\Dec\c)").ok);
    WriteFile(R"(C:\Dec\c.zp1)", "newer archive");
    const TEncDecResult occupied = encdec.Decrypt(R"(C:\Dec\c.lxe)");
    EXPECT_FALSE(occupied.ok);
    EXPECT_EQ(ReadFile(R"(C:\Dec\c.zp1)"), "newer archive");
    EXPECT_EQ(Names(R"(C:\Dec)"), (std::vector<std::string>{"c.lxe", "c.zp1"}));
}

TEST_F(HiderEncDecTest, ArchiveNameReplacesTheLastExtension)
{
    const std::pair<std::string, std::string> cases[] = {
        {R"(C:\a.zp1.lxe)", R"(C:\a.zp1.zp1)"},
        {R"(C:\a.lxe)", R"(C:\a.zp1)"},
        {R"(C:\dir.x\data)", R"(C:\dir.x\data.zp1)"},
        {R"(C:\noext)", R"(C:\noext.zp1)"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(ArchiveNameOf(path), expected) << "case: " << path;
}

} // namespace
} // namespace lumexa::filesecurity::hider
