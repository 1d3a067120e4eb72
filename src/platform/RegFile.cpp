#include "platform/RegFile.h"

#include <utility>

#include "platform/Text.h"

namespace lumexa::platform::regfile {

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimLeft(std::string_view text)
{
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first]))
        ++first;
    return text.substr(first);
}

std::string_view TrimRight(std::string_view text)
{
    std::size_t last = text.size();
    while (last > 0 && IsBlank(text[last - 1]))
        --last;
    return text.substr(0, last);
}

std::string_view TrimBoth(std::string_view text)
{
    return TrimRight(TrimLeft(text));
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Parses 1 to 8 hex digits making up the whole of `text`.
bool ParseHex32(std::string_view text, std::uint32_t& value)
{
    if (text.empty() || text.size() > 8)
        return false;
    value = 0;
    for (const char c : text) {
        const int digit = HexValue(c);
        if (digit < 0)
            return false;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

// Length of the valid UTF-8 sequence at `pos`, or 0 when the bytes there are not one
// (overlong forms, surrogates and code points above U+10FFFF are invalid).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - pos < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

struct ParseFailure
{
    int line;
    std::string message;
};

[[noreturn]] void Fail(std::size_t lineIndex, std::string message)
{
    throw ParseFailure{static_cast<int>(lineIndex + 1), std::move(message)};
}

// UTF-16LE (after its BOM) to UTF-8. Unpaired surrogates and an odd byte count are errors.
std::string Utf16LeToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t lines = 0;
    auto unit = [&](std::size_t at) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[at]) |
                                     (static_cast<unsigned char>(bytes[at + 1]) << 8));
    };
    std::size_t pos = 0;
    while (pos + 1 < bytes.size()) {
        char32_t cp = unit(pos);
        pos += 2;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (pos + 1 >= bytes.size())
                Fail(lines, "invalid UTF-16 text: unpaired surrogate");
            const char32_t low = unit(pos);
            if (low < 0xDC00 || low > 0xDFFF)
                Fail(lines, "invalid UTF-16 text: unpaired surrogate");
            pos += 2;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            Fail(lines, "invalid UTF-16 text: unpaired surrogate");
        }
        if (cp == '\n')
            ++lines;
        AppendUtf8(cp, out);
    }
    if (pos != bytes.size())
        Fail(lines, "invalid UTF-16 text: odd number of bytes");
    return out;
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Reads a quoted string starting at text[pos] == '"'; on return `pos` is past the closing
// quote. Only \\ and \" are escapes.
void ParseQuoted(std::string_view text, std::size_t& pos, std::string& out, std::size_t lineIndex, const char* what)
{
    ++pos; // opening quote
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return;
        }
        if (c == '\\') {
            if (pos + 1 >= text.size())
                break;
            const char next = text[pos + 1];
            if (next != '\\' && next != '"')
                Fail(lineIndex,
                     std::string("unknown escape '\\") + next + "' in " + what + " (only \\\\ and \\\" are allowed)");
            out += next;
            pos += 2;
            continue;
        }
        out += c;
        ++pos;
    }
    Fail(lineIndex, std::string("unterminated ") + what + ": the closing '\"' is missing");
}

// Hex bytes "01,02,..." with "\" continuations. `rest` is what follows "hex:" on the line
// `lineIndex`, which advances past every continuation line used.
std::vector<std::uint8_t>
ParseHexBytes(std::string_view rest, const std::vector<std::string_view>& lines, std::size_t& lineIndex)
{
    std::vector<std::uint8_t> data;
    std::string_view cur = rest;
    for (;;) {
        cur = TrimLeft(cur);
        if (cur.empty())
            break;
        if (cur[0] == '\\') {
            if (!TrimLeft(cur.substr(1)).empty())
                Fail(lineIndex, "unexpected text after the '\\' that continues hex data");
            ++lineIndex;
            if (lineIndex >= lines.size())
                Fail(lineIndex - 1, "hex data continues past the end of the file");
            cur = TrimLeft(lines[lineIndex]);
            if (cur.empty())
                Fail(lineIndex, "empty line where hex data should continue");
            continue;
        }
        const int high = HexValue(cur[0]);
        if (high < 0)
            Fail(lineIndex, "bad hex byte '" + std::string(cur.substr(0, 1)) + "' in hex data");
        int byte = high;
        std::size_t used = 1;
        if (cur.size() > 1 && HexValue(cur[1]) >= 0) {
            byte = high * 16 + HexValue(cur[1]);
            used = 2;
        }
        data.push_back(static_cast<std::uint8_t>(byte));
        cur = TrimLeft(cur.substr(used));
        if (cur.empty())
            break;
        if (cur[0] == ',') {
            cur.remove_prefix(1);
            continue;
        }
        if (cur[0] == '\\')
            continue;
        Fail(lineIndex, "expected ',' between hex bytes");
    }
    return data;
}

void ParseKeyLine(std::string_view line, std::size_t lineIndex, ParseResult& result, bool& haveKey)
{
    const std::string_view trimmed = TrimRight(line);
    if (trimmed.size() < 2 || trimmed.back() != ']')
        Fail(lineIndex, "a key line must end with ']'");
    std::string_view inner = trimmed.substr(1, trimmed.size() - 2);
    const bool remove = !inner.empty() && inner[0] == '-';
    if (remove)
        inner.remove_prefix(1);
    if (inner.empty())
        Fail(lineIndex, "empty key name");
    if (inner.find('\r') != std::string_view::npos)
        Fail(lineIndex, "carriage return inside a key name");
    const auto split = Registry::SplitKeyName(inner);
    if (!split)
        Fail(lineIndex, "unknown root key '" + std::string(inner.substr(0, inner.find('\\'))) + "'");
    const HKEY root = split->first;
    if (root == HKEY_PERFORMANCE_DATA || root == HKEY_DYN_DATA)
        Fail(lineIndex, Registry::RootName(root) + " has no stored keys");
    std::vector<std::string_view> parts;
    if ((!split->second.empty() && split->second[0] == '\\') || !SplitKeyPath(split->second, parts))
        Fail(lineIndex,
             "invalid key name (empty name between backslashes, a name over 255 characters or "
             "more than 512 levels)");
    if (remove && parts.empty())
        Fail(lineIndex, "refusing to delete the whole root " + Registry::RootName(root));
    Op op;
    op.kind = remove ? OpKind::DeleteKey : OpKind::CreateKey;
    op.line = static_cast<int>(lineIndex + 1);
    op.root = root;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            op.path += '\\';
        op.path += parts[i];
    }
    result.ops.push_back(std::move(op));
    haveKey = !remove;
}

void ParseValueLine(std::string_view line,
                    const std::vector<std::string_view>& lines,
                    std::size_t& lineIndex,
                    ParseResult& result,
                    bool haveKey)
{
    const std::size_t startIndex = lineIndex;
    if (!haveKey)
        Fail(lineIndex, "value line before any key line (or after a key deletion)");
    Op op;
    op.line = static_cast<int>(lineIndex + 1);
    std::size_t pos = 0;
    if (line[0] == '@')
        pos = 1;
    else
        ParseQuoted(line, pos, op.name, lineIndex, "value name");
    if (!ValidValueName(op.name))
        Fail(lineIndex, "value name longer than 16383 characters");
    if (op.name.find('\r') != std::string::npos)
        Fail(lineIndex, "carriage return inside a value name");
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != '=')
        Fail(lineIndex, "missing '=' after the value name");
    ++pos;
    const std::string_view rest = TrimLeft(line.substr(pos));
    if (!rest.empty() && rest[0] == '"') {
        std::string text;
        std::size_t at = 0;
        ParseQuoted(rest, at, text, lineIndex, "string");
        if (!TrimLeft(rest.substr(at)).empty())
            Fail(lineIndex, "unexpected text after the closing '\"' of the string");
        op.kind = OpKind::SetValue;
        op.type = RegType::Sz;
        op.data.assign(text.begin(), text.end());
        op.data.push_back(0);
    } else if (TrimRight(rest) == "-") {
        op.kind = OpKind::DeleteValue;
    } else if (StartsWithNoCase(rest, "dword:")) {
        std::uint32_t value = 0;
        if (!ParseHex32(TrimRight(rest.substr(6)), value))
            Fail(lineIndex, "bad dword value: expected 1 to 8 hex digits after 'dword:'");
        op.kind = OpKind::SetValue;
        op.type = RegType::Dword;
        for (int i = 0; i < 4; ++i)
            op.data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    } else if (StartsWithNoCase(rest, "hex")) {
        std::string_view after = rest.substr(3);
        RegType type = RegType::Binary;
        if (!after.empty() && after[0] == '(') {
            const std::size_t close = after.find(')');
            std::uint32_t number = 0;
            if (close == std::string_view::npos || !ParseHex32(after.substr(1, close - 1), number))
                Fail(lineIndex, "bad hex(type): expected 1 to 8 hex digits between the parentheses");
            type = static_cast<RegType>(number);
            after.remove_prefix(close + 1);
        }
        if (after.empty() || after[0] != ':')
            Fail(lineIndex, "expected ':' after 'hex'");
        op.kind = OpKind::SetValue;
        op.type = type;
        op.data = ParseHexBytes(after.substr(1), lines, lineIndex);
    } else {
        Fail(startIndex, "unknown value data: expected \"text\", dword:, hex:, hex(type): or -");
    }
    result.ops.push_back(std::move(op));
}

void ParseText(std::string_view input, ParseResult& result)
{
    std::string converted;
    std::string_view text = input;
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    } else if (text.size() >= 2 && text.substr(0, 2) == "\xFF\xFE") {
        converted = Utf16LeToUtf8(text.substr(2));
        text = converted;
    }
    const std::vector<std::string_view> lines = SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find('\0') != std::string_view::npos)
            Fail(i, "NUL character in the text");

    std::size_t index = 0;
    while (index < lines.size() && TrimBoth(lines[index]).empty())
        ++index;
    if (index >= lines.size())
        Fail(index == 0 ? 0 : index - 1, "empty file: the REGEDIT4 header is missing");
    const std::string_view header = TrimBoth(lines[index]);
    if (header != kHeader4 && header != kHeader5)
        Fail(index, "missing header: the first line must be REGEDIT4");

    bool haveKey = false;
    for (++index; index < lines.size(); ++index) {
        const std::string_view line = TrimLeft(lines[index]);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[')
            ParseKeyLine(line, index, result, haveKey);
        else if (line[0] == '@' || line[0] == '"')
            ParseValueLine(line, lines, index, result, haveKey);
        else
            Fail(index, "unexpected text: expected [key], \"name\"=value, @=value or a ; comment");
    }
}

std::string Quote(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

bool WritableName(std::string_view name)
{
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace

std::size_t CharCount(std::string_view text)
{
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

bool SplitKeyPath(std::string_view path, std::vector<std::string_view>& parts)
{
    parts.clear();
    if (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    if (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty())
        return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = path.find('\\', start);
        const std::string_view part =
            path.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        if (part.empty() || CharCount(part) > kMaxKeyNameChars || parts.size() >= kMaxKeyDepth) {
            parts.clear();
            return false;
        }
        parts.push_back(part);
        if (at == std::string_view::npos)
            return true;
        start = at + 1;
    }
}

bool ValidValueName(std::string_view name)
{
    return name.size() <= kMaxValueNameChars || CharCount(name) <= kMaxValueNameChars;
}

ParseResult Parse(std::string_view text)
{
    ParseResult result;
    try {
        ParseText(text, result);
        result.ok = true;
    } catch (const ParseFailure& failure) {
        result.ok = false;
        result.line = failure.line;
        result.error = failure.message;
        result.ops.clear();
    }
    return result;
}

Writer::Writer()
    : m_text("REGEDIT4\r\n\r\n")
{}

bool Writer::AddKey(std::string_view fullName, const std::vector<RegValue>& values)
{
    if (!WritableName(fullName))
        return false;
    for (const RegValue& value : values)
        if (!WritableName(value.name))
            return false;
    m_text += '[';
    m_text += fullName;
    m_text += "]\r\n";
    for (const RegValue& value : values) {
        m_text += FormatValue(value);
        m_text += "\r\n";
    }
    m_text += "\r\n";
    return true;
}

bool Writer::IsPlainString(const std::vector<std::uint8_t>& data)
{
    if (data.empty() || data.back() != 0)
        return false;
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size() - 1);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '\0' || c == '\r' || c == '\n')
            return false;
        const std::size_t length = Utf8SequenceLength(text, pos);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

std::string Writer::FormatValue(const RegValue& value)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string line = value.name.empty() ? std::string("@") : Quote(value.name);
    line += '=';
    if (value.type == RegType::Sz && IsPlainString(value.data)) {
        line += Quote(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
        return line;
    }
    if (value.type == RegType::Dword && value.data.size() == 4) {
        const std::uint32_t number =
            static_cast<std::uint32_t>(value.data[0]) | (static_cast<std::uint32_t>(value.data[1]) << 8) |
            (static_cast<std::uint32_t>(value.data[2]) << 16) | (static_cast<std::uint32_t>(value.data[3]) << 24);
        line += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            line += kDigits[(number >> shift) & 0xF];
        return line;
    }
    if (value.type == RegType::Binary) {
        line += "hex:";
    } else {
        line += "hex(";
        const auto type = static_cast<std::uint32_t>(value.type);
        bool started = false;
        for (int shift = 28; shift >= 0; shift -= 4) {
            const std::uint32_t digit = (type >> shift) & 0xF;
            if (digit || started || shift == 0) {
                line += kDigits[digit];
                started = true;
            }
        }
        line += "):";
    }
    // Like regedit: a line is broken after the comma that reaches column 77, and continued
    // on the next line indented by two spaces.
    constexpr std::size_t kWrapColumn = 77;
    std::size_t column = line.size();
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        line += kDigits[value.data[i] >> 4];
        line += kDigits[value.data[i] & 0xF];
        if (i + 1 == value.data.size())
            break;
        line += ',';
        column += 3;
        if (column >= kWrapColumn) {
            line += "\\\r\n  ";
            column = 2;
        }
    }
    return line;
}

} // namespace lumexa::platform::regfile
