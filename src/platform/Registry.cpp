#include "platform/Registry.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <map>
#include <mutex>
#include <new>
#include <span>
#include <tuple>
#include <utility>

#include <sqlite3.h>

#include "platform/LastError.h"
#include "platform/RegFile.h"
#include "platform/Text.h"

// Storage: one SQLite database in WAL mode.
//   keys(id, parent, name, fold)   parent is NULL for the five roots (ids 1-4 and 6); `fold`
//                                  is FoldCase(name) and unique below a parent.
//   vals(id, key, name, fold, type, data)   creation order is the rowid order; an overwrite
//                                  updates the row in place so it keeps position and name.
// Key ids are AUTOINCREMENT, never reused, so a handle to a deleted key cannot find a newer
// key with the same id: every call through a handle first checks its id is still there.
namespace lumexa::platform {

namespace {

constexpr std::int32_t kApplicationId = 0x4C6D5267; // "LmRg"
constexpr std::int64_t kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 5000;

struct RootInfo
{
    HKEY handle;
    const char* name;
    const char* shortName; // nullptr: only the full name
    std::int64_t id;       // 0: no store
};

constexpr RootInfo kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR", 1},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU", 2},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM", 3},
    {HKEY_USERS, "HKEY_USERS", "HKU", 4},
    {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA", nullptr, 0},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC", 6},
    {HKEY_DYN_DATA, "HKEY_DYN_DATA", nullptr, 0},
};

const RootInfo* FindRoot(HKEY root)
{
    for (const RootInfo& info : kRoots)
        if (info.handle == root)
            return &info;
    return nullptr;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

// Internal failure carrying the Win32 code; caught at every public entry point.
struct Win32Failure
{
    std::uint32_t code;
};

[[noreturn]] void Throw(std::uint32_t code)
{
    throw Win32Failure{code};
}

std::uint32_t Win32FromSqlite(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_BADDB;
    case SQLITE_TOOBIG:
        return ERROR_INVALID_PARAMETER;
    case SQLITE_CANTOPEN:
        return ERROR_CANTOPEN;
    default:
        return ERROR_CANTWRITE;
    }
}

const sqlite3_destructor_type kTransient = reinterpret_cast<sqlite3_destructor_type>(static_cast<std::intptr_t>(-1));

// A cached prepared statement in use; reset (and its bindings cleared) when it goes, so no
// read transaction is left open between calls.
class Statement
{
public:
    explicit Statement(sqlite3_stmt* statement)
        : m_statement(statement)
    {}
    ~Statement()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, std::int64_t value)
    {
        Check(sqlite3_bind_int64(m_statement, index, value));
        return *this;
    }
    Statement& BindText(int index, std::string_view text)
    {
        Check(sqlite3_bind_text64(
            m_statement, index, text.empty() ? "" : text.data(), text.size(), kTransient, SQLITE_UTF8));
        return *this;
    }
    Statement& BindBlob(int index, std::span<const std::uint8_t> data)
    {
        static const std::uint8_t empty = 0;
        Check(sqlite3_bind_blob64(m_statement, index, data.empty() ? &empty : data.data(), data.size(), kTransient));
        return *this;
    }
    // True for a row, false when done.
    bool Step()
    {
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        Throw(Win32FromSqlite(rc));
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(m_statement, column); }
    std::string Text(int column) const
    {
        const auto* text = sqlite3_column_text(m_statement, column);
        const int size = sqlite3_column_bytes(m_statement, column);
        return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
    }
    std::vector<std::uint8_t> Blob(int column) const
    {
        const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_statement, column));
        const int size = sqlite3_column_bytes(m_statement, column);
        return data ? std::vector<std::uint8_t>(data, data + size) : std::vector<std::uint8_t>();
    }

private:
    static void Check(int rc)
    {
        if (rc != SQLITE_OK)
            Throw(Win32FromSqlite(rc));
    }
    sqlite3_stmt* m_statement;
};

std::vector<std::uint8_t> StringBytes(std::string_view text)
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

std::string JoinPath(std::string_view base, std::string_view name)
{
    std::string path(base);
    if (!path.empty())
        path += '\\';
    path += name;
    return path;
}

bool IsBlankPath(std::string_view path)
{
    for (const char c : path)
        if (c != ' ' && c != '\\')
            return false;
    return true;
}

struct ChildKey
{
    std::int64_t id;
    std::string name;
};

} // namespace

class Registry::Impl
{
public:
    ~Impl()
    {
        for (auto& entry : m_cache)
            sqlite3_finalize(entry.second);
        sqlite3_close(m_db);
    }

    sqlite3* m_db = nullptr;
    std::mutex m_mutex;
    std::atomic<bool> m_admin{true};
    std::map<const char*, sqlite3_stmt*> m_cache; // by the address of the SQL literal

    // Runs `body` under the connection's lock; a Win32Failure (or a failed allocation)
    // becomes the thread's last error and `failed` is returned.
    template <typename Result, typename Body> Result Run(Result failed, Body&& body)
    {
        try {
            std::lock_guard<std::mutex> lock(m_mutex);
            return body();
        } catch (const Win32Failure& failure) {
            SetLastError(failure.code);
        } catch (const std::bad_alloc&) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        }
        return failed;
    }

    Statement Prepare(const char* sql)
    {
        auto found = m_cache.find(sql);
        if (found == m_cache.end()) {
            sqlite3_stmt* statement = nullptr;
            const int rc = sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
            if (rc != SQLITE_OK)
                Throw(Win32FromSqlite(rc));
            found = m_cache.emplace(sql, statement).first;
        }
        return Statement(found->second);
    }

    void Exec(const char* sql)
    {
        const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            Throw(Win32FromSqlite(rc));
    }

    // BEGIN IMMEDIATE .. COMMIT; rolled back unless committed.
    class WriteTransaction
    {
    public:
        explicit WriteTransaction(Impl& impl)
            : m_impl(impl)
        {
            impl.Exec("BEGIN IMMEDIATE");
        }
        ~WriteTransaction()
        {
            if (!m_done)
                sqlite3_exec(m_impl.m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        WriteTransaction(const WriteTransaction&) = delete;
        WriteTransaction& operator=(const WriteTransaction&) = delete;
        void Commit()
        {
            m_impl.Exec("COMMIT");
            m_done = true;
        }

    private:
        Impl& m_impl;
        bool m_done = false;
    };

    // A consistent snapshot for multi-statement reads (export).
    class ReadTransaction
    {
    public:
        explicit ReadTransaction(Impl& impl)
            : m_impl(impl)
        {
            impl.Exec("BEGIN");
        }
        ~ReadTransaction() { sqlite3_exec(m_impl.m_db, "COMMIT", nullptr, nullptr, nullptr); }
        ReadTransaction(const ReadTransaction&) = delete;
        ReadTransaction& operator=(const ReadTransaction&) = delete;

    private:
        Impl& m_impl;
    };

    // ---- Checks ----

    static std::int64_t RootId(HKEY root)
    {
        const RootInfo* info = FindRoot(root);
        if (!info)
            Throw(ERROR_INVALID_HANDLE);
        if (info->id == 0)
            Throw(ERROR_FILE_NOT_FOUND);
        return info->id;
    }

    void CheckWrite(HKEY root) const
    {
        if (root == HKEY_LOCAL_MACHINE && !m_admin.load())
            Throw(ERROR_ACCESS_DENIED);
    }

    static std::vector<std::string_view> SplitPath(std::string_view path)
    {
        std::vector<std::string_view> parts;
        if (!regfile::SplitKeyPath(path, parts))
            Throw(ERROR_INVALID_PARAMETER);
        return parts;
    }

    static void CheckValueName(std::string_view name)
    {
        if (!regfile::ValidValueName(name))
            Throw(ERROR_INVALID_PARAMETER);
    }

    bool KeyAlive(std::int64_t id)
    {
        Statement statement = Prepare("SELECT 1 FROM keys WHERE id = ?1");
        statement.Bind(1, id);
        return statement.Step();
    }

    void CheckAlive(std::int64_t id)
    {
        if (!KeyAlive(id))
            Throw(ERROR_KEY_DELETED);
    }

    // ---- Keys ----

    std::optional<ChildKey> FindChild(std::int64_t parent, std::string_view name)
    {
        Statement statement = Prepare("SELECT id, name FROM keys WHERE parent = ?1 AND fold = ?2");
        statement.Bind(1, parent).BindText(2, FoldCase(name));
        if (!statement.Step())
            return std::nullopt;
        return ChildKey{statement.Int(0), statement.Text(1)};
    }

    std::int64_t InsertKey(std::int64_t parent, std::string_view name)
    {
        Statement statement = Prepare("INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
        statement.Bind(1, parent).BindText(2, name).BindText(3, FoldCase(name));
        statement.Step();
        return sqlite3_last_insert_rowid(m_db);
    }

    // Walks `parts` below `start` whose stored path is `basePath`. Missing levels are created
    // when `create`, else the walk fails with ERROR_FILE_NOT_FOUND.
    ChildKey Walk(std::int64_t start, std::string basePath, const std::vector<std::string_view>& parts, bool create)
    {
        ChildKey current{start, std::move(basePath)};
        for (const std::string_view part : parts) {
            std::optional<ChildKey> child = FindChild(current.id, part);
            if (!child) {
                if (!create)
                    Throw(ERROR_FILE_NOT_FOUND);
                child = ChildKey{InsertKey(current.id, part), std::string(part)};
            }
            current.id = child->id;
            current.name = JoinPath(current.name, child->name);
        }
        return current;
    }

    void DeleteTree(std::int64_t id)
    {
        {
            Statement statement = Prepare(
                "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id) "
                "DELETE FROM vals WHERE key IN sub");
            statement.Bind(1, id);
            statement.Step();
        }
        Statement statement = Prepare(
            "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id) "
            "DELETE FROM keys WHERE id IN sub");
        statement.Bind(1, id);
        statement.Step();
    }

    std::vector<ChildKey> SubKeys(std::int64_t id)
    {
        Statement statement = Prepare("SELECT id, name FROM keys WHERE parent = ?1 ORDER BY fold, name");
        statement.Bind(1, id);
        std::vector<ChildKey> children;
        while (statement.Step())
            children.push_back(ChildKey{statement.Int(0), statement.Text(1)});
        return children;
    }

    // ---- Values ----

    std::optional<RegValue> FindValue(std::int64_t key, std::string_view name)
    {
        Statement statement = Prepare("SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2");
        statement.Bind(1, key).BindText(2, FoldCase(name));
        if (!statement.Step())
            return std::nullopt;
        RegValue value;
        value.name = statement.Text(0);
        value.type = static_cast<RegType>(static_cast<std::uint32_t>(statement.Int(1)));
        value.data = statement.Blob(2);
        return value;
    }

    // The value, or a failure: ERROR_FILE_NOT_FOUND, or ERROR_KEY_DELETED for a deleted key.
    RegValue ReadValue(std::int64_t key, std::string_view name)
    {
        std::optional<RegValue> value = FindValue(key, name);
        if (value)
            return std::move(*value);
        CheckAlive(key);
        Throw(ERROR_FILE_NOT_FOUND);
    }

    void UpsertValue(std::int64_t key, std::string_view name, RegType type, std::span<const std::uint8_t> data)
    {
        Statement statement =
            Prepare("INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                    "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
        statement.Bind(1, key)
            .BindText(2, name)
            .BindText(3, FoldCase(name))
            .Bind(4, static_cast<std::int64_t>(static_cast<std::uint32_t>(type)))
            .BindBlob(5, data);
        statement.Step();
    }

    bool RemoveValue(std::int64_t key, std::string_view name)
    {
        Statement statement = Prepare("DELETE FROM vals WHERE key = ?1 AND fold = ?2");
        statement.Bind(1, key).BindText(2, FoldCase(name));
        statement.Step();
        return sqlite3_changes(m_db) > 0;
    }

    std::vector<RegValue> AllValues(std::int64_t key)
    {
        Statement statement = Prepare("SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id");
        statement.Bind(1, key);
        std::vector<RegValue> values;
        while (statement.Step()) {
            RegValue value;
            value.name = statement.Text(0);
            value.type = static_cast<RegType>(static_cast<std::uint32_t>(statement.Int(1)));
            value.data = statement.Blob(2);
            values.push_back(std::move(value));
        }
        return values;
    }

    // ---- Handle operations (locked by the caller through Run) ----

    void WriteValue(HKEY root,
                    std::int64_t key,
                    bool writable,
                    std::string_view name,
                    RegType type,
                    std::span<const std::uint8_t> data)
    {
        if (!writable)
            Throw(ERROR_ACCESS_DENIED);
        CheckWrite(root);
        CheckValueName(name);
        if (data.size() > static_cast<std::size_t>(INT_MAX))
            Throw(ERROR_INVALID_PARAMETER);
        WriteTransaction transaction(*this);
        CheckAlive(key);
        UpsertValue(key, name, type, data);
        transaction.Commit();
    }

    // ---- Open / schema ----

    // Returns an empty string on success, else the reason.
    std::string Initialise()
    {
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        sqlite3_extended_result_codes(m_db, 1);
        try {
            auto state = [this]() {
                std::int64_t applicationId = 0;
                std::int64_t version = 0;
                std::int64_t objects = 0;
                {
                    Statement statement = Prepare("PRAGMA application_id");
                    if (statement.Step())
                        applicationId = statement.Int(0);
                }
                {
                    Statement statement = Prepare("PRAGMA user_version");
                    if (statement.Step())
                        version = statement.Int(0);
                }
                {
                    Statement statement = Prepare("SELECT count(*) FROM sqlite_master");
                    if (statement.Step())
                        objects = statement.Int(0);
                }
                return std::make_tuple(applicationId, version, objects);
            };
            auto [applicationId, version, objects] = state();
            if (applicationId != kApplicationId && !(applicationId == 0 && objects == 0))
                return "not a registry database";
            if (applicationId == kApplicationId && version > kSchemaVersion)
                return "the registry database was written by a newer version";

            {
                Statement statement = Prepare("PRAGMA journal_mode = WAL");
                statement.Step();
            }
            Exec("PRAGMA synchronous = NORMAL");

            if (applicationId == 0) {
                WriteTransaction transaction(*this);
                std::tie(applicationId, version, objects) = state(); // another process may have won
                if (applicationId == 0 && objects == 0) {
                    Exec("CREATE TABLE keys("
                         " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                         " parent INTEGER,"
                         " name TEXT NOT NULL,"
                         " fold TEXT NOT NULL,"
                         " UNIQUE(parent, fold));"
                         "CREATE TABLE vals("
                         " id INTEGER PRIMARY KEY,"
                         " key INTEGER NOT NULL,"
                         " name TEXT NOT NULL,"
                         " fold TEXT NOT NULL,"
                         " type INTEGER NOT NULL,"
                         " data BLOB NOT NULL,"
                         " UNIQUE(key, fold));");
                    for (const RootInfo& info : kRoots) {
                        if (info.id == 0)
                            continue;
                        Statement statement =
                            Prepare("INSERT INTO keys(id, parent, name, fold) VALUES(?1, NULL, ?2, ?2)");
                        statement.Bind(1, info.id).BindText(2, info.name);
                        statement.Step();
                    }
                    Exec("PRAGMA application_id = 1282232935; PRAGMA user_version = 1");
                } else if (applicationId != kApplicationId) {
                    return "not a registry database";
                }
                transaction.Commit();
            }
            for (const RootInfo& info : kRoots)
                if (info.id != 0 && !KeyAlive(info.id))
                    return "the registry database is damaged: a root key is missing";
        } catch (const Win32Failure&) {
            const int rc = sqlite3_errcode(m_db);
            if ((rc & 0xFF) == SQLITE_NOTADB)
                return "not a registry database";
            return sqlite3_errmsg(m_db);
        }
        return {};
    }
};

static_assert(kApplicationId == 1282232935, "the CREATE statement spells the application id out");

// ---- RegKey ------------------------------------------------------------------------------

RegKey::RegKey(const Registry& registry, HKEY root, std::int64_t id, std::string path, bool writable)
    : m_registry(registry)
    , m_root(root)
    , m_id(id)
    , m_path(std::move(path))
    , m_writable(writable)
{}

RegKey::~RegKey() = default;

bool RegKey::HasValue(std::string_view name) const
{
    Registry::Impl& impl = *m_registry.m_impl;
    return impl.Run(false, [&] {
        impl.ReadValue(m_id, name);
        return true;
    });
}

std::optional<RegValue> RegKey::QueryValue(std::string_view name) const
{
    Registry::Impl& impl = *m_registry.m_impl;
    return impl.Run(std::optional<RegValue>(), [&] { return std::optional<RegValue>(impl.ReadValue(m_id, name)); });
}

RegRead RegKey::GetDword(std::string_view name, std::uint32_t& value) const
{
    const std::optional<RegValue> stored = QueryValue(name);
    if (!stored)
        return RegRead::Missing;
    if (stored->type != RegType::Dword || stored->data.size() != 4) {
        SetLastError(ERROR_INVALID_DATA);
        return RegRead::WrongType;
    }
    value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | stored->data[static_cast<std::size_t>(i)];
    return RegRead::Ok;
}

RegRead RegKey::GetQword(std::string_view name, std::uint64_t& value) const
{
    const std::optional<RegValue> stored = QueryValue(name);
    if (!stored)
        return RegRead::Missing;
    if (stored->type != RegType::Qword || stored->data.size() != 8) {
        SetLastError(ERROR_INVALID_DATA);
        return RegRead::WrongType;
    }
    value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | stored->data[static_cast<std::size_t>(i)];
    return RegRead::Ok;
}

RegRead RegKey::GetString(std::string_view name, std::string& value) const
{
    const std::optional<RegValue> stored = QueryValue(name);
    if (!stored)
        return RegRead::Missing;
    if (stored->type != RegType::Sz && stored->type != RegType::ExpandSz) {
        SetLastError(ERROR_INVALID_DATA);
        return RegRead::WrongType;
    }
    const auto* text = reinterpret_cast<const char*>(stored->data.data());
    std::size_t length = 0;
    while (length < stored->data.size() && text[length] != '\0')
        ++length;
    value.assign(text, length);
    return RegRead::Ok;
}

RegRead RegKey::GetMultiString(std::string_view name, std::vector<std::string>& value) const
{
    const std::optional<RegValue> stored = QueryValue(name);
    if (!stored)
        return RegRead::Missing;
    if (stored->type != RegType::MultiSz) {
        SetLastError(ERROR_INVALID_DATA);
        return RegRead::WrongType;
    }
    value.clear();
    const auto* text = reinterpret_cast<const char*>(stored->data.data());
    const std::size_t size = stored->data.size();
    std::size_t pos = 0;
    while (pos < size) {
        std::size_t end = pos;
        while (end < size && text[end] != '\0')
            ++end;
        if (end == pos)
            break; // the empty string that ends the list
        value.emplace_back(text + pos, end - pos);
        pos = end + 1;
    }
    return RegRead::Ok;
}

RegRead RegKey::GetBinary(std::string_view name, std::vector<std::uint8_t>& value) const
{
    std::optional<RegValue> stored = QueryValue(name);
    if (!stored)
        return RegRead::Missing;
    if (stored->type != RegType::Binary) {
        SetLastError(ERROR_INVALID_DATA);
        return RegRead::WrongType;
    }
    value = std::move(stored->data);
    return RegRead::Ok;
}

bool RegKey::SetValue(std::string_view name, RegType type, std::span<const std::uint8_t> data)
{
    Registry::Impl& impl = *m_registry.m_impl;
    return impl.Run(false, [&] {
        impl.WriteValue(m_root, m_id, m_writable, name, type, data);
        return true;
    });
}

bool RegKey::SetDword(std::string_view name, std::uint32_t value)
{
    std::uint8_t data[4];
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return SetValue(name, RegType::Dword, data);
}

bool RegKey::SetQword(std::string_view name, std::uint64_t value)
{
    std::uint8_t data[8];
    for (int i = 0; i < 8; ++i)
        data[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return SetValue(name, RegType::Qword, data);
}

bool RegKey::SetString(std::string_view name, std::string_view value, RegType type)
{
    return SetValue(name, type, StringBytes(value));
}

bool RegKey::SetMultiString(std::string_view name, const std::vector<std::string>& value)
{
    std::vector<std::uint8_t> data;
    for (const std::string& item : value) {
        data.insert(data.end(), item.begin(), item.end());
        data.push_back(0);
    }
    data.push_back(0);
    return SetValue(name, RegType::MultiSz, data);
}

bool RegKey::SetBinary(std::string_view name, std::span<const std::uint8_t> value)
{
    return SetValue(name, RegType::Binary, value);
}

bool RegKey::DeleteValue(std::string_view name)
{
    Registry::Impl& impl = *m_registry.m_impl;
    return impl.Run(false, [&] {
        if (!m_writable)
            Throw(ERROR_ACCESS_DENIED);
        impl.CheckWrite(m_root);
        Registry::Impl::WriteTransaction transaction(impl);
        impl.CheckAlive(m_id);
        if (!impl.RemoveValue(m_id, name))
            Throw(ERROR_FILE_NOT_FOUND);
        transaction.Commit();
        return true;
    });
}

std::vector<std::string> RegKey::ValueNames() const
{
    std::vector<std::string> names;
    for (RegValue& value : Values())
        names.push_back(std::move(value.name));
    return names;
}

std::vector<RegValue> RegKey::Values() const
{
    Registry::Impl& impl = *m_registry.m_impl;
    return impl.Run(std::vector<RegValue>(), [&] {
        std::vector<RegValue> values = impl.AllValues(m_id);
        if (values.empty())
            impl.CheckAlive(m_id);
        SetLastError(ERROR_SUCCESS);
        return values;
    });
}

std::vector<std::string> RegKey::SubKeyNames() const
{
    Registry::Impl& impl = *m_registry.m_impl;
    return impl.Run(std::vector<std::string>(), [&] {
        std::vector<std::string> names;
        for (ChildKey& child : impl.SubKeys(m_id))
            names.push_back(std::move(child.name));
        if (names.empty())
            impl.CheckAlive(m_id);
        SetLastError(ERROR_SUCCESS);
        return names;
    });
}

std::unique_ptr<RegKey> RegKey::OpenSubKey(std::string_view subKey, bool writable) const
{
    Registry::Impl& impl = *m_registry.m_impl;
    return impl.Run(std::unique_ptr<RegKey>(), [&] {
        const std::vector<std::string_view> parts = Registry::Impl::SplitPath(subKey);
        if (parts.empty())
            Throw(ERROR_INVALID_PARAMETER);
        impl.CheckAlive(m_id);
        ChildKey found = impl.Walk(m_id, m_path, parts, false);
        return std::unique_ptr<RegKey>(new RegKey(m_registry, m_root, found.id, std::move(found.name), writable));
    });
}

std::unique_ptr<RegKey> RegKey::CreateSubKey(std::string_view subKey)
{
    Registry::Impl& impl = *m_registry.m_impl;
    return impl.Run(std::unique_ptr<RegKey>(), [&] {
        const std::vector<std::string_view> parts = Registry::Impl::SplitPath(subKey);
        if (parts.empty())
            Throw(ERROR_INVALID_PARAMETER);
        if (!m_writable)
            Throw(ERROR_ACCESS_DENIED);
        impl.CheckWrite(m_root);
        Registry::Impl::WriteTransaction transaction(impl);
        impl.CheckAlive(m_id);
        ChildKey created = impl.Walk(m_id, m_path, parts, true);
        transaction.Commit();
        return std::unique_ptr<RegKey>(new RegKey(m_registry, m_root, created.id, std::move(created.name), true));
    });
}

bool RegKey::DeleteSubKeyTree(std::string_view subKey)
{
    Registry::Impl& impl = *m_registry.m_impl;
    return impl.Run(false, [&] {
        if (IsBlankPath(subKey))
            Throw(ERROR_INVALID_PARAMETER);
        const std::vector<std::string_view> parts = Registry::Impl::SplitPath(subKey);
        if (!m_writable)
            Throw(ERROR_ACCESS_DENIED);
        impl.CheckWrite(m_root);
        Registry::Impl::WriteTransaction transaction(impl);
        impl.CheckAlive(m_id);
        const ChildKey found = impl.Walk(m_id, m_path, parts, false);
        impl.DeleteTree(found.id);
        transaction.Commit();
        return true;
    });
}

// ---- Registry ----------------------------------------------------------------------------

Registry::Registry(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{}

Registry::~Registry() = default;

std::unique_ptr<Registry> Registry::OpenDatabase(const std::string& hostPath, std::string* error)
{
    auto impl = std::make_unique<Impl>();
    const int rc = sqlite3_open_v2(
        hostPath.c_str(), &impl->m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = "cannot open " + hostPath + ": " + (impl->m_db ? sqlite3_errmsg(impl->m_db) : sqlite3_errstr(rc));
        SetLastError(Win32FromSqlite(rc));
        return nullptr;
    }
    const std::string reason = impl->Initialise();
    if (!reason.empty()) {
        if (error)
            *error = hostPath + ": " + reason;
        SetLastError(ERROR_BADDB);
        return nullptr;
    }
    return std::unique_ptr<Registry>(new Registry(std::move(impl)));
}

void Registry::SetAdministrator(bool administrator)
{
    m_impl->m_admin.store(administrator);
}

std::unique_ptr<RegKey> Registry::Open(HKEY root, std::string_view path, bool writable) const
{
    Impl& impl = *m_impl;
    return impl.Run(std::unique_ptr<RegKey>(), [&] {
        const std::int64_t rootId = Impl::RootId(root);
        const std::vector<std::string_view> parts = Impl::SplitPath(path);
        ChildKey found = impl.Walk(rootId, std::string(), parts, false);
        return std::unique_ptr<RegKey>(new RegKey(*this, root, found.id, std::move(found.name), writable));
    });
}

std::unique_ptr<RegKey> Registry::Create(HKEY root, std::string_view path)
{
    Impl& impl = *m_impl;
    return impl.Run(std::unique_ptr<RegKey>(), [&] {
        const std::int64_t rootId = Impl::RootId(root);
        const std::vector<std::string_view> parts = Impl::SplitPath(path);
        impl.CheckWrite(root);
        Impl::WriteTransaction transaction(impl);
        ChildKey created = impl.Walk(rootId, std::string(), parts, true);
        transaction.Commit();
        return std::unique_ptr<RegKey>(new RegKey(*this, root, created.id, std::move(created.name), true));
    });
}

bool Registry::KeyExists(HKEY root, std::string_view path) const
{
    return Open(root, path, false) != nullptr;
}

bool Registry::DeleteKey(HKEY root, std::string_view path)
{
    Impl& impl = *m_impl;
    return impl.Run(false, [&] {
        const std::int64_t rootId = Impl::RootId(root);
        if (IsBlankPath(path))
            Throw(ERROR_INVALID_PARAMETER);
        const std::vector<std::string_view> parts = Impl::SplitPath(path);
        Impl::WriteTransaction transaction(impl);
        const ChildKey found = impl.Walk(rootId, std::string(), parts, false);
        impl.CheckWrite(root);
        impl.DeleteTree(found.id);
        transaction.Commit();
        return true;
    });
}

bool Registry::DeleteValue(HKEY root, std::string_view path, std::string_view name)
{
    Impl& impl = *m_impl;
    return impl.Run(false, [&] {
        const std::int64_t rootId = Impl::RootId(root);
        const std::vector<std::string_view> parts = Impl::SplitPath(path);
        Impl::WriteTransaction transaction(impl);
        const ChildKey found = impl.Walk(rootId, std::string(), parts, false);
        impl.CheckWrite(root);
        if (!impl.RemoveValue(found.id, name))
            Throw(ERROR_FILE_NOT_FOUND);
        transaction.Commit();
        return true;
    });
}

Registry::ImportResult Registry::ImportReg(std::string_view text)
{
    regfile::ParseResult parsed = regfile::Parse(text);
    if (!parsed.ok) {
        SetLastError(ERROR_INVALID_DATA);
        return ImportResult{false, parsed.line, std::move(parsed.error)};
    }
    Impl& impl = *m_impl;
    int line = 0;
    std::string reason;
    const bool ok = impl.Run(false, [&] {
        Impl::WriteTransaction transaction(impl);
        HKEY currentRoot = 0;
        std::int64_t current = 0;
        for (const regfile::Op& op : parsed.ops) {
            line = op.line;
            switch (op.kind) {
            case regfile::OpKind::CreateKey: {
                reason = "cannot write below " + RootName(op.root);
                impl.CheckWrite(op.root);
                std::vector<std::string_view> parts;
                regfile::SplitKeyPath(op.path, parts);
                current = impl.Walk(Impl::RootId(op.root), std::string(), parts, true).id;
                currentRoot = op.root;
                break;
            }
            case regfile::OpKind::DeleteKey: {
                reason = "cannot delete below " + RootName(op.root);
                impl.CheckWrite(op.root);
                std::vector<std::string_view> parts;
                regfile::SplitKeyPath(op.path, parts);
                std::int64_t id = Impl::RootId(op.root);
                bool exists = true;
                for (const std::string_view part : parts) {
                    const std::optional<ChildKey> child = impl.FindChild(id, part);
                    if (!child) {
                        exists = false;
                        break;
                    }
                    id = child->id;
                }
                if (exists)
                    impl.DeleteTree(id);
                current = 0;
                break;
            }
            case regfile::OpKind::SetValue:
                reason = "cannot set a value below " + RootName(currentRoot);
                impl.UpsertValue(current, op.name, op.type, op.data);
                break;
            case regfile::OpKind::DeleteValue:
                reason = "cannot delete a value below " + RootName(currentRoot);
                impl.RemoveValue(current, op.name);
                break;
            }
        }
        line = 0;
        reason = "cannot commit the import";
        transaction.Commit();
        return true;
    });
    if (ok)
        return ImportResult{true, 0, {}};
    const std::uint32_t code = GetLastError();
    reason += ": " + SystemMessage(code);
    if (code == ERROR_ACCESS_DENIED)
        reason += " (not an administrator)";
    return ImportResult{false, line, std::move(reason)};
}

std::optional<std::string> Registry::ExportReg(HKEY root, std::string_view path) const
{
    Impl& impl = *m_impl;
    return impl.Run(std::optional<std::string>(), [&]() -> std::optional<std::string> {
        struct Pending
        {
            std::int64_t id;
            std::string fullName;
        };
        std::vector<Pending> stack;
        {
            Impl::ReadTransaction snapshot(impl);
            if (root == 0) {
                if (!path.empty())
                    Throw(ERROR_INVALID_PARAMETER);
                for (auto it = std::rbegin(kRoots); it != std::rend(kRoots); ++it)
                    if (it->id != 0)
                        stack.push_back(Pending{it->id, it->name});
            } else {
                const std::int64_t rootId = Impl::RootId(root);
                const ChildKey found = impl.Walk(rootId, std::string(), Impl::SplitPath(path), false);
                stack.push_back(
                    Pending{found.id, found.name.empty() ? RootName(root) : RootName(root) + "\\" + found.name});
            }
            regfile::Writer writer;
            while (!stack.empty()) {
                Pending next = std::move(stack.back());
                stack.pop_back();
                if (!writer.AddKey(next.fullName, impl.AllValues(next.id)))
                    Throw(ERROR_INVALID_DATA);
                std::vector<ChildKey> children = impl.SubKeys(next.id);
                for (auto it = children.rbegin(); it != children.rend(); ++it)
                    stack.push_back(Pending{it->id, next.fullName + "\\" + it->name});
            }
            return writer.Text();
        }
    });
}

std::optional<HKEY> Registry::RootFromName(std::string_view name)
{
    for (const RootInfo& info : kRoots)
        if (EqualsAsciiNoCase(name, info.name) || (info.shortName && EqualsAsciiNoCase(name, info.shortName)))
            return info.handle;
    return std::nullopt;
}

std::string Registry::RootName(HKEY root)
{
    const RootInfo* info = FindRoot(root);
    return info ? std::string(info->name) : std::string();
}

std::optional<std::pair<HKEY, std::string>> Registry::SplitKeyName(std::string_view fullName)
{
    const std::size_t at = fullName.find('\\');
    const std::optional<HKEY> root = RootFromName(fullName.substr(0, at));
    if (!root)
        return std::nullopt;
    return std::make_pair(*root, at == std::string_view::npos ? std::string() : std::string(fullName.substr(at + 1)));
}

} // namespace lumexa::platform
