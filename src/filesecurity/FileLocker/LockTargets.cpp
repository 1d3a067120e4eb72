#include "filesecurity/FileLocker/LockTargets.h"

#include <memory>

#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Types.h"

namespace lumexa::filesecurity {

void CollectLockTargets(const std::string& folder, TLockMode mode, std::vector<std::string>& list)
{
    const std::string base = folder.ends_with('\\') ? folder : folder + "\\";
    auto find = platform::Machine::Current().Files().FindFirstFile(base + "*.*");
    if (!find)
        return;
    std::vector<std::string> subfolders;
    do {
        const platform::FindData& data = find->Data();
        if (data.name == "." || data.name == "..")
            continue;
        if (data.attributes & platform::FILE_ATTRIBUTE_DIRECTORY) {
            if (!data.name.starts_with('.'))
                subfolders.push_back(data.name);
        } else if (data.name.ends_with(".lxe") == (mode == TLockMode::Unlock)) {
            list.push_back(base + data.name);
        }
    } while (find->Next());
    find.reset();
    for (const std::string& name : subfolders)
        CollectLockTargets(base + name, mode, list);
}

} // namespace lumexa::filesecurity
