#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Program-wide helpers: the error log, number formatting, and small path and list helpers.
namespace lumexa::core {

// Appends an entry to the error log, the executable's path followed by ".log"
// ("C:\Program Files\Lumexa\Lumexa.exe.log"):
//   <date and time> <message> CR LF
//   Last error: "<system text of the thread's last error>" CR LF
//   CR LF
// With showBox the message and its last-error line are also shown in an error box titled
// "Error". Safe from any thread (one process-wide lock). Never fails its caller: a log that
// cannot be written is skipped silently, and the thread's last error is left as it was.
void LogError(std::string_view message, bool showBox) noexcept;

// Sizes for people. Below 1,024 the integer format `format` is applied to n and " Byte"
// follows ("99 Byte", "512 Byte"); from 1,024 one decimal with the machine's decimal
// separator and " KB", " MB" or " GB" ("2.0 KB").
//
// `format` is a printf-style integer format holding exactly one conversion
// %[flags][width][.precision]{d,i,u,x,X} with flags from "-+ 0" and width and precision up to
// 255; "%%" is a percent sign. Any other format is never interpreted: n is shown in plain
// decimal instead.
std::string FormatByteCount(std::string_view format, std::int64_t n);
// The short form of the disk-cleaner tree views: below 100 the format applied to n and "b";
// below 100,000 kilobytes with one decimal and "KB"; then megabytes and "MB" ("0.1KB").
std::string FormatSizeShort(std::string_view format, std::int64_t n);
// n formatted by an integer format as described at FormatByteCount.
std::string FormatInteger(std::string_view format, std::int64_t n);

// Removes one final "\" when the path ends with it.
std::string ExcludeTrailingSlash(std::string_view path);

// Splits a delimited list ("comma text") left to right. A piece that starts with a double
// quote is quoted: up to its closing quote the delimiter does not split and "" stands for
// one quote; what follows the closing quote up to the next delimiter is kept as written.
// An empty last piece (text ending in the delimiter, or empty text) is not added; a quoted
// empty piece ("") is.
std::vector<std::string> SplitList(std::string_view text, char delimiter);

// True when every "\"-separated component of `folder` (at least one; a trailing "\" adds
// none) equals the component of `path` at the same position, exactly, case included. A path
// with fewer components than the folder is not under it.
bool IsUnderFolder(std::string_view path, std::string_view folder);

// True when some entry equals `text`, ignoring case.
bool ListContainsText(const std::vector<std::string>& list, std::string_view text);

} // namespace lumexa::core
