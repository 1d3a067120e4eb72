#include "core/RunReports.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Machine.h"
#include "platform/Shell.h"
#include "support/MachineTest.h"

namespace lumexa::core {
namespace {

const std::string Reports = R"(C:\Program Files\Lumexa\Reports\)";

class RunReportsTest : public test::MachineTest
{
protected:
    platform::TDateTime Date(int year, int month, int day) { return *platform::EncodeDateTime(year, month, day); }
    std::string Temp() { return machine().Shell().TempPath(); }

    static std::vector<std::string> Captions(const std::vector<TReportRow>& rows)
    {
        std::vector<std::string> captions;
        for (const TReportRow& row : rows)
            captions.push_back(row.caption);
        return captions;
    }
};

TEST_F(RunReportsTest, LineFormatsAndNames)
{
    EXPECT_EQ(ReportFileName(*platform::EncodeDateTime(2009, 10, 30, 17, 5, 9)), "2009_10_30_17_05_09.rep");
    EXPECT_EQ(RunReportLine(1, "", R"(C:\T\a.tmp)", 12), "1%C:\\T\\a.tmp%12\r\n");
    EXPECT_EQ(RunReportLine(2, "Acme", R"(C:\a.log)", 5'000'000'000ULL), "2%Acme%C:\\a.log%5000000000\r\n");
    EXPECT_EQ(WindowCopyLine(92, "", R"(C:\T\a.tmp)", 12), "92%C:\\T\\a.tmp%12\r\n");
    EXPECT_EQ(WindowCopyLine(120, "Acme", R"(C:\a.log)", 3), "120%Acme%C:\\a.log%3\r\n");
    EXPECT_EQ(SanitizeLoggedName("50%\r\noff%"), "50---off-");
}

TEST_F(RunReportsTest, ReportNamesParseByTheirFirstNineteenCharacters)
{
    struct Case
    {
        const char* name;
        bool parses;
    };
    const Case cases[] = {{"2009_10_30_17_05_09.rep", true},
                          {"2009-10-30 17.05.09 copy.rep", true}, // separators are not looked at
                          {"2009_10_30_17_05.rep", false},
                          {"2009_13_30_17_05_09.rep", false},
                          {"2009_02_30_17_05_09.rep", false},
                          {"2009_10_30_24_05_09.rep", false},
                          {"20x9_10_30_17_05_09.rep", false},
                          {"+009_10_30_17_05_09.rep", false},
                          {"", false}};
    for (const Case& c : cases)
        EXPECT_EQ(ParseReportName(c.name).has_value(), c.parses) << "case: " << c.name;
    EXPECT_EQ(*ParseReportName("2009_10_30_17_05_09.rep"), *platform::EncodeDateTime(2009, 10, 30, 17, 5, 9));
}

TEST_F(RunReportsTest, ListsTheRunTimesOfOneDayInNameOrder)
{
    for (const char* name : {"2009_10_30_17_05_09.rep",
                             "2009_10_30_08_00_00.rep",
                             "2009_10_29_23_59_59.rep",
                             "2009_10_30_12_30_00.rep",
                             "2009_10_30_bad.rep",
                             "notes.txt"})
        WriteFile(Reports + name, "");
    EXPECT_EQ(ListReportTimes(Date(2009, 10, 30)), (std::vector<std::string>{"08:00:00", "12:30:00", "17:05:09"}));
    EXPECT_EQ(ListReportTimes(Date(2009, 10, 29)), (std::vector<std::string>{"23:59:59"}));
    EXPECT_TRUE(ListReportTimes(Date(2009, 10, 31)).empty());
    EXPECT_EQ(RunReportPath(Date(2009, 10, 30), "12:30:00"), Reports + "2009_10_30_12_30_00.rep");
}

TEST_F(RunReportsTest, ReadsEachGroupIntoItsListAndSkipsWhatDoesNotParse)
{
    WriteFile(Reports + "r.rep",
              "0%C:\\Cache\\index.dat%100\r\n"
              "1%C:\\Temp\\a.tmp%5000000000\r\n"
              "2%Acme Cleaner%C:\\Acme\\trace.log%7\r\n"
              "3%C:\\Mail\\inbox.dbx%9\r\n"
              "1%Recycle Bin%0\r\n"
              "4%C:\\x.txt%1\r\n"       // no such group
              "1%C:\\y.txt%12a\r\n"     // bad size
              "x%C:\\z.txt%1\r\n"       // bad group
              "1%C:\\w.txt\r\n"         // no size
              "2%C:\\plugin-only%3\r\n" // a plug-in line without its object
              "\r\n");
    TReportLists lists;
    ASSERT_TRUE(ReadRunReport(machine().ProgramFolder() + "Reports\\r.rep", "", lists));
    ASSERT_EQ(lists[0].size(), 1u);
    EXPECT_EQ(lists[0][0].caption, "index.dat");
    EXPECT_EQ(lists[0][0].path, "C:\\Cache\\");
    EXPECT_EQ(lists[0][0].size, 100u);
    ASSERT_EQ(lists[1].size(), 2u);
    EXPECT_EQ(lists[1][0].size, 5'000'000'000ULL);
    EXPECT_EQ(lists[1][1].caption, "Recycle Bin");
    EXPECT_EQ(lists[1][1].path, "");
    ASSERT_EQ(lists[2].size(), 1u);
    EXPECT_EQ(lists[2][0].caption, "trace.log") << "the object's own file name, not the plug-in's";
    EXPECT_EQ(lists[2][0].path, "C:\\Acme\\");
    ASSERT_EQ(lists[3].size(), 1u);
    EXPECT_EQ(lists[3][0].caption, "inbox.dbx");

    TReportLists none;
    EXPECT_FALSE(ReadRunReport(Reports + "missing.rep", "", none));
}

TEST_F(RunReportsTest, SearchKeepsCaptionsContainingTheTextInAnyCase)
{
    WriteFile(Reports + "r.rep",
              "1%C:\\Docs\\Report.DOC%1\r\n1%C:\\Docs\\mydoc.txt%2\r\n1%C:\\doc\\readme.txt%3\r\n"
              "2%doc plug-in%C:\\P\\other.txt%4\r\n");
    TReportLists lists;
    ASSERT_TRUE(ReadRunReport(Reports + "r.rep", "doc", lists));
    EXPECT_EQ(Captions(lists[1]), (std::vector<std::string>{"Report.DOC", "mydoc.txt"}));
    EXPECT_TRUE(lists[2].empty()) << "the plug-in's name and the folder are not searched";
}

TEST_F(RunReportsTest, TheItemReportReadsTheNewestWindowCopy)
{
    WriteFile(Temp() + "2009_10_30_08_00_00.rep", "92%C:\\Old\\old.tmp%1\r\n");
    WriteFile(Temp() + "2009_10_30_17_05_09.rep",
              "92%C:\\Temp\\a.tmp%10\r\n"
              "93%C:\\Recent\\b.lnk%20\r\n"
              "92%C:\\Temp\\sub\\c.tmp%5000000000\r\n"
              "120%Acme%C:\\Acme\\x.log%1\r\n"
              "120%Other%C:\\Other\\y.log%2\r\n");
    WriteFile(Temp() + "2009_10_30_nope.rep", "92%C:\\Bad\\bad.tmp%1\r\n");
    ASSERT_EQ(NewestWindowCopy(), Temp() + "2009_10_30_17_05_09.rep");

    const auto temp = ReadItemReport("Temp Folder", 92);
    EXPECT_EQ(Captions(temp), (std::vector<std::string>{"a.tmp", "c.tmp"}));
    EXPECT_EQ(temp[1].path, "C:\\Temp\\sub\\");
    EXPECT_EQ(temp[1].size, 5'000'000'000ULL);

    const auto plugin = ReadItemReport("PLUGGIN: acme", 120);
    EXPECT_EQ(Captions(plugin), (std::vector<std::string>{"x.log"}));
    EXPECT_TRUE(ReadItemReport("Pluggin: Nobody", 120).empty());
}

TEST_F(RunReportsTest, WithoutWindowCopiesTheItemReportIsEmpty)
{
    EXPECT_FALSE(NewestWindowCopy().has_value());
    EXPECT_TRUE(ReadItemReport("Temp Folder", 92).empty());
}

} // namespace
} // namespace lumexa::core
