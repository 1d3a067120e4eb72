#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "app/Cli.h"
#include "platform/Machine.h"
#include "platform/RecycleBin.h"
#include "support/TempDir.h"

namespace lumexa::app {
namespace {

// Runs lumexa-cli in-process on a throwaway machine; the files to erase lie in a host folder
// beside it (drive Z:).
class CliSecureDeleteTest : public CliFixture
{
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        std::filesystem::create_directory(m_files);
    }

    // A host file and the Windows path the machine gives it.
    std::string HostFile(const std::string& name, const std::string& contents)
    {
        test::WriteHostFile(m_files + "/" + name, contents);
        return m_files + "/" + name;
    }
    static std::string Windows(const std::string& host) { return WindowsPathOf(host); }
    bool HostExists(const std::string& name) const { return std::filesystem::exists(m_files + "/" + name); }
    std::shared_ptr<platform::Machine> OpenMachine()
    {
        std::string error;
        auto machine = platform::Machine::Open(m_root, &error);
        EXPECT_TRUE(machine) << error;
        return machine;
    }

    std::string m_files = m_dir.Path() + "/files";
};

TEST_F(CliSecureDeleteTest, SecureDeletePrintsOneLinePerFile)
{
    const std::string a = HostFile("a.txt", std::string(100, 'a'));
    const std::string b = HostFile("b.txt", "bb");
    const CliRun run = Cli({"secure-delete", "--method", "1", a, b});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "erased 100 " + Windows(a) + "\nerased 2 " + Windows(b) + "\n");
    EXPECT_FALSE(HostExists("a.txt"));
    EXPECT_FALSE(HostExists("b.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(m_files)) << "no scrambled name is left";
}

TEST_F(CliSecureDeleteTest, AnalysisFindsAndKeeps)
{
    const std::string a = HostFile("a.txt", "keep me");
    const CliRun run = Cli({"secure-delete", "--method", "6", a});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "found 7 " + Windows(a) + "\n");
    EXPECT_EQ(test::ReadHostFile(a), "keep me");
}

TEST_F(CliSecureDeleteTest, MethodNoneNeedsPlainToDelete)
{
    const std::string a = HostFile("a.txt", "x");
    const CliRun refused = Cli({"secure-delete", "--method", "0", a});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.out, "failed 1 " + Windows(a) + "\n");
    EXPECT_NE(refused.err.find("could not be erased"), std::string::npos) << refused.err;
    EXPECT_TRUE(HostExists("a.txt"));

    const CliRun plain = Cli({"secure-delete", "--method", "0", "--plain", a});
    EXPECT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(plain.out, "erased 1 " + Windows(a) + "\n");
    EXPECT_FALSE(HostExists("a.txt"));
}

TEST_F(CliSecureDeleteTest, WithoutAMethodTheTracksEraserSettingsDecide)
{
    const std::string a = HostFile("a.txt", "x");
    // Secure erasing off: the method is None, which fails without --plain.
    EXPECT_EQ(Cli({"secure-delete", a}).code, 1);
    EXPECT_TRUE(HostExists("a.txt"));
    ASSERT_EQ(Cli({"settings", "set", "33", "true"}).code, 0);
    ASSERT_EQ(Cli({"settings", "set", "34", "6"}).code, 0);
    EXPECT_EQ(Cli({"secure-delete", a}).code, 1) << "a stored 6 is no analysis: it reads as None";
    ASSERT_EQ(Cli({"settings", "set", "34", "5"}).code, 0);
    ASSERT_EQ(Cli({"settings", "set", "37", "2"}).code, 0);
    const CliRun run = Cli({"secure-delete", a});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "erased 1 " + Windows(a) + "\n");
}

TEST_F(CliSecureDeleteTest, MissingFilesAndFoldersAreErrors)
{
    const std::string a = HostFile("a.txt", "x");
    const CliRun run = Cli({"secure-delete", "--method", "5", "--passes", "1", m_files + "/missing.txt", m_files, a});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "erased 1 " + Windows(a) + "\n");
    EXPECT_NE(run.err.find("missing.txt"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("is a folder"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("2 object(s)"), std::string::npos) << run.err;
}

TEST_F(CliSecureDeleteTest, BadOptionsAreUsageErrors)
{
    const std::string a = HostFile("a.txt", "x");
    EXPECT_EQ(Cli({"secure-delete", "--method", "7", a}).code, 2);
    EXPECT_EQ(Cli({"secure-delete", "--pattern", "two", a}).code, 2);
    EXPECT_EQ(Cli({"secure-delete", "--passes", "100", a}).code, 2);
    EXPECT_EQ(Cli({"secure-delete"}).code, 2);
    EXPECT_TRUE(HostExists("a.txt"));
}

TEST_F(CliSecureDeleteTest, SweepErasesTheTreeAndTheFolder)
{
    HostFile("a.txt", "a");
    std::filesystem::create_directory(m_files + "/sub");
    HostFile("sub/b.log", "bb");
    HostFile("keep.dat", "k");
    const CliRun run = Cli({"sweep", m_files, "--mask", "*.txt", "--recursive", "--method", "3"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "erased 1 " + Windows(m_files + "/a.txt") + "\n");
    EXPECT_TRUE(HostExists("keep.dat"));
    EXPECT_TRUE(HostExists("sub/b.log"));

    const CliRun all = Cli({"sweep", m_files, "--recursive", "--method", "1"});
    EXPECT_EQ(all.code, 0) << all.err;
    EXPECT_EQ(all.out,
              "erased 1 " + Windows(m_files + "/keep.dat") + "\nerased 2 " + Windows(m_files + "/sub/b.log") + "\n");
    EXPECT_FALSE(std::filesystem::exists(m_files));
    EXPECT_EQ(Cli({"sweep", m_files}).code, 1) << "a missing folder";
}

TEST_F(CliSecureDeleteTest, DrivesListsEveryDriveWithItsFigures)
{
    const CliRun run = Cli({"drives", "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    ASSERT_EQ(doc.size(), 2u);
    EXPECT_EQ(doc[0]["root"], "C:\\");
    EXPECT_EQ(doc[0]["name"], "Local Disk (C:)");
    EXPECT_EQ(doc[0]["type"], "fixed");
    EXPECT_EQ(doc[0]["total"], 1ull << 30);
    EXPECT_EQ(doc[0]["total_text"], "1.00 GB");
    EXPECT_EQ(doc[0]["bytes_per_sector"], 512);
    EXPECT_EQ(doc[0]["sectors_per_cluster"], 8);
    EXPECT_LE(doc[0]["free"].get<std::uint64_t>(), doc[0]["total_free"].get<std::uint64_t>());
    EXPECT_EQ(doc[1]["root"], "Z:\\");
    EXPECT_EQ(doc[1]["name"], "Local Disk (Z:)");

    const CliRun text = Cli({"drives"});
    EXPECT_NE(text.out.find("C:\\  Local Disk (C:)  fixed  "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" free of 1.00 GB  (512 bytes per sector, 8 sectors per cluster)"), std::string::npos)
        << text.out;
}

TEST_F(CliSecureDeleteTest, RecycleBinIsShownEmptiedAndRestored)
{
    {
        auto machine = OpenMachine();
        ASSERT_TRUE(machine->Files().ForceDirectories("C:\\docs"));
        ASSERT_TRUE(machine->Files().WriteWholeFileAtomic("C:\\docs\\a.txt", "12345"));
        ASSERT_TRUE(machine->Files().WriteWholeFileAtomic("C:\\docs\\b.txt", "123"));
        ASSERT_TRUE(machine->RecycleBin().Recycle("C:\\docs\\a.txt"));
        ASSERT_TRUE(machine->RecycleBin().Recycle("C:\\docs\\b.txt"));
    }
    const CliRun show = Cli({"recyclebin", "show", "--json"});
    ASSERT_EQ(show.code, 0) << show.err;
    const auto doc = nlohmann::json::parse(show.out);
    EXPECT_EQ(doc["count"], 2);
    EXPECT_EQ(doc["size"], 8);
    EXPECT_EQ(doc["items"][0]["id"], "DC1.txt");
    EXPECT_EQ(doc["items"][0]["original"], "C:\\docs\\a.txt");
    EXPECT_EQ(doc["items"][1]["size"], 3);

    const CliRun text = Cli({"recyclebin", "show", "--drive", "C:\\"});
    EXPECT_NE(text.out.find("DC2.txt\t"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\t3\tC:\\docs\\b.txt\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("2 item(s), 8 B\n"), std::string::npos) << text.out;

    const CliRun restore = Cli({"recyclebin", "restore", "DC1.txt"});
    EXPECT_EQ(restore.code, 0) << restore.err;
    EXPECT_EQ(Cli({"recyclebin", "restore", "DC1.txt"}).code, 1);
    const CliRun empty = Cli({"recyclebin", "empty"});
    EXPECT_EQ(empty.code, 0) << empty.err;
    EXPECT_EQ(empty.out, "erased 3 Recycle Bin\n");
    EXPECT_NE(Cli({"recyclebin", "show"}).out.find("0 item(s), 0 B"), std::string::npos);
    EXPECT_EQ(Cli({"recyclebin", "empty", "--drive", "Q:\\"}).code, 1);

    auto machine = OpenMachine();
    EXPECT_EQ(machine->Files().ReadWholeFile("C:\\docs\\a.txt").value_or(""), "12345");
}

} // namespace
} // namespace lumexa::app
