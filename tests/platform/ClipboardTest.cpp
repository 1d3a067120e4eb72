#include "platform/Clipboard.h"

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/LastError.h"
#include "platform/Machine.h"
#include "support/MachineTest.h"

namespace lumexa::platform {
namespace {

namespace fs = std::filesystem;

class ClipboardTest : public test::MachineTest
{
protected:
    Clipboard& clipboard() { return machine().Clipboard(); }

    // Files the clipboard left in the state folder besides its own (half-written copies).
    std::vector<std::string> StrayFiles()
    {
        std::vector<std::string> stray;
        for (const auto& entry : fs::directory_iterator(machine().StateFolder()))
            if (entry.path().filename().string().starts_with("clipboard."))
                stray.push_back(entry.path().filename().string());
        return stray;
    }
};

TEST_F(ClipboardTest, AFreshMachineHasAnEmptyClipboard)
{
    EXPECT_FALSE(clipboard().HasData());
    EXPECT_EQ(clipboard().GetText(), std::nullopt);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(ClipboardTest, SetTextReplacesTheContents)
{
    ASSERT_TRUE(clipboard().SetText("first secret"));
    EXPECT_TRUE(clipboard().HasData());
    EXPECT_EQ(clipboard().GetText(), "first secret");

    ASSERT_TRUE(clipboard().SetText("Grüße, 東京\r\nline two"));
    EXPECT_EQ(clipboard().GetText(), "Grüße, 東京\r\nline two");
    EXPECT_TRUE(StrayFiles().empty());
}

TEST_F(ClipboardTest, AnEmptyTextIsStillData)
{
    ASSERT_TRUE(clipboard().SetText(""));
    EXPECT_TRUE(clipboard().HasData());
    EXPECT_EQ(clipboard().GetText(), "");
}

TEST_F(ClipboardTest, EmptyDropsTheContentsAndSucceedsWhenAlreadyEmpty)
{
    ASSERT_TRUE(clipboard().SetText("secret"));
    EXPECT_TRUE(clipboard().Empty());
    EXPECT_FALSE(clipboard().HasData());
    EXPECT_EQ(clipboard().GetText(), std::nullopt);
    EXPECT_TRUE(clipboard().Empty()) << "EmptyClipboard on an empty clipboard succeeds";
}

TEST_F(ClipboardTest, TheContentsAreSharedByEveryoneOnTheMachine)
{
    ASSERT_TRUE(clipboard().SetText("copied in one process"));
    std::string error;
    const auto other = Machine::Open(machine().Root(), &error);
    ASSERT_TRUE(other) << error;
    EXPECT_EQ(other->Clipboard().GetText(), "copied in one process");
    ASSERT_TRUE(other->Clipboard().Empty());
    EXPECT_FALSE(clipboard().HasData());
}

TEST_F(ClipboardTest, ARestartOfWindowsEmptiesIt)
{
    ASSERT_TRUE(clipboard().SetText("secret"));
    const auto done = machine().Reboot();
    EXPECT_EQ(done, (std::vector<std::string>{"emptied the clipboard"}));
    EXPECT_FALSE(clipboard().HasData());
    EXPECT_EQ(clipboard().GetText(), std::nullopt);
}

TEST_F(ClipboardTest, AFailedWriteKeepsTheFormerContentsAndLeavesNoTemporaryFile)
{
    // A folder standing where the contents belong: neither a rename over it nor its removal
    // can succeed.
    fs::create_directories(clipboard().HostPath() + "/blocker");
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(clipboard().SetText("new text"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(StrayFiles().empty());
    EXPECT_FALSE(clipboard().Empty());
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(ClipboardTest, AReaderNeverSeesHalfAText)
{
    // Two texts far larger than one write() so that a torn write would show; the reader keeps
    // reading until the writer has finished.
    const std::string first(256 * 1024, 'a');
    const std::string second(192 * 1024, 'b');
    ASSERT_TRUE(clipboard().SetText(first));
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 100; ++i)
            clipboard().SetText(i % 2 ? first : second);
        done = true;
    });
    int reads = 0;
    int torn = 0;
    while (!done.load()) {
        const auto text = clipboard().GetText();
        ++reads;
        if (!text || (*text != first && *text != second))
            ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_EQ(clipboard().GetText(), first);
    EXPECT_TRUE(StrayFiles().empty());
}

} // namespace
} // namespace lumexa::platform
