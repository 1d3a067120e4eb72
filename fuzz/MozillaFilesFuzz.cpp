// libFuzzer target for the two readers of Mozilla files the browser cleaners parse:
// profiles.ini (ReadProfilesIni) and Cookies.txt (FilterCookieLines).
//
// The input is split at its first NUL byte into a file text and a keep list (one host per
// line). Checked properties:
// - every profile found has a name and a path, and no path keeps a "/";
// - filtering Cookies.txt keeps only lines of the input, and filtering its own output again
//   changes nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cleaners/KeepList.h"
#include "cleaners/MozillaCleaner.h"
#include "cleaners/ProfilesFinder.h"

namespace {

[[noreturn]] void Crash(const char* what, std::string_view detail)
{
    std::fprintf(stderr, "%s: [%.*s]\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

std::vector<std::string> Lines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        std::string line(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::string Trimmed(std::string_view text)
{
    const auto blank = [](unsigned char c) { return c <= ' '; };
    while (!text.empty() && blank(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && blank(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return std::string(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string_view text = input.substr(0, nul);
    const std::string_view keep = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);

    for (const auto& profile : lumexa::cleaners::ReadProfilesIni(text, "Z:\\home\\ann\\.mozilla\\firefox\\")) {
        if (profile.name.empty() || profile.path.empty())
            Crash("a profile without a name or a path", profile.path);
        if (profile.path.find('/') != std::string::npos)
            Crash("a profile path kept a slash", profile.path);
    }

    const lumexa::cleaners::TKeepList list(Lines(keep));
    const std::string filtered = lumexa::cleaners::FilterCookieLines(text, list);
    std::set<std::string> inputLines;
    for (const std::string& line : Lines(text))
        inputLines.insert(Trimmed(line));
    for (const std::string& line : Lines(filtered))
        if (!line.empty() && !inputLines.contains(line))
            Crash("a line that was not in the file", line);
    if (lumexa::cleaners::FilterCookieLines(filtered, list) != filtered)
        Crash("filtering twice changed the result", filtered);
    return 0;
}
