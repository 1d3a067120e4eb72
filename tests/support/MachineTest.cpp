#include "support/MachineTest.h"

#include <filesystem>

#include "platform/FileSystem.h"

namespace lumexa::test {

namespace {
platform::CreateOptions DefaultOptions()
{
    platform::CreateOptions options;
    options.driveCapacity = 64ull << 20;
    options.fixedClock = platform::EncodeDateTime(2009, 10, 30, 17, 5, 9);
    return options;
}
} // namespace

void MachineTest::SetUp()
{
    RecreateMachine(DefaultOptions());
}

void MachineTest::TearDown()
{
    platform::Machine::SetCurrent(nullptr);
    m_machine.reset();
}

void MachineTest::RecreateMachine(const platform::CreateOptions& options)
{
    platform::Machine::SetCurrent(nullptr);
    m_machine.reset();
    const std::string root = m_dir.Path() + "/machine";
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    platform::CreateOptions chosen = options;
    if (!chosen.fixedClock)
        chosen.fixedClock = DefaultOptions().fixedClock;
    std::string error;
    m_machine = platform::Machine::Create(root, chosen, &error);
    ASSERT_TRUE(m_machine) << error;
    platform::Machine::SetCurrent(m_machine);
}

std::string MachineTest::HostPath(const std::string& windowsPath)
{
    return machine().Files().HostPath(windowsPath).value_or("");
}

void MachineTest::WriteFile(const std::string& windowsPath, const std::string& contents)
{
    auto& files = machine().Files();
    const std::size_t slash = windowsPath.rfind('\\');
    if (slash != std::string::npos && slash > 2) {
        ASSERT_TRUE(files.ForceDirectories(windowsPath.substr(0, slash))) << windowsPath;
    }
    ASSERT_TRUE(files.WriteWholeFileAtomic(windowsPath, contents)) << windowsPath;
}

std::string MachineTest::ReadFile(const std::string& windowsPath)
{
    return machine().Files().ReadWholeFile(windowsPath).value_or("");
}

bool MachineTest::Exists(const std::string& windowsPath)
{
    return machine().Files().FileExists(windowsPath) || machine().Files().DirectoryExists(windowsPath);
}

std::vector<std::string> MachineTest::Names(const std::string& folder)
{
    std::vector<std::string> names;
    auto find = machine().Files().FindFirstFile(folder + "\\*");
    if (!find)
        return names;
    do {
        if (find->Data().name != "." && find->Data().name != "..")
            names.push_back(find->Data().name);
    } while (find->Next());
    return names;
}

} // namespace lumexa::test
