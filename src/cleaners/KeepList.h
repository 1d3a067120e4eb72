#pragma once

#include <string>
#include <string_view>
#include <vector>

// The keep lists the browser cleaners obey and the cookies and URL managers edit: plain text
// files in "Settings" of the program folder, one entry per line ("SafeCookies.txt",
// "SafeNSCookies.txt", "SafeFFCookies.txt", "SafeURLs.txt").
namespace lumexa::cleaners {

inline constexpr std::string_view SafeCookiesFile = "SafeCookies.txt";
inline constexpr std::string_view SafeNSCookiesFile = "SafeNSCookies.txt";
inline constexpr std::string_view SafeFFCookiesFile = "SafeFFCookies.txt";
inline constexpr std::string_view SafeURLsFile = "SafeURLs.txt";

class TKeepList
{
public:
    TKeepList() = default;
    explicit TKeepList(std::vector<std::string> lines);

    // The lines of "Settings\<fileName>" (CR LF or LF ends, the last line with or without one).
    // A missing or unreadable file gives an empty list.
    static TKeepList Load(std::string_view fileName);
    // Writes the lines, one per line with CR LF, to "Settings\<fileName>", creating the folder;
    // the file is replaced whole (a temporary file renamed over it), so a failed write keeps
    // the former list.
    static bool Save(std::string_view fileName, const std::vector<std::string>& lines);
    // The path of "Settings\<fileName>" in the program folder.
    static std::string PathOf(std::string_view fileName);

    const std::vector<std::string>& Lines() const { return m_lines; }
    bool Empty() const { return m_lines.empty(); }
    // A line equal to `text`, case-sensitively (whole typed URLs).
    bool Contains(std::string_view text) const;
    // A line equal to `host` ignoring case (host names of cookies).
    bool ContainsHost(std::string_view host) const;

private:
    std::vector<std::string> m_lines;
};

} // namespace lumexa::cleaners
