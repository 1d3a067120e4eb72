#pragma once

#include <string>
#include <vector>

namespace lumexa::filesecurity {

enum class TLockMode
{
    Unlock = 0,
    Lock = 1,
};

// Appends to `list` the full paths of the files under `folder` (a Windows path) that a run
// would process: in lock mode the names not ending in ".lxe", in unlock mode those ending in
// it (compared case-sensitively, so "a.LXE" is not a locked file). The files of a folder come
// in the order of its directory listing, before its subfolders, which are visited depth first;
// a subfolder whose name begins with "." is not entered.
void CollectLockTargets(const std::string& folder, TLockMode mode, std::vector<std::string>& list);

} // namespace lumexa::filesecurity
