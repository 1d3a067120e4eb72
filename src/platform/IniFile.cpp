#include "platform/IniFile.h"

#include <charconv>

#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace lumexa::platform {

namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

// "[Name]" -> "Name" (trimmed); nullopt for other lines.
std::optional<std::string> SectionName(const std::string& line)
{
    const std::string trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '[')
        return std::nullopt;
    const std::size_t close = trimmed.find(']');
    if (close == std::string::npos)
        return std::nullopt;
    return Trim(std::string_view(trimmed).substr(1, close - 1));
}

bool SplitEntry(const std::string& line, std::string& key, std::string& value)
{
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
        return false;
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string::npos)
        return false;
    key = Trim(std::string_view(trimmed).substr(0, equals));
    value = Trim(std::string_view(trimmed).substr(equals + 1));
    return true;
}

// The profile API removes one pair of enclosing quotes.
std::string Unquote(std::string value)
{
    if (value.size() >= 2 &&
        ((value.front() == '"' && value.back() == '"') || (value.front() == '\'' && value.back() == '\'')))
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

IniDocument IniDocument::Parse(std::string_view text)
{
    IniDocument document;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        document.m_lines.emplace_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return document;
}

std::string IniDocument::Serialize() const
{
    std::string text;
    for (const std::string& line : m_lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::size_t IniDocument::FindSection(std::string_view section) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = SectionName(m_lines[i]);
        if (name && EqualsNoCase(*name, section))
            return i;
    }
    return npos;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < m_lines.size() && !SectionName(m_lines[i]))
        ++i;
    return i;
}

std::size_t IniDocument::FindKey(std::size_t header, std::string_view key) const
{
    const std::size_t end = SectionEnd(header);
    std::string name, value;
    for (std::size_t i = header + 1; i < end; ++i)
        if (SplitEntry(m_lines[i], name, value) && EqualsNoCase(name, key))
            return i;
    return npos;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const
{
    const std::size_t header = FindSection(section);
    if (header == npos)
        return std::nullopt;
    const std::size_t line = FindKey(header, key);
    if (line == npos)
        return std::nullopt;
    std::string name, value;
    SplitEntry(m_lines[line], name, value);
    return Unquote(value);
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string entry = std::string(key) + "=" + std::string(value);
    std::size_t header = FindSection(section);
    if (header == npos) {
        m_lines.push_back("[" + std::string(section) + "]");
        m_lines.push_back(entry);
        return;
    }
    const std::size_t line = FindKey(header, key);
    if (line != npos) {
        m_lines[line] = entry;
        return;
    }
    // After the section's last non-blank line, so a blank separator line stays last.
    std::size_t insertAt = SectionEnd(header);
    while (insertAt > header + 1 && Trim(m_lines[insertAt - 1]).empty())
        --insertAt;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
}

bool IniDocument::Delete(std::string_view section, std::string_view key)
{
    const std::size_t header = FindSection(section);
    if (header == npos)
        return false;
    const std::size_t line = FindKey(header, key);
    if (line == npos)
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(line));
    return true;
}

bool IniDocument::EraseSection(std::string_view section)
{
    const std::size_t header = FindSection(section);
    if (header == npos)
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(header),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
    return true;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const
{
    std::vector<std::string> keys;
    const std::size_t header = FindSection(section);
    if (header == npos)
        return keys;
    std::string name, value;
    for (std::size_t i = header + 1, end = SectionEnd(header); i < end; ++i)
        if (SplitEntry(m_lines[i], name, value))
            keys.push_back(name);
    return keys;
}

std::vector<std::string> IniDocument::Sections() const
{
    std::vector<std::string> sections;
    for (const std::string& line : m_lines)
        if (const auto name = SectionName(line))
            sections.push_back(*name);
    return sections;
}

bool IniDocument::HasSection(std::string_view section) const
{
    return FindSection(section) != npos;
}

IniFile::IniFile(FileSystem& files, std::string path)
    : m_files(files)
    , m_path(std::move(path))
{}

namespace {
IniDocument Load(const FileSystem& files, const std::string& path)
{
    const auto text = files.ReadWholeFile(path);
    return text ? IniDocument::Parse(*text) : IniDocument();
}
} // namespace

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    const auto value = Load(m_files, m_path).Get(section, key);
    return value ? *value : std::string(defaultValue);
}

std::int64_t IniFile::ReadInteger(std::string_view section, std::string_view key, std::int64_t defaultValue) const
{
    const auto value = Load(m_files, m_path).Get(section, key);
    if (!value || value->empty())
        return defaultValue;
    std::int64_t number = 0;
    const char* first = value->data();
    const char* last = value->data() + value->size();
    int base = 10;
    // Delphi's StrToIntDef also takes "$1F" and "0x1F".
    if (value->front() == '$') {
        ++first;
        base = 16;
    } else if (value->size() > 2 && (*value)[0] == '0' && ((*value)[1] | 0x20) == 'x') {
        first += 2;
        base = 16;
    }
    const auto [end, error] = std::from_chars(first, last, number, base);
    return error == std::errc() && end == last ? number : defaultValue;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return Load(m_files, m_path).Get(section, key).has_value();
}

bool IniFile::SectionExists(std::string_view section) const
{
    return Load(m_files, m_path).HasSection(section);
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const
{
    return Load(m_files, m_path).Keys(section);
}

std::vector<std::string> IniFile::ReadSections() const
{
    return Load(m_files, m_path).Sections();
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    IniDocument document = Load(m_files, m_path);
    document.Set(section, key, value);
    return m_files.WriteWholeFileAtomic(m_path, document.Serialize());
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, std::int64_t value)
{
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key)
{
    IniDocument document = Load(m_files, m_path);
    if (!document.Delete(section, key))
        return true; // as WritePrivateProfileString: deleting what is not there succeeds
    return m_files.WriteWholeFileAtomic(m_path, document.Serialize());
}

bool IniFile::EraseSection(std::string_view section)
{
    IniDocument document = Load(m_files, m_path);
    if (!document.EraseSection(section))
        return true;
    return m_files.WriteWholeFileAtomic(m_path, document.Serialize());
}

} // namespace lumexa::platform
