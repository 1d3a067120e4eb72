// MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT) and what the session manager does with it at boot.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "platform/files/FileSystemImpl.h"

namespace lumexa::platform {

namespace {

constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingValue = "PendingFileRenameOperations";
// Windows stores NT paths ("\??\C:\x"); a target beginning with "!" may replace what is there.
constexpr std::string_view kNtPrefix = "\\??\\";

std::string WithoutNtPrefix(std::string_view path)
{
    if (path.starts_with('!'))
        path.remove_prefix(1);
    if (path.starts_with(kNtPrefix))
        path.remove_prefix(kNtPrefix.size());
    return std::string(path);
}

// The pairs of a PendingFileRenameOperations value. Its REG_MULTI_SZ data holds an empty string
// for every delete ("src\0\0src2\0dst2\0\0"), which ordinary REG_MULTI_SZ reading takes for the
// end of the list, so the data is read as Windows' session manager reads it: pair by pair,
// up to a source that is empty.
std::vector<std::pair<std::string, std::string>> ParseOperations(const std::vector<std::uint8_t>& data)
{
    std::vector<std::pair<std::string, std::string>> operations;
    const std::string text(data.begin(), data.end());
    std::size_t pos = 0;
    auto next = [&] {
        const std::size_t end = std::min(text.find('\0', pos), text.size());
        std::string item = text.substr(pos, end - pos);
        pos = end + 1;
        return item;
    };
    while (pos < text.size()) {
        std::string source = next();
        if (source.empty())
            break;
        std::string target = pos < text.size() ? next() : std::string();
        operations.emplace_back(std::move(source), std::move(target));
    }
    return operations;
}

std::vector<std::pair<std::string, std::string>> ReadOperations(const RegKey& key)
{
    const auto value = key.QueryValue(kPendingValue);
    if (!value || (value->type != RegType::MultiSz && value->type != RegType::Binary))
        return {};
    return ParseOperations(value->data);
}

std::string FailureLine(const std::string& path)
{
    return "failed " + path + ": " + SystemMessage(GetLastError());
}

} // namespace

bool FileSystem::MoveFileDelayUntilReboot(std::string_view from, std::optional<std::string_view> to)
{
    Registry* registry = m_impl->RegistryOrNull();
    if (!registry)
        return Fail(ERROR_NOT_SUPPORTED);
    // HKLM: a user outside the Administrators group gets ERROR_ACCESS_DENIED here, as on Windows.
    auto key = registry->Create(HKEY_LOCAL_MACHINE, kSessionManager);
    if (!key)
        return false;
    std::vector<std::string> operations;
    for (auto& [source, target] : ReadOperations(*key)) {
        operations.push_back(std::move(source));
        operations.push_back(std::move(target));
    }
    operations.push_back(std::string(kNtPrefix) + FullPath(from));
    operations.push_back(to ? std::string(kNtPrefix) + FullPath(*to) : std::string());
    if (!key->SetMultiString(kPendingValue, operations))
        return false;
    SetLastError(ERROR_SUCCESS);
    return true;
}

std::vector<std::string> FileSystem::ApplyPendingFileRenameOperations()
{
    std::vector<std::string> lines;
    Registry* registry = m_impl->RegistryOrNull();
    if (!registry)
        return lines;
    auto key = registry->Create(HKEY_LOCAL_MACHINE, kSessionManager);
    if (!key || !key->HasValue(kPendingValue))
        return lines;
    for (const auto& [rawSource, rawTarget] : ReadOperations(*key)) {
        const std::string source = WithoutNtPrefix(rawSource);
        const std::string target = WithoutNtPrefix(rawTarget);
        if (target.empty()) {
            // At boot nothing holds the file open and the read-only attribute does not stop the
            // session manager; an empty folder goes too.
            const bool done = DirectoryExists(source) ? RemoveDirectory(source) : m_impl->DeleteFile(source, true);
            lines.push_back(done ? "deleted " + source : FailureLine(source));
            continue;
        }
        const auto from = m_impl->Resolve(source);
        const auto to = m_impl->Resolve(target);
        bool done = false;
        if (from && !from->exists)
            Impl::FailMissing(*from);
        else if (from && to && !to->parentExists)
            SetLastError(ERROR_PATH_NOT_FOUND);
        else if (from && to && from->drive == to->drive)
            done = m_impl->RenameHost(*from, to->host, to->exists ? &*to : nullptr);
        else if (from && to)
            done = (!to->exists || m_impl->DeleteFile(target, true)) && MoveFile(source, target);
        lines.push_back(done ? "renamed " + source + " -> " + target : FailureLine(source));
    }
    key->DeleteValue(kPendingValue);
    return lines;
}

} // namespace lumexa::platform
