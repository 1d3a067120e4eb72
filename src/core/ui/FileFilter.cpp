#include "core/ui/FileFilter.h"

#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace lumexa::core::ui {

std::vector<TFileFilter> ParseFileFilter(std::string_view filter)
{
    std::vector<TFileFilter> result;
    const std::vector<std::string> parts = platform::SplitAt(filter, '|');
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        TFileFilter entry;
        entry.description = platform::Trim(parts[i]);
        if (i + 1 < parts.size())
            for (const std::string& mask : platform::SplitAt(parts[i + 1], ';'))
                if (std::string trimmed = platform::Trim(mask); !trimmed.empty())
                    entry.masks.push_back(std::move(trimmed));
        if (entry.masks.empty())
            entry.masks.emplace_back("*.*");
        if (entry.description.empty() && i + 1 >= parts.size() && !result.empty())
            continue; // a trailing "|" adds nothing
        result.push_back(std::move(entry));
    }
    if (result.empty())
        result.push_back({"", {"*.*"}});
    return result;
}

bool MatchesAnyMask(std::string_view name, const std::vector<std::string>& masks)
{
    for (const std::string& mask : masks)
        if (platform::FileSystem::MatchesFindMask(name, mask))
            return true;
    return false;
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (path.empty() || path.back() != '\\')
        path += '\\';
    path += name;
    return path;
}

std::vector<TFolderEntry>
ListFolder(platform::FileSystem& files, std::string_view folder, const std::vector<std::string>& masks, bool withFiles)
{
    std::vector<TFolderEntry> folders;
    std::vector<TFolderEntry> found;
    auto find = files.FindFirstFile(JoinPath(folder, "*.*"));
    if (!find)
        return {};
    do {
        const platform::FindData& data = find->Data();
        if (data.name == "." || data.name == "..")
            continue;
        TFolderEntry entry{
            data.name, (data.attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0, data.size, data.attributes};
        if (entry.folder)
            folders.push_back(std::move(entry));
        else if (withFiles && MatchesAnyMask(entry.name, masks))
            found.push_back(std::move(entry));
    } while (find->Next());
    folders.insert(folders.end(), found.begin(), found.end());
    return folders;
}

} // namespace lumexa::core::ui
