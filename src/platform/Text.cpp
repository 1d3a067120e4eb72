#include "platform/Text.h"

#include <cstdint>

namespace lumexa::platform {

namespace {

// Decodes one UTF-8 sequence at `pos`; returns the code point and advances `pos`. An invalid
// byte yields 0xFFFFFFFF and advances by one so callers can copy it through unchanged.
char32_t DecodeAt(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        ++pos;
        return 0xFFFFFFFF;
    }
    if (pos + static_cast<std::size_t>(length) > text.size()) {
        ++pos;
        return 0xFFFFFFFF;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFFFFFF;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    pos += static_cast<std::size_t>(length);
    return cp;
}

} // namespace

void AppendUtf8(char32_t cp, std::string& out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

namespace {

bool InPairRange(char32_t cp, char32_t first, char32_t last)
{
    return cp >= first && cp <= last;
}

char32_t ToUpper(char32_t cp)
{
    if (cp >= 'a' && cp <= 'z')
        return cp - 0x20;
    if (cp < 0x80)
        return cp;
    if ((cp >= 0xE0 && cp <= 0xFE && cp != 0xF7))
        return cp - 0x20;
    if (cp == 0xFF)
        return 0x178;
    if (cp == 0x131)
        return 'I';
    // Latin Extended-A: upper case at the even (or odd) member of each pair.
    if (InPairRange(cp, 0x100, 0x137) || InPairRange(cp, 0x14A, 0x177))
        return (cp & 1) ? cp - 1 : cp;
    if (InPairRange(cp, 0x139, 0x148) || InPairRange(cp, 0x179, 0x17E))
        return (cp & 1) ? cp : cp - 1;
    if (cp >= 0x3B1 && cp <= 0x3CB && cp != 0x3C2)
        return cp - 0x20;
    if (cp == 0x3C2)
        return 0x3A3;
    if (cp == 0x3AC)
        return 0x386;
    if (cp >= 0x3AD && cp <= 0x3AF)
        return cp - 0x25;
    if (cp == 0x3CC)
        return 0x38C;
    if (cp == 0x3CD || cp == 0x3CE)
        return cp - 0x3F;
    if (cp >= 0x430 && cp <= 0x44F)
        return cp - 0x20;
    if (cp >= 0x450 && cp <= 0x45F)
        return cp - 0x50;
    return cp;
}

char32_t ToLower(char32_t cp)
{
    if (cp >= 'A' && cp <= 'Z')
        return cp + 0x20;
    if (cp < 0x80)
        return cp;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)
        return cp + 0x20;
    if (cp == 0x178)
        return 0xFF;
    if (InPairRange(cp, 0x100, 0x137) || InPairRange(cp, 0x14A, 0x177))
        return (cp & 1) ? cp : cp + 1;
    if (InPairRange(cp, 0x139, 0x148) || InPairRange(cp, 0x179, 0x17E))
        return (cp & 1) ? cp + 1 : cp;
    if (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2)
        return cp + 0x20;
    if (cp == 0x386)
        return 0x3AC;
    if (cp >= 0x388 && cp <= 0x38A)
        return cp + 0x25;
    if (cp == 0x38C)
        return 0x3CC;
    if (cp == 0x38E || cp == 0x38F)
        return cp + 0x3F;
    if (cp >= 0x410 && cp <= 0x42F)
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 0x50;
    return cp;
}

template <typename Map> std::string Transform(std::string_view text, Map map)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const char32_t cp = DecodeAt(text, pos);
        if (cp == 0xFFFFFFFF)
            out += text[start];
        else if (cp < 0x80)
            out += static_cast<char>(map(cp));
        else
            AppendUtf8(map(cp), out);
    }
    return out;
}

} // namespace

std::string FoldCase(std::string_view text)
{
    return Transform(text, ToUpper);
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() == b.size()) {
        bool asciiEqual = true;
        for (std::size_t i = 0; i < a.size() && asciiEqual; ++i) {
            const auto x = static_cast<unsigned char>(a[i]);
            const auto y = static_cast<unsigned char>(b[i]);
            if (x >= 0x80 || y >= 0x80)
                return FoldCase(a) == FoldCase(b);
            asciiEqual = (x == y) || (static_cast<char32_t>(ToUpper(x)) == static_cast<char32_t>(ToUpper(y)));
        }
        return asciiEqual;
    }
    return FoldCase(a) == FoldCase(b);
}

int CompareNoCase(std::string_view a, std::string_view b)
{
    return FoldCase(a).compare(FoldCase(b));
}

std::string UpperCase(std::string_view text)
{
    return Transform(text, ToUpper);
}

std::string LowerCase(std::string_view text)
{
    return Transform(text, ToLower);
}

std::string Trim(std::string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return std::string(text.substr(first, last - first));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::vector<std::string> SplitAt(std::string_view text, char delimiter)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(delimiter, start);
        if (at == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
}

} // namespace lumexa::platform
