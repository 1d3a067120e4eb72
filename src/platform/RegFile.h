#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"
#include "platform/Types.h"

// Private to the registry service: key path rules shared by the registry and the REGEDIT4
// reader, the reader itself (text to a list of operations) and the writer.
namespace lumexa::platform::regfile {

// Windows' limits: 255 characters per key name, 16383 per value name, 512 levels of keys.
inline constexpr std::size_t kMaxKeyNameChars = 255;
inline constexpr std::size_t kMaxValueNameChars = 16383;
inline constexpr std::size_t kMaxKeyDepth = 512;

// Splits a key path below a root into its names. One leading "\" and one trailing "\" are
// ignored; an empty result is the root itself. Returns false (ERROR_INVALID_PARAMETER) for an
// empty name between two backslashes, a name longer than 255 characters or a path deeper
// than 512 levels. The pieces point into `path`.
bool SplitKeyPath(std::string_view path, std::vector<std::string_view>& parts);

// A value name Windows accepts (at most 16383 characters; the empty name is the default value).
bool ValidValueName(std::string_view name);

// Number of UTF-8 characters (invalid bytes count one each).
std::size_t CharCount(std::string_view text);

// ---- Reading ----------------------------------------------------------------------------

enum class OpKind
{
    CreateKey,   // [root\path]   values that follow go to this key
    DeleteKey,   // [-root\path]  the key and its subtree (absent: nothing to do)
    SetValue,    // "name"=...    on the key of the last CreateKey
    DeleteValue, // "name"=-      on the key of the last CreateKey (absent: nothing to do)
};

struct Op
{
    OpKind kind = OpKind::CreateKey;
    int line = 0;     // 1-based line where the operation starts
    HKEY root = 0;    // keys only
    std::string path; // keys only: below the root, as written (no leading "\")
    std::string name; // values only
    RegType type = RegType::None;
    std::vector<std::uint8_t> data;
};

struct ParseResult
{
    bool ok = false;
    int line = 0;      // failing line (1-based) when !ok
    std::string error; // reason when !ok
    std::vector<Op> ops;
};

// Parses a whole REGEDIT4 / "Windows Registry Editor Version 5.00" text: UTF-8 with or
// without a BOM, or UTF-16LE with its BOM; CR LF or LF line ends. Never reads past the text.
ParseResult Parse(std::string_view text);

// ---- Writing ----------------------------------------------------------------------------

// Collects keys in the order given and produces the REGEDIT4 text with CR LF line ends.
class Writer
{
public:
    Writer();
    // `fullName` is "HKEY_...\path". Returns false when a key or value name cannot be written
    // in a .reg file (it holds a CR, LF or NUL character); nothing is added then.
    bool AddKey(std::string_view fullName, const std::vector<RegValue>& values);
    const std::string& Text() const { return m_text; }

    // The value line(s) of one value, without the final CR LF (exposed for tests).
    static std::string FormatValue(const RegValue& value);
    // True when `data` is UTF-8 text without NUL, CR or LF followed by exactly one NUL: such
    // a REG_SZ is written as "text", anything else as hex(1).
    static bool IsPlainString(const std::vector<std::uint8_t>& data);

private:
    std::string m_text;
};

} // namespace lumexa::platform::regfile
