#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "app/Cli.h"
#include "support/TempDir.h"

namespace lumexa::app {
namespace {

// Runs lumexa-cli in-process on a throwaway machine; the files to lock lie in a host folder
// beside it (drive Z:).
class CliLockerTest : public CliFixture
{
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        std::filesystem::create_directories(m_files + "/sub/deeper");
        test::WriteHostFile(m_password, "correct horse\n");
    }

    std::string Host(const std::string& name) const { return m_files + "/" + name; }
    bool HostExists(const std::string& name) const { return std::filesystem::exists(Host(name)); }
    // The Windows path the machine gives a host file (drive Z: is the host's root).
    std::string Windows(const std::string& name) const { return WindowsPathOf(Host(name)); }

    // Host folder of the machine's "LockerBackups".
    std::string Backups() const { return Root() + "/drive_c/Program Files/Lumexa/LockerBackups"; }

    std::string m_files = m_dir.Path() + "/files";
    std::string m_password = m_dir.Path() + "/password.txt";
};

TEST_F(CliLockerTest, LockThenUnlockRestoresFilesAndFolders)
{
    const std::string one(10000, 'x');
    test::WriteHostFile(Host("one.txt"), one);
    test::WriteHostFile(Host("sub/two.txt"), "two");
    test::WriteHostFile(Host("sub/deeper/three.txt"), "");

    const CliRun lock = Cli({"lock",
                             "--cipher",
                             "Twofish",
                             "--hash",
                             "Haval (256bit, 5 passes)",
                             "--password-file",
                             m_password,
                             Host("sub"),
                             Host("one.txt")});
    EXPECT_EQ(lock.code, 0) << lock.err;
    // Files first, then the folder's files; the progress counts all three.
    EXPECT_NE(lock.out.find("one.txt [33%]\n"), std::string::npos) << lock.out;
    EXPECT_NE(lock.out.find("two.txt [66%]\n"), std::string::npos) << lock.out;
    EXPECT_NE(lock.out.find("three.txt [100%]\n"), std::string::npos) << lock.out;
    EXPECT_NE(lock.out.find("3 file(s) locked, 0 failed"), std::string::npos) << lock.out;
    EXPECT_LT(lock.out.find("one.txt"), lock.out.find("two.txt"));
    EXPECT_FALSE(HostExists("one.txt"));
    EXPECT_EQ(std::filesystem::file_size(Host("one.txt.lxe")), 10000u + 48u);
    EXPECT_EQ(std::filesystem::file_size(Host("sub/deeper/three.txt.lxe")), 48u);

    // The password from standard input, with a CRLF line end, is the same password.
    const CliRun unlock =
        Cli({"unlock", "--cipher", "11", "--hash", "0", "--password-stdin", Host("one.txt.lxe"), Host("sub")},
            "correct horse\r\n");
    EXPECT_EQ(unlock.code, 0) << unlock.err;
    EXPECT_NE(unlock.out.find("3 file(s) decrypted, 0 files could not be decrypted because of wrong parameters"),
              std::string::npos)
        << unlock.out;
    EXPECT_EQ(test::ReadHostFile(Host("one.txt")), one);
    EXPECT_EQ(test::ReadHostFile(Host("sub/two.txt")), "two");
    EXPECT_EQ(test::ReadHostFile(Host("sub/deeper/three.txt")), "");
    EXPECT_FALSE(HostExists("one.txt.lxe"));
    EXPECT_FALSE(HostExists("sub/two.txt.lxe"));
}

TEST_F(CliLockerTest, WrongPasswordFailsAndKeepsTheLockedFile)
{
    test::WriteHostFile(Host("a.txt"), "secret");
    ASSERT_EQ(
        Cli({"lock", "--cipher", "Rijndael", "--hash", "SHA256", "--password-file", m_password, Host("a.txt")}).code,
        0);
    const std::string locked = test::ReadHostFile(Host("a.txt.lxe"));
    const CliRun run =
        Cli({"unlock", "--cipher", "Rijndael", "--hash", "SHA256", "--password-stdin", Host("a.txt.lxe")}, "wrong");
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out,
              "rejected " + Windows("a.txt.lxe") +
                  ": wrong password, cipher or hash [100%]\n"
                  "0 file(s) decrypted, 1 files could not be decrypted because of wrong parameters, 0 failed\n");
    EXPECT_NE(run.err.find("Wrong Parameters entered....Failed to unlock files"), std::string::npos) << run.err;
    EXPECT_EQ(test::ReadHostFile(Host("a.txt.lxe")), locked);
    EXPECT_FALSE(HostExists("a.txt"));
}

TEST_F(CliLockerTest, TakenNameFailsTheLockAndLongPasswordKeepsTheLockedFile)
{
    test::WriteHostFile(Host("a.txt"), "mine");
    test::WriteHostFile(Host("a.txt.lxe"), "not mine");
    const CliRun taken =
        Cli({"lock", "--cipher", "DES", "--hash", "MD5", "--password-file", m_password, Host("a.txt")});
    EXPECT_EQ(taken.code, 1);
    EXPECT_NE(taken.out.find("failed " + Windows("a.txt")), std::string::npos) << taken.out;
    EXPECT_NE(taken.err.find("Cannot encrypt data in selected files or folders"), std::string::npos) << taken.err;
    EXPECT_EQ(test::ReadHostFile(Host("a.txt")), "mine");
    EXPECT_EQ(test::ReadHostFile(Host("a.txt.lxe")), "not mine");

    test::WriteHostFile(Host("b.txt"), "long");
    const std::string password = "a password of 27 characters";
    ASSERT_EQ(Cli({"lock", "--cipher", "DES", "--hash", "MD5", "--password-stdin", Host("b.txt")}, password).code, 0);
    const CliRun kept =
        Cli({"unlock", "--cipher", "DES", "--hash", "MD5", "--password-stdin", Host("b.txt.lxe")}, password);
    EXPECT_EQ(kept.code, 0) << kept.err;
    EXPECT_NE(kept.out.find("(kept: "), std::string::npos) << kept.out;
    EXPECT_EQ(test::ReadHostFile(Host("b.txt")), "long");
    EXPECT_TRUE(HostExists("b.txt.lxe"));
}

// The lock backup: a zip in "LockerBackups" of the machine's program folder, made before
// anything is enciphered.
TEST_F(CliLockerTest, BackupArchivesTheFilesBeforeLockingThem)
{
    test::WriteHostFile(Host("one.txt"), "first file");
    test::WriteHostFile(Host("sub/two.txt"), std::string(5000, 't'));
    test::WriteHostFile(Host("sub/three.txt.lxe"), "locked already");
    const CliRun run = Cli({"lock",
                            "--cipher",
                            "Rijndael",
                            "--hash",
                            "SHA256",
                            "--password-file",
                            m_password,
                            "--backup",
                            Host("one.txt"),
                            Host("sub")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out.rfind("backup C:\\Program Files\\Lumexa\\LockerBackups\\", 0), 0u) << run.out;
    EXPECT_NE(run.out.find(".zip (2 file(s))\n"), std::string::npos) << run.out;
    EXPECT_LT(run.out.find("backup "), run.out.find("locked ")) << run.out;
    EXPECT_TRUE(HostExists("one.txt.lxe"));
    EXPECT_TRUE(HostExists("sub/two.txt.lxe"));

    std::vector<std::string> archives;
    for (const auto& entry : std::filesystem::directory_iterator(Backups()))
        archives.push_back(entry.path().string());
    ASSERT_EQ(archives.size(), 1u);
    const std::string zip = test::ReadHostFile(archives[0]);
    EXPECT_EQ(zip.rfind("PK\x03\x04", 0), 0u);
    // Entry names are the Windows paths without the drive (Z: is the host's root).
    const std::string folder = m_files.substr(1);
    EXPECT_NE(zip.find(folder + "/one.txt"), std::string::npos);
    EXPECT_NE(zip.find(folder + "/sub/two.txt"), std::string::npos);
    EXPECT_EQ(zip.find("three.txt.lxe"), std::string::npos) << "a locked file is not backed up";
}

TEST_F(CliLockerTest, BackupThatCannotBeWrittenLocksNothing)
{
    test::WriteHostFile(Host("one.txt"), "first file");
    std::filesystem::remove_all(Backups());
    test::WriteHostFile(Backups(), "a file where the folder belongs");
    const CliRun run = Cli({"lock",
                            "--cipher",
                            "Rijndael",
                            "--hash",
                            "SHA256",
                            "--password-file",
                            m_password,
                            "--backup",
                            Host("one.txt")});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("cannot create the folder C:\\Program Files\\Lumexa\\LockerBackups"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("nothing was locked"), std::string::npos) << run.err;
    EXPECT_EQ(test::ReadHostFile(Host("one.txt")), "first file");
    EXPECT_FALSE(HostExists("one.txt.lxe"));
}

TEST_F(CliLockerTest, BadArgumentsFail)
{
    test::WriteHostFile(Host("a.txt"), "x");
    struct Case
    {
        const char* name;
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {"unknown cipher", {"lock", "--cipher", "Rot13", "--hash", "SHA256", "--password-stdin"}, "no cipher named"},
        {"cipher index too big", {"lock", "--cipher", "12", "--hash", "SHA256", "--password-stdin"}, "no cipher named"},
        {"unknown hash", {"lock", "--cipher", "DES", "--hash", "SHA3", "--password-stdin"}, "no hash named"},
        {"no password", {"lock", "--cipher", "DES", "--hash", "MD5"}, "--password-file"},
        {"missing password file",
         {"lock", "--cipher", "DES", "--hash", "MD5", "--password-file", "/nonexistent/pw"},
         "cannot read the password file"},
    };
    for (Case& c : cases) {
        c.args.push_back(Host("a.txt"));
        const CliRun run = Cli(c.args, "pw");
        EXPECT_EQ(run.code, 1) << "case: " << c.name;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << "case: " << c.name << ": " << run.err;
        EXPECT_EQ(test::ReadHostFile(Host("a.txt")), "x") << "case: " << c.name;
    }
}

TEST_F(CliLockerTest, CiphersListsBothCatalogues)
{
    const CliRun run = Cli({"ciphers", "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    const nlohmann::json doc = nlohmann::json::parse(run.out);
    ASSERT_EQ(doc["ciphers"].size(), 12u);
    ASSERT_EQ(doc["hashes"].size(), 10u);
    EXPECT_EQ(doc["ciphers"][8]["name"], "Rijndael");
    EXPECT_EQ(doc["ciphers"][8]["blockBits"], 128);
    EXPECT_EQ(doc["ciphers"][8]["largestKeyBits"], 256);
    EXPECT_EQ(doc["ciphers"][7]["largestKeyBits"], 1024);
    EXPECT_EQ(doc["hashes"][0]["name"], "Haval (256bit, 5 passes)");
    EXPECT_EQ(doc["hashes"][9]["digestBits"], 192);
    EXPECT_NE(doc["effectiveKeyRule"].get<std::string>().find("min("), std::string::npos);

    const CliRun text = Cli({"ciphers"});
    EXPECT_EQ(text.code, 0);
    EXPECT_NE(text.out.find("  5  Thin Ice  64  64\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  3  RipeMD-128  128\n"), std::string::npos) << text.out;
}

} // namespace
} // namespace lumexa::app
