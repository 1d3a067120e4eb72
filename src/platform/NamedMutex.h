#pragma once

#include <memory>
#include <string>
#include <string_view>

// A named mutex scoped to one machine ("LumexaMUTEX"): an exclusive lock on a file in the
// machine's state folder, held for the life of the object and dropped by the kernel when the
// process dies, as Windows abandons a mutex. Tests on different machines never see each other.
namespace lumexa::platform {

class Machine;

class NamedMutex
{
public:
    // `alreadyExisted` is true when another process (or object) holds the name; the returned
    // object then owns nothing. nullptr when the lock file cannot be made.
    static std::unique_ptr<NamedMutex> Create(Machine& machine, std::string_view name, bool& alreadyExisted);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    bool Owned() const { return m_owned; }

private:
    NamedMutex(int fd, bool owned);
    int m_fd;
    bool m_owned;
};

} // namespace lumexa::platform
