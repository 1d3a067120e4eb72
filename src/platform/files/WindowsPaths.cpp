#include "platform/files/WindowsPaths.h"

#include <array>
#include <cstdint>

namespace lumexa::platform::files {

namespace {

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool HasDriveLetter(std::string_view path)
{
    return path.size() >= 2 && IsLetter(path[0]) && path[1] == ':';
}

// Splits at `separator`, dropping empty pieces and ".", and resolving ".." against what came
// before (never above the start).
void AppendComponents(std::string_view text, char separator, std::vector<std::string>& components)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view piece = text.substr(start, end - start);
        if (piece == "..") {
            if (!components.empty())
                components.pop_back();
        } else if (!piece.empty() && piece != ".") {
            components.emplace_back(piece);
        }
        start = end + 1;
    }
}

std::string Join(std::string prefix, const std::vector<std::string>& components, char separator)
{
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i > 0)
            prefix += separator;
        prefix += components[i];
    }
    return prefix;
}

} // namespace

std::string FullWindowsPath(std::string_view path, std::string_view currentDirectory)
{
    std::string text(path);
    for (char& c : text) {
        if (c == '/')
            c = '\\';
    }
    // "\\?\C:\x" and "\??\C:\x" (the form PendingFileRenameOperations stores) name "C:\x".
    if (text.starts_with("\\\\?\\") || text.starts_with("\\??\\"))
        text.erase(0, 4);
    const bool trailingSeparator = !text.empty() && text.back() == '\\';

    std::string current(currentDirectory);
    if (!HasDriveLetter(current))
        current = "C:\\";
    const char currentLetter = UpperAscii(current[0]);

    std::string prefix;
    std::vector<std::string> components;
    if (text.starts_with("\\\\")) {
        // A UNC path: server and share stay, the rest is normalised below them.
        std::vector<std::string> unc;
        AppendComponents(std::string_view(text).substr(2), '\\', unc);
        return Join("\\\\", unc, '\\') + (trailingSeparator && !unc.empty() ? "\\" : "");
    }
    if (HasDriveLetter(text)) {
        const char letter = UpperAscii(text[0]);
        prefix = std::string(1, letter) + ":\\";
        if (text.size() > 2 && text[2] != '\\') {
            // "C:name" is relative to the current directory when that is on C:; "C:" alone is
            // the root.
            if (letter == currentLetter)
                AppendComponents(std::string_view(current).substr(2), '\\', components);
        }
        AppendComponents(std::string_view(text).substr(2), '\\', components);
    } else {
        prefix = std::string(1, currentLetter) + ":\\";
        if (!text.starts_with('\\'))
            AppendComponents(std::string_view(current).substr(2), '\\', components);
        AppendComponents(text, '\\', components);
    }
    std::string full = Join(std::move(prefix), components, '\\');
    if (trailingSeparator && !components.empty())
        full += '\\';
    return full;
}

std::optional<DrivePath> SplitDrivePath(std::string_view fullPath)
{
    if (!HasDriveLetter(fullPath) || (fullPath.size() > 2 && fullPath[2] != '\\'))
        return std::nullopt;
    DrivePath result;
    result.letter = UpperAscii(fullPath[0]);
    AppendComponents(fullPath.substr(2), '\\', result.components);
    return result;
}

std::string JoinDrivePath(char letter, const std::vector<std::string>& components, std::size_t count)
{
    std::string path = std::string(1, letter) + ":\\";
    for (std::size_t i = 0; i < count && i < components.size(); ++i) {
        if (i > 0)
            path += '\\';
        path += components[i];
    }
    return path;
}

bool HasInvalidNameCharacters(std::string_view name)
{
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20)
            return true;
        switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '/':
        case '\\':
        case '|':
        case '?':
        case '*':
            return true;
        default:
            break;
        }
    }
    return false;
}

bool IsReservedDeviceName(std::string_view name)
{
    // Windows looks at the part before the first dot, ignoring blanks before the dot.
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    std::string upper;
    for (const char c : base)
        upper += UpperAscii(c);
    static constexpr std::array<std::string_view, 4> kDevices{"CON", "PRN", "AUX", "NUL"};
    for (const auto device : kDevices) {
        if (upper == device)
            return true;
    }
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

bool IsValidNewName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && !HasInvalidNameCharacters(name) && name.back() != '.' &&
           name.back() != ' ' && !IsReservedDeviceName(name);
}

bool IsWindowsName(std::string_view name)
{
    return IsValidNewName(name) && IsValidUtf8(name);
}

bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t cp = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            cp = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            cp = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            cp = lead & 0x07u;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and code points past U+10FFFF have no UTF-16 equivalent.
        static constexpr std::array<std::uint32_t, 5> kMinimum{0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[length] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

std::optional<std::string> NormaliseHostPath(std::string_view path)
{
    if (!path.starts_with('/'))
        return std::nullopt;
    std::vector<std::string> components;
    AppendComponents(path, '/', components);
    return Join("/", components, '/');
}

} // namespace lumexa::platform::files
