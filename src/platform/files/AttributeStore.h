#pragma once

#include <memory>
#include <optional>
#include <string>

#include <sys/types.h>

struct sqlite3;

// Where the host file system refuses extended attributes, the DOS records live in a small
// SQLite table beside the drive instead, keyed by host path. The inode is stored with each
// record so that a file deleted and re-created behind the layer does not inherit the record.
namespace lumexa::platform::files {

class AttributeStore
{
public:
    // Opens (creating when missing) the store; an empty path keeps it in memory. nullptr when
    // the database cannot be opened.
    static std::unique_ptr<AttributeStore> Open(const std::string& hostPath);
    ~AttributeStore();
    AttributeStore(const AttributeStore&) = delete;
    AttributeStore& operator=(const AttributeStore&) = delete;

    std::optional<std::string> Get(const std::string& hostPath, ino_t inode) const;
    void Put(const std::string& hostPath, ino_t inode, const std::string& record);
    // Drops the records of a path and of everything below it.
    void Remove(const std::string& hostPath);
    // Moves the records of a path and of everything below it (a renamed folder).
    void Rename(const std::string& from, const std::string& to);

private:
    explicit AttributeStore(sqlite3* db);
    bool Execute(const char* sql, const std::string& first, const std::string& second = {}) const;

    sqlite3* m_db;
};

} // namespace lumexa::platform::files
