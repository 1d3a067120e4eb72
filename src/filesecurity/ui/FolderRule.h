#pragma once

#include <string>
#include <vector>

#include "filesecurity/FileLocker/EncDec.h"
#include "filesecurity/FileLocker/LockTargets.h"

// What the lock and unlock pages let into their lists: the rule for a folder, checked in a
// fixed order, and the file rule. Plain functions over the rows, so the pages only show the
// verdict.
namespace lumexa::filesecurity::ui {

enum class TFolderVerdict
{
    Add,           // the folder may be listed
    SameName,      // a row has the folder's last component as its caption
    InsideRow,     // a listed row's path is a prefix of the folder (ignoring case)
    ContainsRow,   // the folder is a prefix of a listed row's path (ignoring case)
    NothingToFind, // the folder's tree holds no file the page's run would process
};

struct TFolderCheck
{
    TFolderVerdict verdict = TFolderVerdict::Add;
    std::string row; // the full path of the row in question (InsideRow, ContainsRow)
};

// The full path of a row: folder column + "\" + caption, without a doubled backslash (a file
// row's folder column ends with one).
std::string RowPath(const TLockRow& row);

// `folder` is a Windows path without a trailing backslash. The prefix tests are plain text
// prefixes, so "C:\Doc" is refused beside a listed "C:\Docs" as if it lay inside it.
TFolderCheck CheckFolder(const std::string& folder, const std::vector<TLockRow>& rows, TLockMode mode);

// Whether the tree of `folder` holds a file a run of `mode` would process (lock: a name not
// ending in ".lxe"; unlock: one ending in it). Files of a folder are looked at before its
// subfolders, subfolders whose names begin with "." are skipped, and the walk stops at the
// first hit.
bool HasLockTarget(const std::string& folder, TLockMode mode);

// The row a file becomes ("File" type, folder column with a trailing backslash), unless the
// list has a row of that caption already or the page does not take such files (lock: names
// ending in ".lxe"; unlock: names not ending in it).
bool AcceptsFile(const std::string& path, const std::vector<TLockRow>& rows, TLockMode mode, TLockRow& row);

// The row a folder becomes once CheckFolder said Add.
TLockRow FolderRow(const std::string& folder);

} // namespace lumexa::filesecurity::ui
