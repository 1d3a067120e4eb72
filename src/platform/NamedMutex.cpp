#include "platform/NamedMutex.h"

#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/LastError.h"
#include "platform/Machine.h"

namespace lumexa::platform {

std::unique_ptr<NamedMutex> NamedMutex::Create(Machine& machine, std::string_view name, bool& alreadyExisted)
{
    alreadyExisted = false;
    const std::string folder = machine.StateFolder() + "/run";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::string file(name);
    for (char& c : file)
        if (c == '/' || c == '\\')
            c = '_';
    const int fd = ::open((folder + "/" + file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        FailErrno();
        return nullptr;
    }
    // flock locks belong to the open file description, so a second object in the same
    // process conflicts too.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        alreadyExisted = true;
        SetLastError(ERROR_ALREADY_EXISTS);
        return std::unique_ptr<NamedMutex>(new NamedMutex(fd, false));
    }
    return std::unique_ptr<NamedMutex>(new NamedMutex(fd, true));
}

NamedMutex::NamedMutex(int fd, bool owned)
    : m_fd(fd)
    , m_owned(owned)
{}

NamedMutex::~NamedMutex()
{
    ::close(m_fd);
}

} // namespace lumexa::platform
