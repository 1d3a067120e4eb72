#include "core/SecureDeleteHelpers.h"

#include <exception>

#include "core/Helpers.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Shell.h"
#include "platform/Text.h"

namespace lumexa::core {

namespace {

// ExpandEnvironmentStringsA's output buffer: an expansion must fit with its terminating NUL.
constexpr std::size_t ExpandBufferSize = 1024;

platform::Locale CurrentLocale()
{
    if (platform::Machine::HasCurrent())
        return platform::Machine::Current().Clock().UserLocale();
    return platform::Locale{};
}

// Decodes one UTF-8 character of `text` at `at` (a stray byte counts as one character).
std::uint32_t NextCodePoint(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at++]);
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    std::uint32_t value = extra == 3 ? lead & 0x07u : extra == 2 ? lead & 0x0Fu : extra == 1 ? lead & 0x1Fu : lead;
    for (; extra > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80; --extra)
        value = (value << 6) | (static_cast<unsigned char>(text[at++]) & 0x3Fu);
    return value;
}

// One element of a mask at `at` against the name's character `text` (its UTF-8 bytes) whose
// code point is `c`: true with `matches` telling whether it fits; false when the mask is
// malformed (an unclosed set). Literal characters compare their bytes, so that two spellings
// of one code point never meet.
bool MatchElement(std::string_view mask, std::size_t& at, std::string_view text, std::uint32_t c, bool& matches)
{
    if (mask[at] == '?') {
        ++at;
        matches = true;
        return true;
    }
    if (mask[at] != '[') {
        const std::size_t start = at;
        NextCodePoint(mask, at);
        matches = mask.substr(start, at - start) == text;
        return true;
    }
    std::size_t i = at + 1;
    const bool negate = i < mask.size() && mask[i] == '!';
    if (negate)
        ++i;
    bool inSet = false;
    bool first = true;
    while (i < mask.size() && (mask[i] != ']' || first)) {
        first = false;
        const std::uint32_t low = NextCodePoint(mask, i);
        std::uint32_t high = low;
        if (i + 1 < mask.size() && mask[i] == '-' && mask[i + 1] != ']') {
            ++i;
            high = NextCodePoint(mask, i);
        }
        if (c >= low && c <= high)
            inSet = true;
    }
    if (i >= mask.size())
        return false;
    at = i + 1;
    matches = inSet != negate;
    return true;
}

} // namespace

std::string FormatSize(std::uint64_t count)
{
    constexpr std::uint64_t Kilo = 1024;
    constexpr std::uint64_t Mega = Kilo * 1024;
    constexpr std::uint64_t Giga = Mega * 1024;
    if (count < Kilo)
        return std::to_string(count) + " B";
    const platform::Locale locale = CurrentLocale();
    const auto value = static_cast<double>(count);
    if (count < Mega)
        return platform::FormatFixed(value / Kilo, 2, locale) + " KB";
    if (count < Giga)
        return platform::FormatFixed(value / Mega, 2, locale) + " MB";
    return platform::FormatFixed(value / Giga, 2, locale) + " GB";
}

bool ExtensionInList(std::string_view text, const std::vector<std::string>& list)
{
    const std::string wanted = platform::Trim(platform::LowerCase(text));
    for (const std::string& entry : list) {
        if (platform::Trim(platform::LowerCase(entry)) == wanted)
            return true;
    }
    return false;
}

std::string ExtractFileExt(std::string_view path)
{
    const std::size_t dot = path.find_last_of(".\\:");
    if (dot == std::string_view::npos || path[dot] != '.')
        return {};
    return std::string(path.substr(dot));
}

std::string ExpandEnvStrings(std::string_view text, const std::function<std::string(std::string_view)>& expandToken)
{
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('%', at);
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            out.append(text.substr(at));
            break;
        }
        out.append(text.substr(at, open - at));
        const std::string_view token = text.substr(open, close - open + 1);
        const std::string expanded = expandToken(token);
        if (expanded.size() < ExpandBufferSize)
            out += platform::Trim(expanded);
        else
            out.append(token);
        at = close + 1;
    }
    return out;
}

std::string ExpandEnvStrings(std::string_view text)
{
    const platform::Shell& shell = platform::Machine::Current().Shell();
    return ExpandEnvStrings(text, [&shell](std::string_view token) { return shell.ExpandEnvironmentStrings(token); });
}

bool RemoveFile(std::string_view path)
{
    try {
        platform::FileSystem& files = platform::Machine::Current().Files();
        if (!files.FileExists(path))
            return false;
        const std::uint32_t attributes = files.GetFileAttributes(path);
        if (attributes != platform::INVALID_FILE_ATTRIBUTES && (attributes & platform::FILE_ATTRIBUTE_READONLY))
            files.SetFileAttributes(path, attributes & ~platform::FILE_ATTRIBUTE_READONLY);
        return files.DeleteFile(path);
    } catch (const std::exception&) {
        LogError("Error RemoveFile:" + std::string(path), false);
        return false;
    }
}

bool MatchesValueMask(std::string_view name, std::string_view mask)
{
    // Greedy matching with a return to the last "*": every other element takes exactly one
    // character, so this is linear in practice and never exponential.
    std::size_t n = 0;
    std::size_t m = 0;
    std::size_t starMask = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = ++m;
            starName = n;
            continue;
        }
        if (m < mask.size()) {
            std::size_t nextName = n;
            const std::uint32_t c = NextCodePoint(name, nextName);
            std::size_t nextMask = m;
            bool matches = false;
            if (!MatchElement(mask, nextMask, name.substr(n, nextName - n), c, matches))
                return false;
            if (matches) {
                n = nextName;
                m = nextMask;
                continue;
            }
        }
        if (starMask == std::string_view::npos)
            return false;
        // Let the last "*" take one more character and try again from there.
        m = starMask;
        NextCodePoint(name, starName);
        n = starName;
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    if (m == mask.size())
        return true;
    // An unclosed set after the name's end still makes the mask invalid; anything else fails.
    return false;
}

} // namespace lumexa::core
