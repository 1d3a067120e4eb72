#include "filesecurity/ui/FolderRule.h"

#include <memory>

#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/Types.h"

namespace lumexa::filesecurity::ui {

namespace {

bool IsTarget(const std::string& name, TLockMode mode)
{
    // Case-sensitive, as CollectLockTargets: "a.LXE" is not a locked file.
    return name.ends_with(".lxe") == (mode == TLockMode::Unlock);
}

std::string LastComponent(const std::string& path)
{
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string RowPath(const TLockRow& row)
{
    return row.folder.ends_with('\\') ? row.folder + row.caption : row.folder + "\\" + row.caption;
}

TFolderCheck CheckFolder(const std::string& folder, const std::vector<TLockRow>& rows, TLockMode mode)
{
    const std::string name = LastComponent(folder);
    for (const TLockRow& row : rows)
        if (platform::EqualsNoCase(row.caption, name))
            return {TFolderVerdict::SameName, RowPath(row)};
    for (const TLockRow& row : rows)
        if (platform::StartsWithNoCase(folder, RowPath(row)))
            return {TFolderVerdict::InsideRow, RowPath(row)};
    for (const TLockRow& row : rows)
        if (platform::StartsWithNoCase(RowPath(row), folder))
            return {TFolderVerdict::ContainsRow, RowPath(row)};
    if (!HasLockTarget(folder, mode))
        return {TFolderVerdict::NothingToFind, {}};
    return {TFolderVerdict::Add, {}};
}

bool HasLockTarget(const std::string& folder, TLockMode mode)
{
    const std::string base = folder.ends_with('\\') ? folder : folder + "\\";
    auto find = platform::Machine::Current().Files().FindFirstFile(base + "*.*");
    if (!find)
        return false;
    std::vector<std::string> subfolders;
    do {
        const platform::FindData& data = find->Data();
        if (data.name == "." || data.name == "..")
            continue;
        if (!(data.attributes & platform::FILE_ATTRIBUTE_DIRECTORY)) {
            if (IsTarget(data.name, mode))
                return true;
        } else if (!data.name.starts_with('.')) {
            subfolders.push_back(data.name);
        }
    } while (find->Next());
    find.reset();
    for (const std::string& name : subfolders)
        if (HasLockTarget(base + name, mode))
            return true;
    return false;
}

bool AcceptsFile(const std::string& path, const std::vector<TLockRow>& rows, TLockMode mode, TLockRow& row)
{
    const std::size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos || slash + 1 == path.size())
        return false;
    const std::string name = path.substr(slash + 1);
    if (!IsTarget(name, mode))
        return false;
    for (const TLockRow& listed : rows)
        if (platform::EqualsNoCase(listed.caption, name))
            return false;
    row = {name, path.substr(0, slash + 1), "File", true};
    return true;
}

TLockRow FolderRow(const std::string& folder)
{
    const std::size_t slash = folder.find_last_of('\\');
    return {folder.substr(slash + 1), folder.substr(0, slash), "Folder", true};
}

} // namespace lumexa::filesecurity::ui
