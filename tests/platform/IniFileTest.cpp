#include "platform/IniFile.h"

#include <gtest/gtest.h>

namespace lumexa::platform {
namespace {

// The text-level rules; IniFile applies them to files of the machine (MachineTest covers that).
TEST(IniDocumentTest, ReadsCaseInsensitivelyAndUnquotes)
{
    const IniDocument ini = IniDocument::Parse("; comment\r\n[Install]\r\nNewest Used Version = 9.64 \r\n"
                                               "[proxy]\nHTTP server=\"127.0.0.1:5287\"\nkey=first\nKEY=second\n");
    EXPECT_EQ(ini.Get("install", "newest used version"), "9.64");
    EXPECT_EQ(ini.Get("Proxy", "HTTP Server"), "127.0.0.1:5287");
    EXPECT_EQ(ini.Get("Proxy", "key"), "first"); // the first of duplicates wins
    EXPECT_FALSE(ini.Get("Proxy", "missing"));
    EXPECT_FALSE(ini.Get("Missing", "key"));
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Install", "proxy"}));
    EXPECT_EQ(ini.Keys("PROXY"), (std::vector<std::string>{"HTTP server", "key", "KEY"}));
}

TEST(IniDocumentTest, WritesKeepEverythingElse)
{
    IniDocument ini = IniDocument::Parse("; keep me\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    ini.Set("a", "X", "10"); // replaced in place, spelling of the line as written now
    ini.Set("A", "z", "3");  // added at the end of [A], before its blank line
    ini.Set("C", "w", "4");  // new section at the end
    EXPECT_EQ(ini.Serialize(), "; keep me\r\n[A]\r\nX=10\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
    EXPECT_TRUE(ini.Delete("b", "Y"));
    EXPECT_FALSE(ini.Delete("b", "y"));
    EXPECT_TRUE(ini.EraseSection("A"));
    EXPECT_EQ(ini.Serialize(), "; keep me\r\n[B]\r\n[C]\r\nw=4\r\n");
}

} // namespace
} // namespace lumexa::platform
