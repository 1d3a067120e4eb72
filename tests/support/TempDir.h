#pragma once

#include <string>

namespace lumexa::test {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path() + "/" + relative.
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

private:
    std::string m_path;
};

// Host-side helpers for tests that prepare or inspect files behind the machine's back.
void WriteHostFile(const std::string& path, const std::string& contents);
std::string ReadHostFile(const std::string& path);

} // namespace lumexa::test
