#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// GetPrivateProfileString / WritePrivateProfileString over a file of the machine. Every call
// reads the file afresh (no cache). Sections and keys are case-insensitive, the first of
// duplicate keys wins, values are trimmed and one pair of enclosing quotes is removed. A write
// edits the first matching key in place or adds the key at the end of its section (the section
// at the end of the file), keeps every other line, writes CR LF and replaces the file
// atomically.
namespace lumexa::platform {

class FileSystem;

// The text of an INI file, edited line by line so that comments, blank lines and the order of
// everything not touched survive a write.
class IniDocument
{
public:
    static IniDocument Parse(std::string_view text);
    std::string Serialize() const; // CR LF line ends

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    void Set(std::string_view section, std::string_view key, std::string_view value);
    bool Delete(std::string_view section, std::string_view key);
    bool EraseSection(std::string_view section);
    std::vector<std::string> Keys(std::string_view section) const;
    std::vector<std::string> Sections() const;
    bool HasSection(std::string_view section) const;

private:
    // Index of the section's header line, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the first line holding `key` in the section starting at `header`, or npos.
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    std::size_t SectionEnd(std::size_t header) const;

    std::vector<std::string> m_lines;
};

class IniFile
{
public:
    IniFile(FileSystem& files, std::string path);

    const std::string& Path() const { return m_path; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    std::int64_t ReadInteger(std::string_view section, std::string_view key, std::int64_t defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    bool SectionExists(std::string_view section) const;
    std::vector<std::string> ReadSection(std::string_view section) const; // key names
    std::vector<std::string> ReadSections() const;

    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, std::int64_t value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool EraseSection(std::string_view section);

private:
    FileSystem& m_files;
    std::string m_path;
};

} // namespace lumexa::platform
