#include "platform/Text.h"

#include <gtest/gtest.h>

namespace lumexa::platform {
namespace {

TEST(TextTest, FoldsCaseLikeWindowsNames)
{
    struct Case
    {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"Software\\Microsoft", "SOFTWARE\\microsoft", true},
        {"Ärger", "ÄRGER", true},
        {"straße", "STRASSE", false}, // simple folding: no expansion of ß
        {"Ωμέγα", "ΩΜΈΓΑ", true},
        {"привет", "ПРИВЕТ", true},
        {"Łódź", "ŁÓDŹ", true},
        {"a", "b", false},
        {"abc", "abcd", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EqualsNoCase(c.a, c.b), c.equal) << c.a << " vs " << c.b;
}

TEST(TextTest, InvalidUtf8PassesThroughUnchanged)
{
    const std::string bad = "a\xff\xc3";
    EXPECT_EQ(FoldCase(bad), "A\xff\xc3");
}

TEST(TextTest, UpperAndLowerAreInverse)
{
    EXPECT_EQ(UpperCase("firefox.exe"), "FIREFOX.EXE");
    EXPECT_EQ(LowerCase("Ärger ŁÓDŹ ΩΜΈΓΑ"), "ärger łódź ωμέγα");
}

TEST(TextTest, CompareOrdersIgnoringCase)
{
    EXPECT_LT(CompareNoCase("apple", "Banana"), 0);
    EXPECT_EQ(CompareNoCase("Run", "RUN"), 0);
    EXPECT_GT(CompareNoCase("run2", "Run10"), 0);
}

TEST(TextTest, TrimRemovesBlanksAndControls)
{
    EXPECT_EQ(Trim("  a b \t\r\n"), "a b");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim(" \x01 "), "");
}

TEST(TextTest, SplitAtKeepsEmptyPieces)
{
    EXPECT_EQ(SplitAt("a,,b,", ','), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(SplitAt("", ','), (std::vector<std::string>{""}));
}

TEST(TextTest, PrefixAndSuffixIgnoreCase)
{
    EXPECT_TRUE(StartsWithNoCase("HKEY_CURRENT_USER\\x", "hkey_current_user\\"));
    EXPECT_FALSE(StartsWithNoCase("HK", "HKEY"));
    EXPECT_TRUE(EndsWithNoCase("index.DAT", ".dat"));
}

} // namespace
} // namespace lumexa::platform
