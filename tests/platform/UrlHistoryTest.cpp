#include "platform/UrlHistory.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/LastError.h"
#include "platform/Machine.h"
#include "support/MachineTest.h"

namespace lumexa::platform {
namespace {

class UrlHistoryTest : public test::MachineTest
{
protected:
    UrlHistory& history() { return machine().UrlHistory(); }

    std::vector<std::string> Urls()
    {
        std::vector<std::string> urls;
        const auto entries = history().EnumUrls();
        EXPECT_TRUE(entries);
        for (const UrlHistoryEntry& entry : entries.value_or(std::vector<UrlHistoryEntry>{}))
            urls.push_back(entry.url);
        return urls;
    }
};

TEST_F(UrlHistoryTest, AFreshMachineHasNoHistory)
{
    EXPECT_EQ(Urls(), std::vector<std::string>{});
    EXPECT_FALSE(history().QueryUrl("http://www.example.com/"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(UrlHistoryTest, AVisitIsRecordedWithTitleAndTimes)
{
    ASSERT_TRUE(history().AddUrl("http://www.example.com/", "Example Domain"));
    const auto entry = history().QueryUrl("http://www.example.com/");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->title, "Example Domain");
    EXPECT_EQ(entry->flags, STATURLFLAG_ISTOPLEVEL);
    const FileTime now = machine().Clock().NowUtc();
    EXPECT_EQ(entry->lastVisited, now);
    EXPECT_EQ(entry->lastUpdated, now);
    // Kept 20 days, Internet Explorer's default.
    EXPECT_EQ(entry->expires.ticks, now.ticks + 20ull * 86400 * 10'000'000);
}

TEST_F(UrlHistoryTest, ARevisitKeepsItsPlaceAndTakesTheNewVisit)
{
    ASSERT_TRUE(history().AddUrl("http://www.example.com/", "Old title"));
    ASSERT_TRUE(history().AddUrl("http://news.example.org/today", "News"));
    machine().Clock().Advance(3600);
    ASSERT_TRUE(history().AddUrl("http://www.example.com/", "New title"));

    EXPECT_EQ(Urls(), (std::vector<std::string>{"http://www.example.com/", "http://news.example.org/today"}));
    const auto entry = history().QueryUrl("http://www.example.com/");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->title, "New title");
    EXPECT_EQ(entry->lastVisited, machine().Clock().NowUtc());
}

TEST_F(UrlHistoryTest, AnEmptyUrlIsRefused)
{
    EXPECT_FALSE(history().AddUrl("", "nothing"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Urls(), std::vector<std::string>{});
}

TEST_F(UrlHistoryTest, DeleteUrlForgetsOneAddress)
{
    ASSERT_TRUE(history().AddUrl("http://www.example.com/", "Example"));
    ASSERT_TRUE(history().AddUrl("http://mail.example.net/inbox", "Inbox"));

    ASSERT_TRUE(history().DeleteUrl("http://www.example.com/"));
    EXPECT_EQ(Urls(), std::vector<std::string>{"http://mail.example.net/inbox"});
    EXPECT_FALSE(history().DeleteUrl("http://www.example.com/"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(UrlHistoryTest, ClearHistoryForgetsEverythingAndSurvivesBeingRepeated)
{
    ASSERT_TRUE(history().AddUrl("http://www.example.com/", "Example"));
    ASSERT_TRUE(history().AddUrl("ftp://ftp.example.org/pub/", "pub"));

    ASSERT_TRUE(history().ClearHistory());
    EXPECT_EQ(Urls(), std::vector<std::string>{});
    EXPECT_TRUE(history().ClearHistory());
}

TEST_F(UrlHistoryTest, TheHistoryIsSharedWithAnotherOpenerOfTheMachine)
{
    std::string error;
    auto other = Machine::Open(machine().Root(), &error); // as lumexa-cli beside the program
    ASSERT_TRUE(other) << error;
    ASSERT_TRUE(other->UrlHistory().AddUrl("http://www.example.com/", "Example"));

    EXPECT_EQ(Urls(), std::vector<std::string>{"http://www.example.com/"});
    ASSERT_TRUE(history().ClearHistory());
    EXPECT_EQ(other->UrlHistory().EnumUrls()->size(), 0u);
}

} // namespace
} // namespace lumexa::platform
