#pragma once

#include <string>
#include <string_view>
#include <vector>

// Text rules of Windows that the machine and the program share. Text is UTF-8 throughout
// (the machine's ANSI code page).
namespace lumexa::platform {

// Windows-style case folding for names (registry keys and values, file names): simple
// upper-casing of ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters. Other code
// points and invalid UTF-8 bytes pass through unchanged, so folding never fails.
std::string FoldCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Ordinal comparison of the folded texts: <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);

// The "upper-cased"/"lower-cased" text of the program (AnsiUpperCase/AnsiLowerCase).
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// Removes leading and trailing blanks and control characters (Delphi's Trim: every
// character up to and including a space).
std::string Trim(std::string_view text);

bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// Appends the UTF-8 bytes of one code point.
void AppendUtf8(char32_t codePoint, std::string& out);

// Splits at every occurrence of `delimiter`, keeping empty pieces.
std::vector<std::string> SplitAt(std::string_view text, char delimiter);

} // namespace lumexa::platform
