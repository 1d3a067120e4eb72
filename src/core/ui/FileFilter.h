#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace lumexa::platform {
class FileSystem;
}

// What the machine's file dialogs show: Windows filter strings and folder listings through the
// machine's file system (never the host's), so a dialog offers "C:\..." paths.
namespace lumexa::core::ui {

// One entry of a Windows filter string "Description|*.a;*.b|All files|*.*".
struct TFileFilter
{
    std::string description;
    std::vector<std::string> masks;
    friend bool operator==(const TFileFilter&, const TFileFilter&) = default;
};

// Splits a filter string into description and mask pairs. An empty string, or a description
// without masks, gives "*.*"; blank masks are dropped.
std::vector<TFileFilter> ParseFileFilter(std::string_view filter);

// True when the name matches one of the masks by the directory-search rules.
bool MatchesAnyMask(std::string_view name, const std::vector<std::string>& masks);

struct TFolderEntry
{
    std::string name;
    bool folder = false;
    std::uint64_t size = 0;
    std::uint32_t attributes = 0;
    friend bool operator==(const TFolderEntry&, const TFolderEntry&) = default;
};

// The sub-folders of `folder` and, with `withFiles`, its files matching `masks`: folders first,
// each part in the file system's order, "." and ".." left out. Empty when the folder cannot
// be read.
std::vector<TFolderEntry>
ListFolder(platform::FileSystem& files, std::string_view folder, const std::vector<std::string>& masks, bool withFiles);

// Joins a folder and a name with exactly one "\".
std::string JoinPath(std::string_view folder, std::string_view name);

} // namespace lumexa::core::ui
