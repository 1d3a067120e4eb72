#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The program's message table: every user-visible text, under a key such as
// "strLX_MESSAGE011", in six languages. The texts are compiled into the program from
// resources/messages/*.txt:
//
//   # comment line
//   [strLX_MESSAGE011]
//   en=There is another instance of Lumexa already running and minimized
//   fr=...
//
// Keys are "[...]" lines; each following "code=text" line gives one language (en, fr, es,
// de, ja, zh). Blank lines and "#" lines are ignored. In texts "\n" is a line break, "\t" a
// tab and "\\" a backslash. Placeholders are Delphi/printf style ("%s", "%d", "%0.1f").
//
// Rule for translations: every key has all six languages. A translation may repeat the
// English text only when that text is a name (no word of it starts with a lower-case letter:
// "Internet Explorer", "Lumexa 7"); a Japanese or Chinese text that is not such a name holds
// at least one non-ASCII character. Every translation has the English text's placeholders in
// the same order.
namespace lumexa::core {

enum class TLanguage
{
    English,
    French,
    Spanish,
    German,
    Japanese,
    Chinese,
};

inline constexpr std::size_t LanguageCount = 6;
inline constexpr std::array<TLanguage, LanguageCount> AllLanguages{TLanguage::English,
                                                                   TLanguage::French,
                                                                   TLanguage::Spanish,
                                                                   TLanguage::German,
                                                                   TLanguage::Japanese,
                                                                   TLanguage::Chinese};

// "en", "fr", "es", "de", "ja", "zh": the codes of the message files.
std::string_view LanguageCode(TLanguage language);
std::optional<TLanguage> LanguageFromCode(std::string_view code);
// The language's own name, as a language menu shows it ("Français", "日本語").
std::string_view LanguageName(TLanguage language);

// The texts of one key, indexed by language; nullopt = no translation.
using TMessageTexts = std::array<std::optional<std::string>, LanguageCount>;
using TMessageMap = std::map<std::string, TMessageTexts, std::less<>>;

struct TMessageParseResult
{
    bool ok = false;
    int line = 0; // 1-based line of the first error
    std::string error;
    TMessageMap texts;
};

// Parses message-file text. Rejects a duplicate key or language, an unknown language code, a
// text before any key, a bad escape, an empty text and a key without English text.
TMessageParseResult ParseMessageTable(std::string_view text);

// The message files as compiled into the program.
std::string_view EmbeddedMessageText();

// The placeholders of a text in order ("%s", "%0.1f", ...); "%%" is a literal percent sign
// and no placeholder.
std::vector<std::string> MessagePlaceholders(std::string_view text);

// Puts `args` into the placeholders of `text`, in order; the arguments are already formatted
// texts. "%%" becomes "%"; a placeholder without an argument stays as written, so a missing
// argument is visible instead of undefined.
std::string FormatMessageText(std::string_view text, std::span<const std::string_view> args);
std::string FormatMessageText(std::string_view text, std::initializer_list<std::string_view> args);

// Texts never change after construction and the language is atomic, so worker threads may
// read texts while the user-interface thread switches the language.
class TMessageTable
{
public:
    TMessageTable() = default;
    explicit TMessageTable(TMessageMap texts);

    // The program's table, parsed from the embedded message files on first use. Should the
    // embedded text not parse (a test guards against that), the table is empty and every
    // lookup shows its key.
    static TMessageTable& Instance();

    // The text in the current language, else in English; an unknown key gives the key itself.
    std::string Text(std::string_view key) const;
    std::string Text(std::string_view key, TLanguage language) const;
    // True when the key has its own text in that language (no fallback).
    bool HasText(std::string_view key, TLanguage language) const;
    std::vector<std::string> Keys() const;

    void SetLanguage(TLanguage language) { m_language.store(language, std::memory_order_relaxed); }
    TLanguage Language() const { return m_language.load(std::memory_order_relaxed); }

private:
    TMessageMap m_texts;
    std::atomic<TLanguage> m_language{TLanguage::English};
};

// The text of a key in the current language of the program's table.
std::string Msg(std::string_view key);
// The same with its placeholders filled (see FormatMessageText).
std::string Msg(std::string_view key, std::initializer_list<std::string_view> args);

} // namespace lumexa::core
