#include "platform/UrlCache.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "platform/Shell.h"
#include "support/MachineTest.h"

namespace lumexa::platform {
namespace {

UrlCacheEntry Entry(std::string url, std::string localFile, std::uint32_t type)
{
    UrlCacheEntry entry;
    entry.sourceUrl = std::move(url);
    entry.localFileName = std::move(localFile);
    entry.cacheEntryType = type;
    return entry;
}

class UrlCacheTest : public test::MachineTest
{
protected:
    UrlCache& cache() { return machine().UrlCache(); }
    std::string Content() { return *machine().Shell().SpecialFolder(Csidl::InternetCache) + "\\Content.IE5"; }
    std::string Cookies() { return *machine().Shell().SpecialFolder(Csidl::Cookies); }

    // What Internet Explorer 6 leaves for one fetched file and one cookie, and a visited mark.
    UrlCacheEntry Page()
    {
        WriteFile(Content() + "\\K3J9Q2ZX\\logo[1].gif", std::string(1234, 'g'));
        return Entry("http://www.example.com/logo.gif", Content() + "\\K3J9Q2ZX\\logo[1].gif", NORMAL_CACHE_ENTRY);
    }
    UrlCacheEntry Cookie()
    {
        WriteFile(Cookies() + "\\user@example[1].txt", "id\n42\nexample.com/\n1024\n");
        return Entry(
            "Cookie:user@example.com/", Cookies() + "\\user@example[1].txt", NORMAL_CACHE_ENTRY | COOKIE_CACHE_ENTRY);
    }
    static UrlCacheEntry Visited()
    {
        return Entry("Visited: user@http://www.example.com/", "", URLHISTORY_CACHE_ENTRY);
    }

    // Every URL an enumeration with `pattern` gives, in order.
    std::vector<std::string> Urls(std::string_view pattern = {})
    {
        std::vector<std::string> urls;
        auto find = cache().FindFirstUrlCacheEntry(pattern);
        if (!find)
            return urls;
        do
            urls.push_back(find->Data().sourceUrl);
        while (find->Next());
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
        return urls;
    }
};

TEST_F(UrlCacheTest, AnEmptyCacheHasNothingToEnumerate)
{
    EXPECT_EQ(cache().FindFirstUrlCacheEntry(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
}

TEST_F(UrlCacheTest, CommittedEntriesComeBackWithTheirFileSizeAndTimes)
{
    UrlCacheEntry page = Page();
    page.lastModifiedTime = FileTime{128'000'000'000'000'000};
    page.expireTime = FileTime{129'000'000'000'000'000};
    page.size = 99; // the size comes from the file, not from the caller
    ASSERT_TRUE(cache().CommitUrlCacheEntry(page));

    const auto found = cache().GetUrlCacheEntryInfo(page.sourceUrl);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->localFileName, page.localFileName);
    EXPECT_EQ(found->cacheEntryType, NORMAL_CACHE_ENTRY);
    EXPECT_EQ(found->size, 1234u);
    EXPECT_EQ(found->lastModifiedTime, page.lastModifiedTime);
    EXPECT_EQ(found->expireTime, page.expireTime);
    // No access time given: the machine's clock (fixed by the fixture).
    EXPECT_EQ(found->lastAccessTime, machine().Clock().NowUtc());
}

TEST_F(UrlCacheTest, SearchPatternsSelectContainers)
{
    ASSERT_TRUE(cache().CommitUrlCacheEntry(Page()));
    ASSERT_TRUE(cache().CommitUrlCacheEntry(Cookie()));
    ASSERT_TRUE(cache().CommitUrlCacheEntry(Visited()));
    const std::vector<std::string> all{
        "http://www.example.com/logo.gif", "Cookie:user@example.com/", "Visited: user@http://www.example.com/"};

    struct Case
    {
        const char* pattern;
        std::vector<std::string> urls;
    };
    // The patterns FindFirstUrlCacheEntry documents: NULL, "cookie:", "visited:".
    const Case cases[] = {
        {"", all},
        {"*.*", all},
        {"cookie:", {"Cookie:user@example.com/"}},
        {"COOKIE:", {"Cookie:user@example.com/"}},
        {"visited:", {"Visited: user@http://www.example.com/"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Urls(c.pattern), c.urls) << "case: " << c.pattern;

    EXPECT_EQ(cache().FindFirstUrlCacheEntry("http:"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(UrlCacheTest, ACommitOfAKnownUrlReplacesItInPlace)
{
    ASSERT_TRUE(cache().CommitUrlCacheEntry(Page()));
    ASSERT_TRUE(cache().CommitUrlCacheEntry(Cookie()));
    UrlCacheEntry again = Page();
    again.cacheEntryType = NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY;
    ASSERT_TRUE(cache().CommitUrlCacheEntry(again));

    EXPECT_EQ(Urls(), (std::vector<std::string>{"http://www.example.com/logo.gif", "Cookie:user@example.com/"}));
    EXPECT_EQ(cache().GetUrlCacheEntryInfo(again.sourceUrl)->cacheEntryType, NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY);
}

TEST_F(UrlCacheTest, ACommitIsRefusedWithoutUrlOrWithAMissingFile)
{
    EXPECT_FALSE(cache().CommitUrlCacheEntry(Entry("", "", NORMAL_CACHE_ENTRY)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(
        cache().CommitUrlCacheEntry(Entry("http://a.example/", Content() + "\\X\\gone[1].htm", NORMAL_CACHE_ENTRY)));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(cache().FindFirstUrlCacheEntry(), nullptr);
}

TEST_F(UrlCacheTest, DeleteRemovesTheEntryAndItsLocalFile)
{
    const UrlCacheEntry page = Page();
    const UrlCacheEntry cookie = Cookie();
    ASSERT_TRUE(cache().CommitUrlCacheEntry(page));
    ASSERT_TRUE(cache().CommitUrlCacheEntry(cookie));

    ASSERT_TRUE(cache().DeleteUrlCacheEntry(cookie.sourceUrl));
    EXPECT_FALSE(Exists(cookie.localFileName));
    EXPECT_TRUE(Exists(page.localFileName));
    EXPECT_EQ(Urls(), std::vector<std::string>{page.sourceUrl});

    EXPECT_FALSE(cache().DeleteUrlCacheEntry(cookie.sourceUrl));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(cache().GetUrlCacheEntryInfo(cookie.sourceUrl));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(UrlCacheTest, AnEntryWhoseFileIsGoneCanStillBeDeleted)
{
    const UrlCacheEntry page = Page();
    ASSERT_TRUE(cache().CommitUrlCacheEntry(page));
    ASSERT_TRUE(machine().Files().DeleteFile(page.localFileName));
    EXPECT_TRUE(cache().DeleteUrlCacheEntry(page.sourceUrl));
    EXPECT_EQ(cache().FindFirstUrlCacheEntry(), nullptr);
}

TEST_F(UrlCacheTest, AFileInUseKeepsItsEntry)
{
    const UrlCacheEntry page = Page();
    ASSERT_TRUE(cache().CommitUrlCacheEntry(page));
    auto held = machine().Files().CreateFile(
        page.localFileName, GENERIC_READ | GENERIC_WRITE, 0, Disposition::OpenExisting); // no sharing
    ASSERT_TRUE(held);

    EXPECT_FALSE(cache().DeleteUrlCacheEntry(page.sourceUrl));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(cache().GetUrlCacheEntryInfo(page.sourceUrl));
    held.reset();
    EXPECT_TRUE(cache().DeleteUrlCacheEntry(page.sourceUrl));
    EXPECT_FALSE(Exists(page.localFileName));
}

TEST_F(UrlCacheTest, AnEnumerationGoesOnPastTheEntryItDeleted)
{
    ASSERT_TRUE(cache().CommitUrlCacheEntry(Page()));
    ASSERT_TRUE(cache().CommitUrlCacheEntry(Cookie()));
    ASSERT_TRUE(cache().CommitUrlCacheEntry(Visited()));

    std::vector<std::string> seen;
    auto find = cache().FindFirstUrlCacheEntry();
    ASSERT_TRUE(find);
    do {
        seen.push_back(find->Data().sourceUrl);
        EXPECT_TRUE(cache().DeleteUrlCacheEntry(find->Data().sourceUrl)) << find->Data().sourceUrl;
    } while (find->Next());

    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(cache().FindFirstUrlCacheEntry(), nullptr);
}

TEST_F(UrlCacheTest, TheCacheSurvivesARestartAndAReopenedMachine)
{
    ASSERT_TRUE(cache().CommitUrlCacheEntry(Page()));
    machine().Reboot();
    std::string error;
    auto reopened = Machine::Open(machine().Root(), &error);
    ASSERT_TRUE(reopened) << error;
    const auto found = reopened->UrlCache().GetUrlCacheEntryInfo("http://www.example.com/logo.gif");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->size, 1234u);
}

TEST_F(UrlCacheTest, AForeignFileInPlaceOfTheIndexIsRefusedAndKept)
{
    const std::string path = machine().StateFolder() + "/urlcache.db";
    const std::string foreign = "not a database, and it must stay as it is";
    {
        std::ofstream out(path, std::ios::binary);
        out << foreign;
    }
    std::string error;
    auto reopened = Machine::Open(machine().Root(), &error);
    ASSERT_TRUE(reopened) << error;

    EXPECT_EQ(reopened->UrlCache().FindFirstUrlCacheEntry(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_BADDB);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), foreign);
}

} // namespace
} // namespace lumexa::platform
