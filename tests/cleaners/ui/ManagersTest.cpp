#include <string>
#include <vector>

#include <QListWidget>
#include <QPushButton>
#include <QThread>

#include "UiTest.h"
#include "cleaners/CookieHosts.h"
#include "cleaners/KeepList.h"
#include "cleaners/ProfilesFinder.h"
#include "cleaners/ui/FrmBrowserSettings.h"
#include "cleaners/ui/FrmCookiesManager.h"
#include "cleaners/ui/FrmIEURLManager.h"
#include "platform/Registry.h"
#include "platform/SqliteDatabase.h"
#include "platform/UrlCache.h"

namespace lumexa::test {

using cleaners::TKeepList;
using cleaners::ui::TCookiesMode;
using cleaners::ui::TFrmCookiesManager;
using cleaners::ui::TFrmIEURLManager;
using cleaners::ui::TKeepListManager;
using Lines = std::vector<std::string>;

namespace {

constexpr const char* TypedUrlsKey = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
const std::string Cookies = "C:\\Documents and Settings\\user\\Cookies";
const std::string FireFoxProfiles = "C:\\Documents and Settings\\user\\Application Data\\Mozilla\\Firefox\\Profiles";
const std::string NetscapeProfiles = "C:\\Documents and Settings\\user\\Application Data\\Mozilla\\Profiles";

// A Cookies.txt as Netscape 7 and Firefox 1.x..2.x write it (Netscape cookie file format:
// host, subdomains flag, path, secure, expiry, name, value, tab-separated).
std::string CookieFile(const Lines& hosts)
{
    std::string text = "# Netscape HTTP Cookie File\r\n"
                       "# This is a generated file!  Do not edit.\r\n\r\n";
    for (const std::string& host : hosts)
        text += host + "\tTRUE\t/\tFALSE\t1893456000\tid\t42\r\n";
    return text;
}

} // namespace

class ManagersTest : public UiTest
{
protected:
    static QListWidget* List(QWidget& window, const char* name)
    {
        return window.findChild<QListWidget*>(QString::fromLatin1(name));
    }
    static QPushButton* Button(QWidget& window, const char* name)
    {
        return window.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    // Shows the window and waits until its lists are filled.
    static void Fill(TKeepListManager& window)
    {
        window.show();
        ASSERT_TRUE(WaitFor([&] { return window.Filled(); }));
    }
    static void Select(QWidget& window, const char* list, const std::string& entry)
    {
        const auto found = List(window, list)->findItems(QString::fromStdString(entry), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << entry;
        found.front()->setSelected(true);
    }
    // Keep files are read by the cleaners as the lines of "Settings\<file>".
    std::string KeepText(std::string_view file) { return ReadFile(TKeepList::PathOf(file)); }
    bool KeepExists(std::string_view file) { return Exists(TKeepList::PathOf(file)); }
    void Keep(std::string_view file, const Lines& lines) { ASSERT_TRUE(TKeepList::Save(file, lines)); }

    void CacheCookie(const std::string& url, const std::string& file)
    {
        platform::UrlCacheEntry entry;
        entry.sourceUrl = url;
        entry.localFileName = Cookies + "\\" + file;
        entry.cacheEntryType = platform::NORMAL_CACHE_ENTRY | platform::COOKIE_CACHE_ENTRY;
        WriteFile(entry.localFileName, "id\n42\n" + url + "\n1024\n*\n");
        ASSERT_TRUE(machine().UrlCache().CommitUrlCacheEntry(entry)) << url;
    }
    // Internet Explorer 6 on XP: cookies of a few sites and one page of the cache.
    void SeedIECookies()
    {
        CacheCookie("Cookie:user@example.com/", "user@example[1].txt");
        CacheCookie("Cookie:user@EXAMPLE.com/shop", "user@example[2].txt");
        CacheCookie("Cookie:user@bank.example.org/login", "user@bank.example[1].txt");
        CacheCookie("Cookie:user@ads.tracker.example/", "user@ads.tracker[1].txt");
        platform::UrlCacheEntry page;
        page.sourceUrl = "http://www.news.example/index.html";
        page.localFileName = "C:\\Documents and Settings\\user\\Local Settings\\Temporary Internet "
                             "Files\\Content.IE5\\K3J9Q2ZX\\index[1].htm";
        WriteFile(page.localFileName, "<html></html>");
        ASSERT_TRUE(machine().UrlCache().CommitUrlCacheEntry(page));
    }
    void StoreProfile(std::string_view key, const std::string& path, bool selected)
    {
        auto stored = machine().Registry().Create(platform::HKEY_LOCAL_MACHINE, key);
        ASSERT_TRUE(stored && stored->SetString(path.substr(path.rfind('\\') + 1), path + (selected ? ",1" : ",0")));
    }
    void CreateDatabase(const std::string& path, const std::vector<const char*>& statements)
    {
        WriteFile(path, "");
        platform::SqliteStatus status;
        const auto db = platform::SqliteDatabase::Open(machine().Files(), path, status);
        ASSERT_TRUE(db) << path << ": " << status.message;
        for (const char* statement : statements)
            ASSERT_TRUE(db->Execute(statement).Ok()) << statement;
    }
    void TypedUrl(const std::string& name, const std::string& url)
    {
        auto key = machine().Registry().Create(platform::HKEY_CURRENT_USER, TypedUrlsKey);
        ASSERT_TRUE(key && key->SetString(name, url));
    }
    std::vector<std::string> Boxes()
    {
        std::vector<std::string> shown;
        for (const platform::MessageBoxRequest& request : dialogs().Shown())
            shown.push_back(request.text);
        return shown;
    }
};

TEST_F(ManagersTest, CookieFileHostsAreTheTextBeforeTheFirstTabOfEachCookieLine)
{
    // Lines as Netscape 4..7 and Firefox 1..2 write Cookies.txt, and hand-edited variants.
    struct Case
    {
        const char* name;
        std::string text;
        Lines hosts;
    };
    const Case cases[] = {
        {"CR LF",
         ".example.com\tTRUE\t/\tFALSE\t1893456000\tid\t42\r\nnews.example\tFALSE\t/\tFALSE\t0\ta\tb\r\n",
         {".example.com", "news.example"}},
        {"LF, last line without end", "a.example\tTRUE\n\nb.example\tTRUE", {"a.example", "b.example"}},
        {"comments with tabs", "# Netscape HTTP Cookie File\n#HttpOnly_x\tTRUE\n  # spaced\tcomment\n", {}},
        {"blanks trimmed", "   padded.example\tTRUE\t/  \r\n", {"padded.example"}},
        {"no tab", "just some text\r\n", {}},
        {"repeats kept", "a.example\t1\na.example\t2\n", {"a.example", "a.example"}},
        {"empty", "", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cleaners::CookieFileHosts(c.text), c.hosts) << "case: " << c.name;
}

TEST_F(ManagersTest, InternetExplorerCookiesListEachHostOnceExceptTheSafeOnesAddedOnTheInterfaceThread)
{
    SeedIECookies();
    Keep(cleaners::SafeCookiesFile, {"kept.example", "Bank.Example.org"});
    for (const TCookiesMode mode : {TCookiesMode::InternetExplorer, TCookiesMode::Aol}) {
        TFrmCookiesManager window(mode);
        std::vector<bool> onInterfaceThread;
        QObject::connect(&window, &TKeepListManager::EntryListed, [&] {
            onInterfaceThread.push_back(QThread::currentThread() == window.thread());
        });
        Fill(window);

        EXPECT_EQ(window.CurrentEntries(), (Lines{"ads.tracker.example", "example.com"})) << "mode: " << int(mode);
        EXPECT_EQ(window.SafeEntries(), (Lines{"Bank.Example.org", "kept.example"})) << "mode: " << int(mode);
        EXPECT_EQ(onInterfaceThread, (std::vector<bool>{true, true})) << "mode: " << int(mode);
        EXPECT_EQ(window.windowTitle().toStdString(), "Cookies Manager");
        window.close();
    }
    EXPECT_TRUE(dialogs().Shown().empty());
    EXPECT_EQ(machine().UrlCache().GetUrlCacheEntryInfo("Cookie:user@example.com/").has_value(), true)
        << "listing the cookies erases none";
    EXPECT_TRUE(Exists(Cookies + "\\user@ads.tracker[1].txt"));
}

TEST_F(ManagersTest, ClosingWritesTheSafeListSortedToTheModesKeepFile)
{
    struct Case
    {
        TCookiesMode mode;
        std::string_view file;
    };
    const Case cases[] = {{TCookiesMode::InternetExplorer, cleaners::SafeCookiesFile},
                          {TCookiesMode::Aol, cleaners::SafeCookiesFile},
                          {TCookiesMode::Netscape, cleaners::SafeNSCookiesFile},
                          {TCookiesMode::FireFox, cleaners::SafeFFCookiesFile}};
    const std::string_view all[] = {
        cleaners::SafeCookiesFile, cleaners::SafeNSCookiesFile, cleaners::SafeFFCookiesFile, cleaners::SafeURLsFile};
    for (const Case& c : cases) {
        for (const std::string_view file : all)
            machine().Files().DeleteFile(TKeepList::PathOf(file));
        Keep(c.file, {"zeta.example", "Alpha.example", "", "beta.example"});
        const std::size_t boxesBefore = dialogs().Shown().size();
        {
            TFrmCookiesManager window(c.mode);
            Fill(window);
            EXPECT_EQ(window.SafeEntries(), (Lines{"Alpha.example", "beta.example", "zeta.example"}))
                << "case: " << int(c.mode);
            EXPECT_EQ(KeepText(c.file), "zeta.example\r\nAlpha.example\r\n\r\nbeta.example\r\n")
                << "case: " << int(c.mode) << ": nothing is written before closing";
            window.close();
        }
        EXPECT_EQ(KeepText(c.file), "Alpha.example\r\nbeta.example\r\nzeta.example\r\n") << "case: " << int(c.mode);
        for (const std::string_view file : all)
            EXPECT_EQ(KeepExists(file), file == c.file) << "case: " << int(c.mode) << ": " << file;
        // No cookies anywhere: the left list stays empty and the user is told.
        ASSERT_EQ(dialogs().Shown().size(), boxesBefore + 1) << "case: " << int(c.mode);
        EXPECT_EQ(dialogs().Shown().back().text, "No cookies found") << "case: " << int(c.mode);
        EXPECT_EQ(dialogs().Shown().back().icon, platform::MessageIcon::Information) << "case: " << int(c.mode);
    }
}

TEST_F(ManagersTest, MissingKeepFileGivesAnEmptySafeListAndClosingWritesAnEmptyOne)
{
    SeedIECookies();
    ASSERT_FALSE(KeepExists(cleaners::SafeCookiesFile));
    {
        TFrmCookiesManager window(TCookiesMode::InternetExplorer);
        Fill(window);
        EXPECT_TRUE(window.SafeEntries().empty());
        EXPECT_EQ(window.CurrentEntries(), (Lines{"ads.tracker.example", "bank.example.org", "example.com"}));
        window.close();
    }
    EXPECT_TRUE(KeepExists(cleaners::SafeCookiesFile));
    EXPECT_EQ(KeepText(cleaners::SafeCookiesFile), "");
}

TEST_F(ManagersTest, MoveButtonsMoveSelectedOrAllEntriesAndAreEnabledOnlyWithASourceEntry)
{
    SeedIECookies();
    TFrmCookiesManager window(TCookiesMode::InternetExplorer);
    const char* buttons[] = {"btnAdd", "btnAddAll", "btnRemove", "btnRemoveAll"};
    const char* hints[] = {"Add", "Add ALL", "Remove", "Remove All"};
    const char* texts[] = {">", ">>", "<", "<<"};
    for (std::size_t b = 0; b < std::size(buttons); ++b) {
        ASSERT_NE(Button(window, buttons[b]), nullptr) << buttons[b];
        EXPECT_EQ(Button(window, buttons[b])->text().toStdString(), texts[b]) << buttons[b];
        EXPECT_EQ(Button(window, buttons[b])->toolTip().toStdString(), hints[b]) << buttons[b];
        EXPECT_FALSE(Button(window, buttons[b])->isEnabled()) << buttons[b] << " before filling";
    }
    Fill(window);

    struct Step
    {
        const char* name;
        const char* list;              // where the entries are selected
        std::vector<std::string> pick; // the entries selected
        const char* button;
        Lines current;
        Lines safe;
    };
    const Step steps[] = {
        {"add one",
         "lstCurrent",
         {"bank.example.org"},
         "btnAdd",
         {"ads.tracker.example", "example.com"},
         {"bank.example.org"}},
        {"add all", "lstCurrent", {}, "btnAddAll", {}, {"ads.tracker.example", "bank.example.org", "example.com"}},
        {"remove two",
         "lstSafe",
         {"example.com", "ads.tracker.example"},
         "btnRemove",
         {"ads.tracker.example", "example.com"},
         {"bank.example.org"}},
        {"remove all", "lstSafe", {}, "btnRemoveAll", {"ads.tracker.example", "bank.example.org", "example.com"}, {}},
        {"add two",
         "lstCurrent",
         {"example.com", "ads.tracker.example"},
         "btnAdd",
         {"bank.example.org"},
         {"ads.tracker.example", "example.com"}},
    };
    for (const Step& step : steps) {
        List(window, "lstCurrent")->clearSelection();
        List(window, "lstSafe")->clearSelection();
        for (const std::string& entry : step.pick)
            Select(window, step.list, entry);
        Click(&window, step.button);
        EXPECT_EQ(window.CurrentEntries(), step.current) << "step: " << step.name;
        EXPECT_EQ(window.SafeEntries(), step.safe) << "step: " << step.name;
        EXPECT_EQ(Button(window, "btnAdd")->isEnabled(), !step.current.empty()) << "step: " << step.name;
        EXPECT_EQ(Button(window, "btnAddAll")->isEnabled(), !step.current.empty()) << "step: " << step.name;
        EXPECT_EQ(Button(window, "btnRemove")->isEnabled(), !step.safe.empty()) << "step: " << step.name;
        EXPECT_EQ(Button(window, "btnRemoveAll")->isEnabled(), !step.safe.empty()) << "step: " << step.name;
    }
    window.close();
    // Entries of the left list are not stored.
    EXPECT_EQ(KeepText(cleaners::SafeCookiesFile), "ads.tracker.example\r\nexample.com\r\n");
}

TEST_F(ManagersTest, ClosingBeforeFillingHasCompletedKeepsTheKeepFileAsItWas)
{
    SeedIECookies();
    StoreProfile(cleaners::NetscapeProfilesKey, NetscapeProfiles + "\\default\\x1y2z3a4.slt", true);
    WriteFile(NetscapeProfiles + "\\default\\x1y2z3a4.slt\\Cookies.txt", CookieFile({".example.com", "news.example"}));
    struct Case
    {
        const char* name;
        TCookiesMode mode;
        std::string_view file;
        bool whileFilling; // else before filling starts
    };
    const Case cases[] = {
        {"IE while filling", TCookiesMode::InternetExplorer, cleaners::SafeCookiesFile, true},
        {"Netscape while filling", TCookiesMode::Netscape, cleaners::SafeNSCookiesFile, true},
        {"IE before filling", TCookiesMode::InternetExplorer, cleaners::SafeCookiesFile, false},
    };
    for (const Case& c : cases) {
        Keep(c.file, {"keep.example", "also-kept.example"});
        {
            TFrmCookiesManager window(c.mode);
            int listed = 0;
            QObject::connect(&window, &TKeepListManager::EntryListed, [&] {
                if (++listed == 1)
                    window.close();
            });
            window.show();
            if (c.whileFilling) {
                ASSERT_TRUE(WaitFor([&] { return listed > 0 && !window.Filling(); })) << "case: " << c.name;
            } else {
                window.close();
            }
            EXPECT_FALSE(window.Filled()) << "case: " << c.name;
            EXPECT_TRUE(window.isHidden()) << "case: " << c.name;
        }
        EXPECT_EQ(KeepText(c.file), "keep.example\r\nalso-kept.example\r\n") << "case: " << c.name;
    }
    EXPECT_TRUE(dialogs().Shown().empty()) << "an abandoned window says nothing";
}

TEST_F(ManagersTest, ProfileCookiesListEachHostOnceFromTheSelectedProfilesOnly)
{
    // Netscape 7.2: Cookies.txt in each profile's salted folder.
    const std::string ann = NetscapeProfiles + "\\ann\\a1b2c3d4.slt";
    const std::string bob = NetscapeProfiles + "\\bob\\e5f6g7h8.slt";
    const std::string old = NetscapeProfiles + "\\old\\i9j0k1l2.slt";
    StoreProfile(cleaners::NetscapeProfilesKey, ann, true);
    StoreProfile(cleaners::NetscapeProfilesKey, bob, true);
    StoreProfile(cleaners::NetscapeProfilesKey, old, false);
    WriteFile(ann + "\\Cookies.txt", CookieFile({".example.com", "www.kept.org", "news.example"}));
    WriteFile(bob + "\\Cookies.txt", CookieFile({".EXAMPLE.com", "  shop.example"}) + "no tab here\r\n#x\ty\r\n");
    WriteFile(old + "\\Cookies.txt", CookieFile({"unselected.example"}));

    // Firefox 3.0 and later: cookies.sqlite (the current schema, a leading blank in one host);
    // Firefox 2: Cookies.txt only; a damaged database is read instead of its Cookies.txt.
    const std::string current = FireFoxProfiles + "\\abcd1234.default";
    const std::string older = FireFoxProfiles + "\\efgh5678.old";
    const std::string damaged = FireFoxProfiles + "\\ijkl9012.damaged";
    StoreProfile(cleaners::FireFoxProfilesKey, current, true);
    StoreProfile(cleaners::FireFoxProfilesKey, older, true);
    StoreProfile(cleaners::FireFoxProfilesKey, damaged, true);
    CreateDatabase(current + "\\cookies.sqlite",
                   {"CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', "
                    "name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime "
                    "INTEGER, isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, sameSite "
                    "INTEGER DEFAULT 0, rawSameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0)",
                    "INSERT INTO moz_cookies (name, value, host, path, expiry) VALUES "
                    "('SID', 's1', '.tracker.example', '/', 1893456000), "
                    "('SID2', 's2', '.tracker.example', '/', 1893456000), "
                    "('session', 'k', 'WWW.KEPT.ORG', '/', 1893456000), "
                    "('pref', 'dark', ' spaced.example', '/', 1893456000)"});
    WriteFile(current + "\\Cookies.txt", CookieFile({"stale-text-file.example"}));
    WriteFile(older + "\\Cookies.txt", CookieFile({"old.example", ".tracker.example"}));
    WriteFile(damaged + "\\cookies.sqlite", "this is not an SQLite database, just a damaged file......");
    WriteFile(damaged + "\\Cookies.txt", CookieFile({"behind-damaged-db.example"}));

    struct Case
    {
        TCookiesMode mode;
        std::string_view file;
        Lines current;
    };
    const Case cases[] = {
        {TCookiesMode::Netscape, cleaners::SafeNSCookiesFile, {".example.com", "news.example", "shop.example"}},
        {TCookiesMode::FireFox, cleaners::SafeFFCookiesFile, {".tracker.example", "old.example", "spaced.example"}},
    };
    for (const Case& c : cases) {
        Keep(c.file, {"www.kept.org"});
        TFrmCookiesManager window(c.mode);
        Fill(window);
        EXPECT_EQ(window.CurrentEntries(), c.current) << "case: " << int(c.mode);
        EXPECT_EQ(window.SafeEntries(), Lines{"www.kept.org"}) << "case: " << int(c.mode);
        window.close();
    }
    EXPECT_TRUE(dialogs().Shown().empty());
    EXPECT_EQ(ReadFile(older + "\\Cookies.txt"), CookieFile({"old.example", ".tracker.example"}))
        << "listing changes no profile";
}

TEST_F(ManagersTest, UrlManagerListsTypedWebAddressesNotOnTheSafeListAndWritesSafeUrls)
{
    // Internet Explorer 6 keeps the addresses typed in its address bar as url1, url2...
    TypedUrl("url1", "http://www.example.com/");
    TypedUrl("url2", "ftp://ftp.example.org/pub/");
    TypedUrl("url3", "www.news.example");
    TypedUrl("url4", "HTTPS://Bank.Example.org/login");
    TypedUrl("url5", "about:blank");
    TypedUrl("url6", "http://kept.example/");
    TypedUrl("url7", "C:\\Documents and Settings\\user\\My Documents");
    Keep(cleaners::SafeURLsFile, {"http://kept.example/", "http://Also.kept.example/"});
    {
        TFrmIEURLManager window;
        Fill(window);
        EXPECT_EQ(window.windowTitle().toStdString(), "URL Manager");
        EXPECT_EQ(Button(window, "btnRemoveAll")->toolTip().toStdString(), "Remove ALL");
        EXPECT_EQ(window.CurrentEntries(),
                  (Lines{"http://www.example.com/", "HTTPS://Bank.Example.org/login", "www.news.example"}));
        EXPECT_EQ(window.SafeEntries(), (Lines{"http://Also.kept.example/", "http://kept.example/"}));
        Select(window, "lstCurrent", "www.news.example");
        Click(&window, "btnAdd");
        window.close();
    }
    EXPECT_EQ(KeepText(cleaners::SafeURLsFile),
              "http://Also.kept.example/\r\nhttp://kept.example/\r\nwww.news.example\r\n");
    EXPECT_TRUE(dialogs().Shown().empty());
    const auto key = machine().Registry().Open(platform::HKEY_CURRENT_USER, TypedUrlsKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueNames().size(), 7u) << "the typed URLs are only read";
}

TEST_F(ManagersTest, UrlManagerWithoutWebAddressesSaysNoURLsFound)
{
    TypedUrl("url1", "ftp://ftp.example.org/pub/");
    {
        TFrmIEURLManager window;
        Fill(window);
        EXPECT_TRUE(window.CurrentEntries().empty());
        window.close();
    }
    EXPECT_EQ(Boxes(), Lines{"No URLs found"});
    EXPECT_EQ(KeepText(cleaners::SafeURLsFile), "");
}

TEST_F(ManagersTest, TheSettingsPageOpensEachManagerModallyOnItsKeepFile)
{
    SeedIECookies();
    TypedUrl("url1", "http://www.example.com/");
    // The page gets its windows as the program hands them over.
    cleaners::ui::TFrmBrowserSettings page;
    cleaners::ui::TBrowserTools tools;
    tools.cookiesManager = [&page](TCookiesMode mode) { TFrmCookiesManager::Open(mode, &page); };
    tools.urlManager = [&page] { TFrmIEURLManager::Open(&page); };
    page.SetTools(std::move(tools));
    struct Case
    {
        const char* button;
        const char* window;
        std::string_view file;
        std::string added;
    };
    const Case cases[] = {
        {"BtnIECookiesManager", "frmCookiesManager", cleaners::SafeCookiesFile, "example.com"},
        {"btnAOLCookiesManager", "frmCookiesManager", cleaners::SafeCookiesFile, "ads.tracker.example"},
        {"BtnIEUrlManager", "frmIEURLManager", cleaners::SafeURLsFile, "http://www.example.com/"},
    };
    for (const Case& c : cases) {
        std::string opened;
        OnNextModal([&](QWidget* modal) {
            opened = modal->objectName().toStdString();
            auto* window = qobject_cast<TKeepListManager*>(modal);
            ASSERT_NE(window, nullptr);
            ASSERT_TRUE(WaitFor([&] { return window->Filled(); }));
            Select(*window, "lstCurrent", c.added);
            Click(window, "btnAdd");
            window->close();
        });
        Click(&page, c.button);
        EXPECT_EQ(opened, c.window) << "case: " << c.button;
        EXPECT_NE(KeepText(c.file).find(c.added + "\r\n"), std::string::npos) << "case: " << c.button;
    }
    EXPECT_EQ(KeepText(cleaners::SafeCookiesFile), "ads.tracker.example\r\nexample.com\r\n");
}

} // namespace lumexa::test
