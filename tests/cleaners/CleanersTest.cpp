#include "cleaners/Cleaners.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "cleaners/OfficeCleaner.h"
#include "cleaners/WindowsCleaner.h"
#include "core/GeneralCleanerThread.h"
#include "core/SecureCleaner.h"
#include "core/SettingsManager.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "support/MachineTest.h"

namespace lumexa::cleaners {
namespace {

class CleanersTest : public test::MachineTest
{
};

TEST_F(CleanersTest, InstallCleanersFillsTheWindowsAndOfficeSlots)
{
    InstallCleaners();

    ASSERT_TRUE(core::HasCleanerFactory(core::CleanerWindows));
    ASSERT_TRUE(core::HasCleanerFactory(core::CleanerOffice));
    core::TGeneralCleannerThread run(true, false);
    EXPECT_NE(dynamic_cast<TWindowsCleaner*>(run.Cleaner(core::CleanerWindows)), nullptr);
    EXPECT_NE(dynamic_cast<TOfficeCleaner*>(run.Cleaner(core::CleanerOffice)), nullptr);
}

TEST_F(CleanersTest, AnEraseRunKeepsItsWindowCopyInTheSweptTemporaryFolder)
{
    InstallCleaners();
    const std::string temp = machine().Shell().TempPath();
    WriteFile(temp + "a.tmp", "12345");
    const std::string wordData = "Software\\Microsoft\\Office\\12.0\\Word\\Data";
    auto key = machine().Registry().Create(platform::HKEY_CURRENT_USER, wordData);
    ASSERT_TRUE(key && key->SetString("settings", "recent files"));
    ASSERT_TRUE(core::TSettingsManager::WriteBool(92, true));
    ASSERT_TRUE(core::TSettingsManager::WriteBool(113, true));

    core::TGeneralCleannerThread run(true, false);
    run.CleanerSet.reset();
    run.CleanerSet.set(core::CleanerWindows);
    run.CleanerSet.set(core::CleanerOffice);
    run.Resume();
    run.WaitFor();

    // Named by the machine's fixed clock, 2009-10-30 17:05:09.
    const std::string windowCopy = temp + "2009_10_30_17_05_09.rep";
    EXPECT_EQ(run.WindowCopyPath(), windowCopy);
    EXPECT_EQ(ReadFile(windowCopy), "92%" + temp + "a.tmp%5\r\n");
    EXPECT_FALSE(Exists(temp + "a.tmp"));
    EXPECT_TRUE(machine().Files().DirectoryExists(temp));
    EXPECT_FALSE(key->HasValue("settings"));
}

} // namespace
} // namespace lumexa::cleaners
