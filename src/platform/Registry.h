#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

// The machine's registry: five stored roots (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
// HKEY_USERS, HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG) kept in one SQLite database in WAL mode.
// Each write is one transaction, so a value written by any thread or process is seen by the
// next read anywhere. Key and value names are case-insensitive and case-preserving; a key
// path may begin with "\". Failing calls return false / nullptr / nullopt and set the
// thread's last error to Windows' code.
namespace lumexa::platform {

enum class RegType : std::uint32_t
{
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiSz = 7,
    ResourceList = 8,
    FullResourceDescriptor = 9,
    ResourceRequirementsList = 10,
    Qword = 11,
};

// Outcome of a typed read: the program's settings store treats anything but Ok as absent,
// while callers that must report a registry error tell the three apart.
enum class RegRead
{
    Ok,
    Missing,
    WrongType,
};

struct RegValue
{
    std::string name;
    RegType type = RegType::None;
    std::vector<std::uint8_t> data; // raw bytes as Windows stores them (strings: UTF-8 with NUL)
    friend bool operator==(const RegValue&, const RegValue&) = default;
};

class Registry;

// An open key. Handles are cheap, never shared between threads, and see every change made
// through other handles (there is no per-handle cache). A key deleted under an open handle
// makes further calls fail with ERROR_KEY_DELETED.
class RegKey
{
public:
    ~RegKey();
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY Root() const { return m_root; }
    // The key's path below its root as stored (case preserved, no leading "\").
    const std::string& Path() const { return m_path; }
    bool Writable() const { return m_writable; }

    bool HasValue(std::string_view name) const;
    std::optional<RegValue> QueryValue(std::string_view name) const;

    // Typed reads. REG_DWORD must be exactly 4 bytes and REG_QWORD 8; strings read REG_SZ and
    // REG_EXPAND_SZ (without the terminating NUL); binary reads REG_BINARY of any size.
    RegRead GetDword(std::string_view name, std::uint32_t& value) const;
    RegRead GetQword(std::string_view name, std::uint64_t& value) const;
    RegRead GetString(std::string_view name, std::string& value) const;
    RegRead GetMultiString(std::string_view name, std::vector<std::string>& value) const;
    RegRead GetBinary(std::string_view name, std::vector<std::uint8_t>& value) const;

    // Writes replace an existing value of the same name (any case) in place, keeping its
    // position among the values and the stored spelling of its name.
    bool SetValue(std::string_view name, RegType type, std::span<const std::uint8_t> data);
    bool SetDword(std::string_view name, std::uint32_t value);
    bool SetQword(std::string_view name, std::uint64_t value);
    bool SetString(std::string_view name, std::string_view value, RegType type = RegType::Sz);
    bool SetMultiString(std::string_view name, const std::vector<std::string>& value);
    bool SetBinary(std::string_view name, std::span<const std::uint8_t> value);
    bool DeleteValue(std::string_view name);

    // Value names in creation order; subkey names in case-insensitive name order.
    std::vector<std::string> ValueNames() const;
    std::vector<RegValue> Values() const;
    std::vector<std::string> SubKeyNames() const;

    // Relative operations; `subKey` must not be empty.
    std::unique_ptr<RegKey> OpenSubKey(std::string_view subKey, bool writable = false) const;
    std::unique_ptr<RegKey> CreateSubKey(std::string_view subKey);
    bool DeleteSubKeyTree(std::string_view subKey);

private:
    friend class Registry;
    RegKey(const Registry& registry, HKEY root, std::int64_t id, std::string path, bool writable);

    const Registry& m_registry;
    HKEY m_root;
    std::int64_t m_id;
    std::string m_path;
    bool m_writable;
};

class Registry
{
public:
    // Opens (creating when missing) the registry database at a host path. Returns nullptr and
    // fills `error` when the file cannot be opened or is not a registry database.
    static std::unique_ptr<Registry> OpenDatabase(const std::string& hostPath, std::string* error = nullptr);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Emulates a user outside the Administrators group: writes below HKEY_LOCAL_MACHINE fail
    // with ERROR_ACCESS_DENIED.
    void SetAdministrator(bool administrator);

    // RegOpenKeyEx: fails with ERROR_FILE_NOT_FOUND when the key does not exist. An empty
    // path opens the root itself.
    std::unique_ptr<RegKey> Open(HKEY root, std::string_view path, bool writable = false) const;
    // RegCreateKeyEx: opens for writing, creating every missing level.
    std::unique_ptr<RegKey> Create(HKEY root, std::string_view path);
    bool KeyExists(HKEY root, std::string_view path) const;

    // SHDeleteKeyA: the key with its whole subtree. An empty or blank path is refused with
    // ERROR_INVALID_PARAMETER: it would empty a whole root.
    bool DeleteKey(HKEY root, std::string_view path);
    // SHDeleteValueA: opens the key and deletes one value.
    bool DeleteValue(HKEY root, std::string_view path, std::string_view name);

    // REGEDIT4 text. Import applies the whole file in one transaction or nothing: a file that
    // does not parse is rejected with the (1-based) line number and a reason.
    struct ImportResult
    {
        bool ok = false;
        int line = 0;
        std::string error;
    };
    ImportResult ImportReg(std::string_view text);
    // Exports one key with its subtree, or every root when `root` is 0. Lines end in CR LF.
    std::optional<std::string> ExportReg(HKEY root = 0, std::string_view path = {}) const;

    // "HKEY_LOCAL_MACHINE", "HKLM", ... (any case) to the root handle; nullopt when unknown.
    static std::optional<HKEY> RootFromName(std::string_view name);
    // The full name of a root ("HKEY_CURRENT_USER"); empty for an unknown handle.
    static std::string RootName(HKEY root);
    // Splits "HKCU\Software\X" into root and path; nullopt when the root name is unknown.
    static std::optional<std::pair<HKEY, std::string>> SplitKeyName(std::string_view fullName);

    class Impl;

private:
    friend class RegKey;
    explicit Registry(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace lumexa::platform
