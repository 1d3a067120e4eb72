#include "core/MessageTable.h"

#include <cctype>
#include <utility>

// Generated at build time from resources/messages/*.txt (cmake/EmbedText.cmake).
extern const char g_messageTableText[];
extern const std::size_t g_messageTableTextSize;

namespace lumexa::core {

namespace {

struct TLanguageInfo
{
    std::string_view code;
    std::string_view name;
};

// In the order of TLanguage.
constexpr std::array<TLanguageInfo, LanguageCount> Languages{{
    {"en", "English"},
    {"fr", "Français"},
    {"es", "Español"},
    {"de", "Deutsch"},
    {"ja", "日本語"},
    {"zh", "中文"},
}};

std::size_t IndexOf(TLanguage language)
{
    return static_cast<std::size_t>(language);
}

bool IsKeyCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool IsBlank(std::string_view line)
{
    for (char c : line) {
        if (c != ' ' && c != '\t')
            return false;
    }
    return true;
}

// Length of the placeholder starting at text[at] (a '%'), or 0 when none starts there.
// Delphi's Format grammar without argument indexes: % [-] [width] [.precision] type.
std::size_t PlaceholderLength(std::string_view text, std::size_t at)
{
    std::size_t i = at + 1;
    if (i < text.size() && text[i] == '-')
        ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0)
        ++i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const std::size_t digits = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0)
            ++i;
        if (i == digits)
            return 0;
    }
    if (i >= text.size())
        return 0;
    const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    constexpr std::string_view types = "duefgnmpsx";
    return types.find(type) != std::string_view::npos ? i + 1 - at : 0;
}

// Decodes the escapes of one text; false on an unknown escape or a trailing backslash.
bool Unescape(std::string_view raw, std::string& text, std::string& error)
{
    text.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            text += raw[i];
            continue;
        }
        if (i + 1 == raw.size()) {
            error = "bad escape: backslash at the end of the text";
            return false;
        }
        switch (raw[++i]) {
        case 'n':
            text += '\n';
            break;
        case 't':
            text += '\t';
            break;
        case '\\':
            text += '\\';
            break;
        default:
            error = std::string("bad escape \"\\") + raw[i] + "\"";
            return false;
        }
    }
    return true;
}

class TParser
{
public:
    TMessageParseResult Run(std::string_view text)
    {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            ++m_line;
            if (!ParseLine(text.substr(start, end - start)))
                return std::move(m_result);
            start = end + 1;
        }
        if (!CloseKey())
            return std::move(m_result);
        m_result.ok = true;
        m_result.line = 0;
        return std::move(m_result);
    }

private:
    bool Fail(int line, std::string error)
    {
        m_result.ok = false;
        m_result.line = line;
        m_result.error = "line " + std::to_string(line) + ": " + std::move(error);
        return false;
    }

    bool ParseLine(std::string_view line)
    {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        // The message files are concatenated, so a file's byte-order mark starts a line.
        constexpr std::string_view bom = "\xEF\xBB\xBF";
        if (line.starts_with(bom))
            line.remove_prefix(bom.size());
        if (IsBlank(line) || line.front() == '#')
            return true;
        if (line.front() == '[')
            return ParseKey(line);
        return ParseText(line);
    }

    bool ParseKey(std::string_view line)
    {
        if (line.back() != ']' || line.size() < 3)
            return Fail(m_line, "malformed key line \"" + std::string(line) + "\"");
        const std::string_view key = line.substr(1, line.size() - 2);
        for (char c : key) {
            if (!IsKeyCharacter(c))
                return Fail(m_line, "bad character in key \"" + std::string(key) + "\"");
        }
        if (!CloseKey())
            return false;
        if (m_result.texts.contains(key))
            return Fail(m_line, "duplicate key \"" + std::string(key) + "\"");
        m_key = std::string(key);
        m_keyLine = m_line;
        m_current = &m_result.texts[m_key];
        return true;
    }

    bool ParseText(std::string_view line)
    {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return Fail(m_line, "expected \"code=text\" or \"[key]\", found \"" + std::string(line) + "\"");
        const std::string_view code = line.substr(0, equals);
        const std::optional<TLanguage> language = LanguageFromCode(code);
        if (!language)
            return Fail(m_line, "unknown language code \"" + std::string(code) + "\"");
        if (m_current == nullptr)
            return Fail(m_line, "text before any key");
        std::optional<std::string>& slot = (*m_current)[IndexOf(*language)];
        if (slot)
            return Fail(m_line, "duplicate \"" + std::string(code) + "\" text for key \"" + m_key + "\"");
        std::string text;
        std::string error;
        if (!Unescape(line.substr(equals + 1), text, error))
            return Fail(m_line, error);
        if (text.empty())
            return Fail(m_line, "empty \"" + std::string(code) + "\" text for key \"" + m_key + "\"");
        slot = std::move(text);
        return true;
    }

    // English is what every other language falls back to, so a key must have it.
    bool CloseKey()
    {
        if (m_current != nullptr && !(*m_current)[IndexOf(TLanguage::English)])
            return Fail(m_keyLine, "key \"" + m_key + "\" has no English (en) text");
        m_current = nullptr;
        return true;
    }

    TMessageParseResult m_result;
    int m_line = 0;
    std::string m_key;
    int m_keyLine = 0;
    TMessageTexts* m_current = nullptr;
};

} // namespace

std::string_view LanguageCode(TLanguage language)
{
    return Languages.at(IndexOf(language)).code;
}

std::optional<TLanguage> LanguageFromCode(std::string_view code)
{
    for (std::size_t i = 0; i < Languages.size(); ++i) {
        if (Languages[i].code == code)
            return AllLanguages[i];
    }
    return std::nullopt;
}

std::string_view LanguageName(TLanguage language)
{
    return Languages.at(IndexOf(language)).name;
}

TMessageParseResult ParseMessageTable(std::string_view text)
{
    return TParser().Run(text);
}

std::string_view EmbeddedMessageText()
{
    return {g_messageTableText, g_messageTableTextSize};
}

std::vector<std::string> MessagePlaceholders(std::string_view text)
{
    std::vector<std::string> placeholders;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        if (const std::size_t length = PlaceholderLength(text, i); length != 0) {
            placeholders.emplace_back(text.substr(i, length));
            i += length - 1;
        }
    }
    return placeholders;
}

std::string FormatMessageText(std::string_view text, std::initializer_list<std::string_view> args)
{
    return FormatMessageText(text, std::span<const std::string_view>(args.begin(), args.size()));
}

std::string FormatMessageText(std::string_view text, std::span<const std::string_view> args)
{
    std::string result;
    auto arg = args.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '%') {
            result += '%';
            ++i;
            continue;
        }
        const std::size_t length = PlaceholderLength(text, i);
        if (length == 0 || arg == args.end()) {
            result += text.substr(i, length == 0 ? 1 : length);
            i += length == 0 ? 0 : length - 1;
            continue;
        }
        result += *arg++;
        i += length - 1;
    }
    return result;
}

TMessageTable::TMessageTable(TMessageMap texts)
    : m_texts(std::move(texts))
{}

TMessageTable& TMessageTable::Instance()
{
    static TMessageTable table(ParseMessageTable(EmbeddedMessageText()).texts);
    return table;
}

std::string TMessageTable::Text(std::string_view key) const
{
    return Text(key, Language());
}

std::string TMessageTable::Text(std::string_view key, TLanguage language) const
{
    const auto found = m_texts.find(key);
    if (found == m_texts.end())
        return std::string(key);
    const TMessageTexts& texts = found->second;
    if (const auto& text = texts[IndexOf(language)])
        return *text;
    if (const auto& english = texts[IndexOf(TLanguage::English)])
        return *english;
    return std::string(key);
}

bool TMessageTable::HasText(std::string_view key, TLanguage language) const
{
    const auto found = m_texts.find(key);
    return found != m_texts.end() && found->second[IndexOf(language)].has_value();
}

std::vector<std::string> TMessageTable::Keys() const
{
    std::vector<std::string> keys;
    keys.reserve(m_texts.size());
    for (const auto& entry : m_texts)
        keys.push_back(entry.first);
    return keys;
}

std::string Msg(std::string_view key)
{
    return TMessageTable::Instance().Text(key);
}

std::string Msg(std::string_view key, std::initializer_list<std::string_view> args)
{
    return FormatMessageText(Msg(key), args);
}

} // namespace lumexa::core
