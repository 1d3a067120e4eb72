#include "cleaners/KeepList.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace lumexa::cleaners {

TKeepList::TKeepList(std::vector<std::string> lines)
    : m_lines(std::move(lines))
{}

std::string TKeepList::PathOf(std::string_view fileName)
{
    return platform::Machine::Current().ProgramFolder() + "Settings\\" + std::string(fileName);
}

TKeepList TKeepList::Load(std::string_view fileName)
{
    const auto text = platform::Machine::Current().Files().ReadWholeFile(PathOf(fileName));
    std::vector<std::string> lines;
    if (!text)
        return TKeepList(std::move(lines));
    std::string_view rest = *text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return TKeepList(std::move(lines));
}

bool TKeepList::Save(std::string_view fileName, const std::vector<std::string>& lines)
{
    platform::Machine& machine = platform::Machine::Current();
    machine.Files().ForceDirectories(machine.ProgramFolder() + "Settings");
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return machine.Files().WriteWholeFileAtomic(PathOf(fileName), text);
}

bool TKeepList::Contains(std::string_view text) const
{
    return std::find(m_lines.begin(), m_lines.end(), text) != m_lines.end();
}

bool TKeepList::ContainsHost(std::string_view host) const
{
    return std::any_of(
        m_lines.begin(), m_lines.end(), [&](const std::string& line) { return platform::EqualsNoCase(line, host); });
}

} // namespace lumexa::cleaners
