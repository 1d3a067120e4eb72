#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Machine.h"
#include "support/TempDir.h"

namespace lumexa::test {

// A throwaway machine per test: created in a temporary folder (Windows XP by default, a
// 64 MiB drive C:, the clock fixed at 2009-10-30 17:05:09), made the current machine, and
// removed after the test.
class MachineTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Recreates the machine with other options (e.g. another Windows version).
    void RecreateMachine(const platform::CreateOptions& options);

    platform::Machine& machine() { return *m_machine; }
    const TempDir& tempDir() const { return m_dir; }
    // Host path of a Windows path on the machine.
    std::string HostPath(const std::string& windowsPath);
    // Writes a file on the machine (folders created as needed) and reads one back.
    void WriteFile(const std::string& windowsPath, const std::string& contents);
    std::string ReadFile(const std::string& windowsPath);
    bool Exists(const std::string& windowsPath);
    // The names in a folder of the machine, in listing order, "." and ".." left out.
    std::vector<std::string> Names(const std::string& folder);

private:
    TempDir m_dir;
    std::shared_ptr<platform::Machine> m_machine;
};

} // namespace lumexa::test
