#include "core/MessageTable.h"

#include <atomic>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace lumexa::core {
namespace {

// Restores the program table's language, which is process-wide, when a test ends.
class TLanguageGuard
{
public:
    TLanguageGuard()
        : m_saved(TMessageTable::Instance().Language())
    {}
    ~TLanguageGuard() { TMessageTable::Instance().SetLanguage(m_saved); }
    TLanguageGuard(const TLanguageGuard&) = delete;
    TLanguageGuard& operator=(const TLanguageGuard&) = delete;

private:
    TLanguage m_saved;
};

TMessageTable TableFrom(std::string_view text)
{
    TMessageParseResult result = ParseMessageTable(text);
    EXPECT_TRUE(result.ok) << result.error;
    return TMessageTable(std::move(result.texts));
}

// A name (brand, product, item name) is the one text a translation may leave as it is.
bool IsName(std::string_view english)
{
    bool wordStart = true;
    for (const char c : english) {
        if (wordStart && c >= 'a' && c <= 'z')
            return false;
        wordStart = c == ' ';
    }
    return true;
}

bool HasNonAscii(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

// ---- the program's own table

TEST(MessageTableTest, EmbeddedTableParsesWithoutError)
{
    const TMessageParseResult result = ParseMessageTable(EmbeddedMessageText());
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_FALSE(result.texts.empty());
    std::vector<std::string> keys;
    for (const auto& entry : result.texts)
        keys.push_back(entry.first);
    EXPECT_EQ(TMessageTable::Instance().Keys(), keys);
}

TEST(MessageTableTest, EveryKeyHasAllSixLanguages)
{
    const TMessageTable& table = TMessageTable::Instance();
    for (const std::string& key : table.Keys()) {
        for (const TLanguage language : AllLanguages)
            EXPECT_TRUE(table.HasText(key, language)) << "key = " << key << ", language = " << LanguageCode(language);
    }
}

TEST(MessageTableTest, EveryTranslationHasTheEnglishPlaceholdersInOrder)
{
    const TMessageTable& table = TMessageTable::Instance();
    for (const std::string& key : table.Keys()) {
        const std::vector<std::string> english = MessagePlaceholders(table.Text(key, TLanguage::English));
        for (const TLanguage language : AllLanguages) {
            EXPECT_EQ(MessagePlaceholders(table.Text(key, language)), english)
                << "key = " << key << ", language = " << LanguageCode(language);
        }
    }
}

TEST(MessageTableTest, TranslationsRepeatTheEnglishTextOnlyForNames)
{
    const TMessageTable& table = TMessageTable::Instance();
    for (const std::string& key : table.Keys()) {
        const std::string english = table.Text(key, TLanguage::English);
        for (const TLanguage language : AllLanguages) {
            if (language == TLanguage::English || !table.HasText(key, language))
                continue;
            const std::string text = table.Text(key, language);
            if (text == english) {
                EXPECT_TRUE(IsName(english))
                    << "untranslated: key = " << key << ", language = " << LanguageCode(language);
            } else if ((language == TLanguage::Japanese || language == TLanguage::Chinese) && !IsName(english)) {
                EXPECT_TRUE(HasNonAscii(text))
                    << "not Japanese or Chinese: key = " << key << ", language = " << LanguageCode(language);
            }
        }
    }
}

TEST(MessageTableTest, SettingsMessagesAreInTheTable)
{
    const TMessageTable& table = TMessageTable::Instance();
    for (const char* key :
         {"strLX_MESSAGE900", "strLX_MESSAGE901", "strLX_MESSAGE902", "strLX_MESSAGE903", "strLX_MESSAGE904"})
        EXPECT_TRUE(table.HasText(key, TLanguage::English)) << "key = " << key;
    EXPECT_EQ(table.Text("strLX_MESSAGE903", TLanguage::English),
              R"(The start-up program "%s" could not be removed from %s: %s)");
}

TEST(MessageTableTest, MsgFollowsTheProgramsLanguage)
{
    TLanguageGuard guard;
    TMessageTable& table = TMessageTable::Instance();
    table.SetLanguage(TLanguage::German);
    EXPECT_EQ(table.Language(), TLanguage::German);
    EXPECT_EQ(Msg("strLX_MESSAGE903"), table.Text("strLX_MESSAGE903", TLanguage::German));
    EXPECT_EQ(
        Msg("strLX_MESSAGE903", {"Tool", "HKEY_CURRENT_USER\\Run", "Zugriff verweigert"}),
        "Das Autostart-Programm „Tool“ konnte nicht aus HKEY_CURRENT_USER\\Run entfernt werden: Zugriff verweigert");
    table.SetLanguage(TLanguage::English);
    EXPECT_EQ(Msg("strLX_MESSAGE903", {"Tool", "HKEY_CURRENT_USER\\Run", "Access is denied."}),
              "The start-up program \"Tool\" could not be removed from HKEY_CURRENT_USER\\Run: Access is denied.");
    EXPECT_EQ(Msg("strLX_NO_SUCH_KEY"), "strLX_NO_SUCH_KEY");
}

// ---- lookups

constexpr std::string_view Sample = "# sample\n"
                                    "[strGREETING]\n"
                                    "en=Hello %s\n"
                                    "fr=Bonjour %s\n"
                                    "ja=こんにちは %s\n"
                                    "\n"
                                    "[strBYE]\n"
                                    "en=Bye\n";

TEST(MessageTableTest, TextFallsBackToEnglishAndUnknownKeysShowThemselves)
{
    const TMessageTable table = TableFrom(Sample);
    EXPECT_EQ(table.Text("strGREETING", TLanguage::French), "Bonjour %s");
    EXPECT_EQ(table.Text("strGREETING", TLanguage::Japanese), "こんにちは %s");
    EXPECT_EQ(table.Text("strGREETING", TLanguage::German), "Hello %s");
    EXPECT_EQ(table.Text("strBYE", TLanguage::Chinese), "Bye");
    EXPECT_FALSE(table.HasText("strBYE", TLanguage::Chinese));
    EXPECT_TRUE(table.HasText("strBYE", TLanguage::English));
    EXPECT_EQ(table.Text("strMISSING", TLanguage::French), "strMISSING");
    EXPECT_EQ(table.Text("strgreeting", TLanguage::English), "strgreeting") << "keys are case-sensitive";
    EXPECT_EQ(table.Keys(), (std::vector<std::string>{"strBYE", "strGREETING"}));
}

TEST(MessageTableTest, TextFollowsTheCurrentLanguage)
{
    TMessageTable table = TableFrom(Sample);
    EXPECT_EQ(table.Language(), TLanguage::English);
    EXPECT_EQ(table.Text("strGREETING"), "Hello %s");
    table.SetLanguage(TLanguage::French);
    EXPECT_EQ(table.Language(), TLanguage::French);
    EXPECT_EQ(table.Text("strGREETING"), "Bonjour %s");
    EXPECT_EQ(table.Text("strBYE"), "Bye");
    table.SetLanguage(TLanguage::Spanish);
    EXPECT_EQ(table.Text("strGREETING"), "Hello %s");
}

TEST(MessageTableTest, WorkerThreadsReadWhileTheLanguageChanges)
{
    TMessageTable table = TableFrom(Sample);
    std::atomic<bool> done{false};
    std::atomic<int> unexpected{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            while (!done.load()) {
                const std::string text = table.Text("strGREETING");
                if (text != "Hello %s" && text != "Bonjour %s")
                    ++unexpected;
            }
        });
    }
    for (int i = 0; i < 20000; ++i)
        table.SetLanguage(i % 2 == 0 ? TLanguage::French : TLanguage::English);
    done = true;
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(unexpected.load(), 0);
}

TEST(MessageTableTest, LanguageCodesAndNames)
{
    const struct
    {
        TLanguage language;
        const char* code;
        const char* name;
    } cases[] = {
        {TLanguage::English, "en", "English"},
        {TLanguage::French, "fr", "Français"},
        {TLanguage::Spanish, "es", "Español"},
        {TLanguage::German, "de", "Deutsch"},
        {TLanguage::Japanese, "ja", "日本語"},
        {TLanguage::Chinese, "zh", "中文"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LanguageCode(c.language), c.code) << "code = " << c.code;
        EXPECT_EQ(LanguageName(c.language), c.name) << "code = " << c.code;
        EXPECT_EQ(LanguageFromCode(c.code), c.language) << "code = " << c.code;
    }
    EXPECT_EQ(LanguageFromCode("EN"), std::nullopt);
    EXPECT_EQ(LanguageFromCode("xx"), std::nullopt);
    EXPECT_EQ(LanguageFromCode(""), std::nullopt);
}

// ---- the file format

TEST(MessageTableParserTest, DecodesEscapesAndSkipsCommentsBlankLinesAndLineEnds)
{
    const TMessageTable table = TableFrom("\xEF\xBB\xBF# comment\r\n"
                                          "\r\n"
                                          "   \n"
                                          "[strA]\r\n"
                                          "en=line 1\\nline 2\\tC:\\\\Temp\\\\ 100%\r\n"
                                          "# a comment between texts\n"
                                          "fr=#not a comment = still text\n");
    EXPECT_EQ(table.Text("strA", TLanguage::English), "line 1\nline 2\tC:\\Temp\\ 100%");
    EXPECT_EQ(table.Text("strA", TLanguage::French), "#not a comment = still text");
}

TEST(MessageTableParserTest, RejectsMalformedContentWithLineAndReason)
{
    const struct
    {
        const char* text;
        int line;
        const char* reason;
    } cases[] = {
        {"[strA]\nen=a\n[strA]\nen=b\n", 3, "duplicate key \"strA\""},
        {"[strA]\nen=a\nxx=b\n", 3, "unknown language code \"xx\""},
        {"[strA]\nen=a\nEN=b\n", 3, "unknown language code \"EN\""},
        {"[strA]\nen=a\n en=b\n", 3, "unknown language code \" en\""},
        {"en=a\n[strA]\nen=b\n", 1, "text before any key"},
        {"[strA]\nen=a\\qb\n", 2, "bad escape \"\\q\""},
        {"[strA]\nen=ab\\\n", 2, "bad escape"},
        {"[strA]\nen=a\nen=b\n", 3, "duplicate \"en\" text for key \"strA\""},
        {"[strA]\nen=a\njust some words\n", 3, "expected \"code=text\""},
        {"[strA]\nen=\n", 2, "empty \"en\" text"},
        {"[strA]\nfr=a\n[strB]\nen=b\n", 1, "key \"strA\" has no English"},
        {"[strA]\nen=a\n[strB]\nfr=b\n", 3, "key \"strB\" has no English"},
        {"[strA]\n", 1, "key \"strA\" has no English"},
        {"[strA\nen=a\n", 1, "malformed key line"},
        {"[]\nen=a\n", 1, "malformed key line"},
        {"[str A]\nen=a\n", 1, "bad character in key"},
    };
    for (const auto& c : cases) {
        const TMessageParseResult result = ParseMessageTable(c.text);
        EXPECT_FALSE(result.ok) << "text = " << c.text;
        EXPECT_EQ(result.line, c.line) << "text = " << c.text;
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << "text = " << c.text << "error = " << result.error;
        EXPECT_TRUE(result.error.starts_with("line " + std::to_string(c.line) + ": ")) << "error = " << result.error;
    }
}

TEST(MessageTableParserTest, EmptyTextIsAnEmptyTable)
{
    const TMessageParseResult result = ParseMessageTable("# nothing yet\n\n");
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.texts.empty());
}

// ---- placeholders

TEST(MessagePlaceholdersTest, FindsDelphiStylePlaceholdersInOrder)
{
    const struct
    {
        const char* text;
        std::vector<std::string> placeholders;
    } cases[] = {
        {"Deleted %d files of %s", {"%d", "%s"}},
        {"%0.1f KB", {"%0.1f"}},
        {"[%-10s]", {"%-10s"}},
        {"%5d%x", {"%5d", "%x"}},
        {"100%% done", {}},
        {"50 % off", {}},
        {"%", {}},
        {"%.f", {}},
        {"no placeholders", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessagePlaceholders(c.text), c.placeholders) << "text = " << c.text;
}

TEST(MessagePlaceholdersTest, FormatMessageTextFillsPlaceholdersInOrder)
{
    const struct
    {
        const char* text;
        std::vector<std::string_view> args;
        const char* expected;
    } cases[] = {
        {"%s of %s", {"a", "b"}, "a of b"},
        {"%d%% done", {"5"}, "5% done"},
        {"%0.1f KB", {"2,0"}, "2,0 KB"},
        {"%s and %s", {"a"}, "a and %s"},
        {"no placeholders", {"x"}, "no placeholders"},
        {"%s", {"%d"}, "%d"}, // an argument is never read as a format
        {"50 % off %s", {"now"}, "50 % off now"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatMessageText(c.text, c.args), c.expected) << "text = " << c.text;
}

} // namespace
} // namespace lumexa::core
