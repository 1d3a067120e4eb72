#include "platform/Clipboard.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

#include "platform/LastError.h"
#include "platform/Machine.h"

namespace lumexa::platform {

namespace {

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t put = ::write(fd, data.data(), data.size());
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

} // namespace

Clipboard::Clipboard(const Machine& machine)
    : m_path(machine.StateFolder() + "/clipboard")
{}

bool Clipboard::SetText(std::string_view text)
{
    // A temporary name of its own per writer: two writers never share a half-written file, and
    // the last rename wins, as the last SetClipboardData does.
    std::string temp = m_path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return FailErrno(true);
    if (!WriteAll(fd, text) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        errno = error;
        return FailErrno();
    }
    if (::close(fd) != 0 || ::rename(temp.c_str(), m_path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
        return FailErrno();
    }
    return true;
}

std::optional<std::string> Clipboard::GetText() const
{
    std::ifstream in(m_path, std::ios::binary);
    if (!in) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        SetLastError(ERROR_READ_FAULT);
        return std::nullopt;
    }
    return text;
}

bool Clipboard::HasData() const
{
    return ::access(m_path.c_str(), F_OK) == 0;
}

bool Clipboard::Empty()
{
    if (::unlink(m_path.c_str()) == 0 || errno == ENOENT)
        return true;
    return FailErrno();
}

} // namespace lumexa::platform
