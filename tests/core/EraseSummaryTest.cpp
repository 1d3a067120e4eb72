#include "core/EraseSummary.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "platform/Machine.h"
#include "support/MachineTest.h"

namespace lumexa::core {
namespace {

const std::string SummaryFile = R"(C:\Program Files\Lumexa\Reports\EraseSummary.ini)";

class EraseSummaryTest : public test::MachineTest
{
};

TEST_F(EraseSummaryTest, WithoutAFileEveryFieldIsZero)
{
    const TEraseSummary summary;
    EXPECT_EQ(summary.LastJob, TGroupCounters{});
    EXPECT_EQ(summary.Total, TGroupCounters{});
    EXPECT_EQ(summary.ObsoleteCleaner + summary.DuplicateCleaner + summary.BSCleaner + summary.FShredder, 0);
    EXPECT_EQ(summary.FLock, 0);
    EXPECT_EQ(summary.LastEraseDate, 0);
    EXPECT_EQ(TEraseSummary::GetFileName(), SummaryFile);
}

TEST_F(EraseSummaryTest, SaveWritesEveryKeyAndReadsBack)
{
    TEraseSummary summary;
    summary.AddErased(GroupInternet, 100);
    summary.AddErased(GroupWindows, 20);
    summary.AddErased(GroupWindows, 5);
    summary.AddErased(GroupPlugins, 3);
    summary.AddErased(GroupEMail, 7);
    summary.AddErased(9, 1000); // no such group
    ASSERT_TRUE(summary.Save());

    EXPECT_EQ(ReadFile(SummaryFile),
              "[LastEraseJob]\r\nInternet=100\r\nWindows=25\r\nPlugins=3\r\nEMail=7\r\n"
              "[TotalErased]\r\nInternet=100\r\nWindows=25\r\nPlugins=3\r\nEMail=7\r\n"
              "[LastEraseDate]\r\nEraseDate=10/30/2009\r\n");
    const TEraseSummary loaded;
    EXPECT_EQ(loaded.LastJob, (TGroupCounters{100, 25, 3, 7}));
    EXPECT_EQ(loaded.Total, (TGroupCounters{100, 25, 3, 7}));
    EXPECT_EQ(loaded.LastEraseDate, *platform::EncodeDateTime(2009, 10, 30));
}

TEST_F(EraseSummaryTest, CountersAreSixtyFourBitsEndToEnd)
{
    TEraseSummary summary;
    summary.AddErased(GroupInternet, 3'000'000'000ULL);
    summary.AddErased(GroupInternet, 3'000'000'000ULL);
    ASSERT_TRUE(summary.Save());
    EXPECT_NE(ReadFile(SummaryFile).find("Internet=6000000000\r\n"), std::string::npos);

    TEraseSummary second;
    second.ResetLastJob(); // as a run starts
    second.AddErased(GroupInternet, 5'000'000'000ULL);
    ASSERT_TRUE(second.Save());
    EXPECT_EQ(TEraseSummary().Total[GroupInternet], 11'000'000'000LL);
    EXPECT_EQ(TEraseSummary().LastJob[GroupInternet], 5'000'000'000LL);
}

TEST_F(EraseSummaryTest, AFileOfAnOlderBuildReadsAsWritten)
{
    // Older builds kept 32-bit counters that wrapped negative; those values stay as they are.
    WriteFile(SummaryFile,
              "[TotalErased]\r\nInternet=-2147483000\r\nWindows=12\r\n[DiskCleaner]\r\nObsoleteCleaner=5\r\n"
              "DuplicateCleaner=6\r\nBSCleaner=7\r\nFShredder=8\r\n[FileLocker]\r\nFLock=9\r\n"
              "[LastEraseDate]\r\nEraseDate=not a date\r\n");
    const TEraseSummary summary;
    EXPECT_EQ(summary.Total, (TGroupCounters{-2147483000LL, 12, 0, 0}));
    EXPECT_EQ(summary.LastJob, TGroupCounters{});
    EXPECT_EQ(summary.ObsoleteCleaner, 5);
    EXPECT_EQ(summary.DuplicateCleaner, 6);
    EXPECT_EQ(summary.BSCleaner, 7);
    EXPECT_EQ(summary.FShredder, 8);
    EXPECT_EQ(summary.FLock, 9);
    EXPECT_EQ(summary.LastEraseDate, 0);
}

TEST_F(EraseSummaryTest, SaveLeavesTheDiskCleanerAndLockerKeys)
{
    WriteFile(SummaryFile, "[DiskCleaner]\r\nFShredder=44\r\n[FileLocker]\r\nFLock=3\r\n");
    TEraseSummary summary;
    summary.AddErased(GroupEMail, 1);
    ASSERT_TRUE(summary.Save());
    const TEraseSummary loaded;
    EXPECT_EQ(loaded.FShredder, 44);
    EXPECT_EQ(loaded.FLock, 3);
    EXPECT_EQ(loaded.Total[GroupEMail], 1);
}

TEST_F(EraseSummaryTest, SaveAddsToTheTotalsOfTheFileNotToThoseItLoaded)
{
    // Two runs that loaded the same totals and save one after the other: both count.
    TEraseSummary first;
    TEraseSummary second;
    first.AddErased(GroupWindows, 10);
    second.AddErased(GroupWindows, 32);
    ASSERT_TRUE(first.Save());
    ASSERT_TRUE(second.Save());
    EXPECT_EQ(TEraseSummary().Total[GroupWindows], 42);
    EXPECT_EQ(second.Total[GroupWindows], 42);

    // A reset while a run is going on: the run adds only what it erased itself.
    TEraseSummary running;
    running.ResetLastJob();
    running.AddErased(GroupWindows, 5);
    ASSERT_TRUE(TEraseSummary::Reset());
    ASSERT_TRUE(running.Save());
    EXPECT_EQ(TEraseSummary().Total[GroupWindows], 5);
}

TEST_F(EraseSummaryTest, SaveDiskCleanerCountWritesOnlyKnownKinds)
{
    struct Case
    {
        int kind;
        const char* key;
    };
    const Case cases[] = {{KindObsoleteCleaner, "ObsoleteCleaner"},
                          {KindDuplicateCleaner, "DuplicateCleaner"},
                          {KindBSCleaner, "BSCleaner"},
                          {KindFShredder, "FShredder"}};

    EXPECT_FALSE(TEraseSummary::SaveDiskCleanerCount(77, 4));
    EXPECT_FALSE(Exists(SummaryFile));

    for (const Case& c : cases) {
        ASSERT_TRUE(TEraseSummary::SaveDiskCleanerCount(3'000'000'000LL + c.kind, c.kind)) << c.key;
        EXPECT_NE(ReadFile(SummaryFile).find(std::string(c.key) + "=" + std::to_string(3'000'000'000LL + c.kind)),
                  std::string::npos)
            << c.key;
    }
    const TEraseSummary loaded;
    EXPECT_EQ(loaded.ObsoleteCleaner, 3'000'000'000LL);
    EXPECT_EQ(loaded.FShredder, 3'000'000'003LL);
}

TEST_F(EraseSummaryTest, ResetRemovesTheFile)
{
    TEraseSummary summary;
    summary.AddErased(GroupInternet, 1);
    ASSERT_TRUE(summary.Save());
    ASSERT_TRUE(TEraseSummary::Reset());
    EXPECT_FALSE(Exists(SummaryFile));
    EXPECT_TRUE(TEraseSummary::Reset()) << "nothing to remove is not a failure";
    EXPECT_EQ(TEraseSummary().Total, TGroupCounters{});
}

} // namespace
} // namespace lumexa::core
