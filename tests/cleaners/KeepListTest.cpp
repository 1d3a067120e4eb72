#include "cleaners/KeepList.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/MachineTest.h"

namespace lumexa::cleaners {
namespace {

class KeepListTest : public test::MachineTest
{
};

TEST_F(KeepListTest, AMissingFileIsAnEmptyList)
{
    EXPECT_TRUE(TKeepList::Load(SafeCookiesFile).Empty());
}

TEST_F(KeepListTest, ReadsOneEntryPerLineWhateverTheLineEnds)
{
    WriteFile(TKeepList::PathOf(SafeURLsFile), "http://a.example/\r\nhttp://b.example/\nlast");
    EXPECT_EQ(TKeepList::Load(SafeURLsFile).Lines(),
              (std::vector<std::string>{"http://a.example/", "http://b.example/", "last"}));
}

TEST_F(KeepListTest, HostsIgnoreCaseAndUrlsDoNot)
{
    const TKeepList list({"Example.COM", "http://A.example/"});
    EXPECT_TRUE(list.ContainsHost("example.com"));
    EXPECT_FALSE(list.ContainsHost("www.example.com"));
    EXPECT_TRUE(list.Contains("http://A.example/"));
    EXPECT_FALSE(list.Contains("http://a.example/"));
}

TEST_F(KeepListTest, SaveReplacesTheFileAndCreatesTheFolder)
{
    ASSERT_TRUE(TKeepList::Save(SafeFFCookiesFile, {"one.example", "two.example"}));
    EXPECT_EQ(ReadFile(TKeepList::PathOf(SafeFFCookiesFile)), "one.example\r\ntwo.example\r\n");
    ASSERT_TRUE(TKeepList::Save(SafeFFCookiesFile, {}));
    EXPECT_EQ(ReadFile(TKeepList::PathOf(SafeFFCookiesFile)), "");
    EXPECT_EQ(TKeepList::PathOf(SafeFFCookiesFile), R"(C:\Program Files\Lumexa\Settings\SafeFFCookies.txt)");
}

} // namespace
} // namespace lumexa::cleaners
