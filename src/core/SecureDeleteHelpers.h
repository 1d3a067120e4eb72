#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The small helpers of the secure deletion engine that cleaners, the shredder and the pages
// share.
namespace lumexa::core {

// Sizes for people: below 1,024 the count and " B"; then kibibytes, mebibytes or gibibytes with
// two decimals (the machine's decimal separator) and " KB", " MB" or " GB" ("1.50 KB").
std::string FormatSize(std::uint64_t count);

// True when `text`, lower-cased and trimmed, equals some entry of `list`, lower-cased and
// trimmed. Used for extensions with their dot (".tmp") and for whole folder paths; an empty
// list gives false.
bool ExtensionInList(std::string_view text, const std::vector<std::string>& list);

// The extension of a Windows path's file name with its dot (".txt"), or empty.
std::string ExtractFileExt(std::string_view path);

// Replaces every %NAME% token, left to right (each pair of "%" delimits one name), by the
// trimmed expansion of the token in the current machine's environment. A token that cannot be
// expanded (unknown name, or an expansion of 1,024 characters or more) stays as written.
std::string ExpandEnvStrings(std::string_view text);
// The same with the expansion of one whole "%NAME%" token supplied by the caller.
std::string ExpandEnvStrings(std::string_view text, const std::function<std::string(std::string_view)>& expandToken);

// Deletes a file after clearing its read-only attribute. False when the file does not exist
// or cannot be deleted; an unexpected error is written to the error log as
// "Error RemoveFile:" followed by the path.
bool RemoveFile(std::string_view path);

// The registry value mask of DeleteValuesMatching: "*" any run, "?" one character, "[abc]",
// "[a-z]" and "[!a-z]" one character of (or not of) a set; everything else matches itself.
// Both texts are compared as given (callers lower-case them). A set without its closing "]"
// makes the mask invalid: it matches nothing.
bool MatchesValueMask(std::string_view name, std::string_view mask);

} // namespace lumexa::core
