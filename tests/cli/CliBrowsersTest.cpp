#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "platform/Machine.h"
#include "platform/SqliteDatabase.h"
#include "support/TempDir.h"

namespace lumexa::app {
namespace {

using platform::Machine;

const std::string Cookies = "C:\\Documents and Settings\\ann\\Cookies";

class CliBrowsersTest : public CliFixture
{
protected:
    void TearDown() override { Machine::SetCurrent(nullptr); }

    // The host path of a Windows path of drive C:.
    std::string DriveC(const std::string& windowsPath)
    {
        std::string host = m_root + "/drive_c/" + windowsPath.substr(3);
        for (char& c : host)
            if (c == '\\')
                c = '/';
        return host;
    }
    void WriteC(const std::string& windowsPath, const std::string& contents)
    {
        test::WriteHostFile(DriveC(windowsPath), contents);
    }
    std::string KeepFile(const std::string& name)
    {
        return test::ReadHostFile(m_root + "/drive_c/Program Files/Lumexa/Settings/" + name);
    }
    // A cookie of Internet Explorer: its file in the Cookies folder and its cache entry.
    void IECookie(const std::string& url, const std::string& file)
    {
        WriteC(Cookies + "\\" + file, "id\n42\n" + url + "\n1024\n*\n");
        const CliRun run = Cli({"cache", "add", "--cookie", url, Cookies + "\\" + file});
        ASSERT_EQ(run.code, 0) << run.err;
    }
};

TEST_F(CliBrowsersTest, KeepListsAreEditedEntryByEntry)
{
    struct Case
    {
        const char* list;
        const char* file;
        std::vector<std::string> add;
        std::string kept;    // the file afterwards
        std::string already; // entries reported as already kept
    };
    // Cookie lists hold host names, equal ignoring case; the URL list holds URLs as typed.
    const Case cases[] = {
        {"ie-cookies",
         "SafeCookies.txt",
         {" example.com ", "EXAMPLE.com", "bank.example"},
         "example.com\r\nbank.example\r\n",
         "already kept\tEXAMPLE.com\n"},
        {"netscape-cookies", "SafeNSCookies.txt", {"a.example"}, "a.example\r\n", ""},
        {"firefox-cookies",
         "SafeFFCookies.txt",
         {"b.example", "B.EXAMPLE"},
         "b.example\r\n",
         "already kept\tB.EXAMPLE\n"},
        {"urls",
         "SafeURLs.txt",
         {"http://www.example.com/", "http://WWW.example.com/"},
         "http://www.example.com/\r\nhttp://WWW.example.com/\r\n",
         ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"keeplist", "add", c.list};
        args.insert(args.end(), c.add.begin(), c.add.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.code, 0) << "case: " << c.list << " " << run.err;
        EXPECT_EQ(KeepFile(c.file), c.kept) << "case: " << c.list;
        std::string already;
        for (std::size_t at = run.out.find("already kept"); at != std::string::npos;
             at = run.out.find("already kept", at + 1))
            already += run.out.substr(at, run.out.find('\n', at) + 1 - at);
        EXPECT_EQ(already, c.already) << "case: " << c.list;
    }

    EXPECT_EQ(Cli({"keeplist", "show", "ie-cookies"}).out, "example.com\nbank.example\n");
    EXPECT_EQ(nlohmann::json::parse(Cli({"keeplist", "show", "urls", "--json"}).out),
              nlohmann::json({"http://www.example.com/", "http://WWW.example.com/"}));

    // Removing: cookie hosts ignoring case; one entry not on the list changes nothing.
    CliRun run = Cli({"keeplist", "remove", "ie-cookies", "BANK.example", "nowhere.example"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("\"nowhere.example\" is not on the list ie-cookies"), std::string::npos) << run.err;
    EXPECT_EQ(KeepFile("SafeCookies.txt"), "example.com\r\nbank.example\r\n");
    run = Cli({"keeplist", "remove", "ie-cookies", "BANK.example"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "removed\tbank.example\n");
    EXPECT_EQ(KeepFile("SafeCookies.txt"), "example.com\r\n");
    run = Cli({"keeplist", "remove", "urls", "http://WWW.EXAMPLE.com/"});
    EXPECT_EQ(run.code, 1) << "URLs are compared as typed";
}

TEST_F(CliBrowsersTest, KeepListsRefuseWhatCannotBeALine)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> args;
        const char* error;
    };
    const Case cases[] = {
        {"blank entry", {"keeplist", "add", "urls", "  "}, "an empty entry keeps nothing"},
        {"line break", {"keeplist", "add", "urls", "http://a.example/\nhttp://b.example/"}, "an entry is one line"},
        {"unknown list", {"keeplist", "show", "opera-cookies"}, "opera-cookies"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.args);
        EXPECT_NE(run.code, 0) << "case: " << c.name;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << "case: " << c.name << "\n" << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(m_root + "/drive_c/Program Files/Lumexa/Settings/SafeURLs.txt"));
}

TEST_F(CliBrowsersTest, CacheAddSeedsEntriesThatCacheListShows)
{
    WriteC("C:\\Documents and Settings\\ann\\Local Settings\\Temporary Internet Files\\Content.IE5\\K3J9\\index[1].htm",
           "<html></html>");
    const std::string page =
        "C:\\Documents and Settings\\ann\\Local Settings\\Temporary Internet Files\\Content.IE5\\K3J9\\index[1].htm";
    ASSERT_EQ(Cli({"cache", "add", "http://www.news.example/index.html", page}).code, 0);
    IECookie("Cookie:ann@example.com/", "ann@example[1].txt");

    const CliRun list = Cli({"cache", "list"});
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_EQ(list.out,
              "content\thttp://www.news.example/index.html\t" + page + "\t13\n" + "cookie\tCookie:ann@example.com/\t" +
                  Cookies + "\\ann@example[1].txt\t37\n");
    const auto doc = nlohmann::json::parse(Cli({"cache", "list", "--json"}).out);
    ASSERT_EQ(doc.size(), 2u);
    EXPECT_EQ(doc[1]["kind"], "cookie");
    EXPECT_EQ(doc[1]["size"], 37);

    struct Case
    {
        const char* name;
        std::vector<std::string> args;
        const char* error;
    };
    const Case cases[] = {
        {"missing file", {"cache", "add", "http://a.example/", "C:\\nothing.htm"}, "no file C:\\nothing.htm"},
        {"cookie without Cookie:", {"cache", "add", "--cookie", "http://a.example/", page}, "begins with \"Cookie:\""},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.code, 1) << "case: " << c.name;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << "case: " << c.name << "\n" << run.err;
    }
    EXPECT_EQ(Cli({"cache", "list"}).out, list.out);
}

TEST_F(CliBrowsersTest, CookiesListsTheSitesNotOnTheKeepList)
{
    IECookie("Cookie:ann@example.com/", "ann@example[1].txt");
    IECookie("Cookie:ann@EXAMPLE.com/shop", "ann@example[2].txt");
    IECookie("Cookie:ann@bank.example.org/login", "ann@bank.example[1].txt");
    IECookie("Cookie:ann@ads.tracker.example/", "ann@ads.tracker[1].txt");
    ASSERT_EQ(Cli({"keeplist", "add", "ie-cookies", "Bank.Example.org"}).code, 0);

    const std::string cache = Cli({"cache", "list"}).out;
    // Internet Explorer and AOL share the store and the keep list.
    for (const char* browser : {"ie", "aol"}) {
        const CliRun run = Cli({"cookies", "--browser", browser});
        EXPECT_EQ(run.code, 0) << browser << ": " << run.err;
        EXPECT_EQ(run.out, "ads.tracker.example\nexample.com\n") << browser;
    }
    // Listing changes nothing.
    EXPECT_EQ(Cli({"cache", "list"}).out, cache);
    EXPECT_TRUE(std::filesystem::exists(DriveC(Cookies + "\\ann@ads.tracker[1].txt")));

    ASSERT_EQ(Cli({"keeplist", "add", "ie-cookies", "example.com", "ads.tracker.example"}).code, 0);
    const CliRun none = Cli({"cookies"});
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("No cookies found"), std::string::npos);
}

TEST_F(CliBrowsersTest, CookiesOfNetscapeAndFirefoxComeFromTheSelectedProfiles)
{
    const CliRun unselected = Cli({"cookies", "--browser", "firefox"});
    EXPECT_EQ(unselected.code, 1);
    EXPECT_NE(unselected.err.find("You must select one or more Firefox profiles first"), std::string::npos)
        << unselected.err;

    const std::string netscape =
        "C:\\Documents and Settings\\ann\\Application Data\\Mozilla\\Profiles\\default\\x1.slt";
    WriteC(netscape + "\\Cookies.txt",
           "# Netscape HTTP Cookie File\r\n.news.example\tTRUE\t/\tFALSE\t1893456000\tid\t1\r\n"
           "kept.example\tFALSE\t/\tFALSE\t1893456000\tid\t2\r\n");
    const std::string firefox =
        "C:\\Documents and Settings\\ann\\Application Data\\Mozilla\\Firefox\\Profiles\\ab.default";
    WriteC(firefox + "\\cookies.sqlite", "");
    {
        std::string error;
        auto machine = Machine::Open(m_root, &error);
        ASSERT_TRUE(machine) << error;
        platform::SqliteStatus status;
        const auto db = platform::SqliteDatabase::Open(machine->Files(), firefox + "\\cookies.sqlite", status);
        ASSERT_TRUE(db) << status.message;
        ASSERT_TRUE(
            db->Execute("CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, name TEXT, value TEXT, host TEXT)").Ok());
        ASSERT_TRUE(db->Execute("INSERT INTO moz_cookies (name, value, host) VALUES ('a', '1', '.tracker.example'), "
                                "('b', '2', 'www.kept.org'), ('c', '3', '.tracker.example')")
                        .Ok());
    }
    ASSERT_EQ(Cli({"profiles", "select", "--netscape", netscape}).code, 0);
    ASSERT_EQ(Cli({"profiles", "select", "--firefox", firefox}).code, 0);
    ASSERT_EQ(Cli({"keeplist", "add", "netscape-cookies", "KEPT.example"}).code, 0);
    ASSERT_EQ(Cli({"keeplist", "add", "firefox-cookies", "www.kept.org"}).code, 0);

    EXPECT_EQ(Cli({"cookies", "--browser", "netscape"}).out, ".news.example\n");
    const CliRun fireFox = Cli({"cookies", "--browser", "firefox", "--json"});
    EXPECT_EQ(fireFox.code, 0) << fireFox.err;
    EXPECT_EQ(nlohmann::json::parse(fireFox.out), nlohmann::json({".tracker.example"}));
}

} // namespace
} // namespace lumexa::app
