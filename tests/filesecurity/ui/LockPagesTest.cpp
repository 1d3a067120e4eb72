#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "UiTest.h"
#include "ZipReader.h"
#include "filesecurity/FileLocker/FileLocker.h"
#include "filesecurity/ui/FrmDecryption.h"
#include "filesecurity/ui/FrmEncryption.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Types.h"

namespace lumexa::filesecurity::ui {
namespace {

const std::string kBackups = R"(C:\Program Files\Lumexa\LockerBackups)";
constexpr const char* kCaption = "Lumexa - Lock Files and Folders";

class LockPagesTest : public test::UiTest
{
protected:
    template <class T> T* Find(QWidget* page, const char* name)
    {
        T* widget = page->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // The captions of the list's rows, in order.
    std::vector<std::string> Captions(QWidget* page, const char* list)
    {
        std::vector<std::string> captions;
        auto* tree = Find<QTreeWidget>(page, list);
        for (int i = 0; tree && i < tree->topLevelItemCount(); ++i)
            captions.push_back(tree->topLevelItem(i)->text(0).toStdString());
        return captions;
    }

    void SetPasswords(QWidget* page, const char* box, const char* confirm, const QString& a, const QString& b)
    {
        Find<QLineEdit>(page, box)->setText(a);
        Find<QLineEdit>(page, confirm)->setText(b);
    }

    // The text of the last box shown, checking it is an information box of the locker.
    std::string LastBox(platform::MessageIcon icon = platform::MessageIcon::Information)
    {
        if (dialogs().Shown().empty())
            return "(no box)";
        const platform::MessageBoxRequest& box = dialogs().Shown().back();
        EXPECT_EQ(box.caption, kCaption);
        EXPECT_EQ(static_cast<int>(box.icon), static_cast<int>(icon)) << box.text;
        return box.text;
    }

    void Lock(const std::string& path, const std::string& password)
    {
        TFileLocker locker(0, 0, password);
        ASSERT_EQ(locker.LockFile(path).outcome, TLockOutcome::Done) << path;
    }
};

TEST_F(LockPagesTest, BothPagesCarryTheirControlsUnderTheirNames)
{
    TfrmEncryption lock;
    for (const char* name : {"lstFileFolder",
                             "cbxCipherbx",
                             "cbxHashbx",
                             "dblKSize",
                             "boxPass",
                             "boxPassConfirm",
                             "btnEncryptFileFolder",
                             "btnBrowseFileFolder",
                             "ProgressBar1"})
        EXPECT_NE(lock.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << "lock: " << name;
    TfrmDecryption unlock;
    for (const char* name : {"ffd_lstFolder",
                             "ffd_cbxCipherFolder",
                             "ffd_cbxHashFolder",
                             "ffd_dblKeySizeFolder",
                             "ffd_boxPassphraseFolder",
                             "ffd_boxPassphraseConfirm",
                             "ffd_btnDecryptFolder",
                             "btnBrowseFileFolder",
                             "ProgressBar1"})
        EXPECT_NE(unlock.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << "unlock: " << name;

    auto* list = Find<QTreeWidget>(&unlock, "ffd_lstFolder");
    EXPECT_EQ(list->headerItem()->text(1).toStdString(), "In Folder");
    EXPECT_EQ(Find<QTreeWidget>(&lock, "lstFileFolder")->headerItem()->text(1).toStdString(), "Folder");
    auto* cipher = Find<QComboBox>(&lock, "cbxCipherbx");
    ASSERT_EQ(cipher->count(), 12);
    EXPECT_EQ(cipher->itemText(5).toStdString(), "Thin Ice");
    EXPECT_EQ(Find<QComboBox>(&lock, "cbxHashbx")->itemText(0).toStdString(), "Haval (256bit, 5 passes)");
    EXPECT_EQ(Find<QLineEdit>(&lock, "boxPass")->echoMode(), QLineEdit::Password);
}

TEST_F(LockPagesTest, EffectiveKeySizeFollowsCipherAndHash)
{
    TfrmEncryption page;
    auto* cipher = Find<QComboBox>(&page, "cbxCipherbx");
    auto* hash = Find<QComboBox>(&page, "cbxHashbx");
    auto* size = Find<QLabel>(&page, "dblKSize");
    struct Case
    {
        int cipher;
        int hash;
        const char* text;
    } cases[] = {
        {0, 0, "256 bits"},  // Blowfish 448, HAVAL 256
        {8, 5, "160 bits"},  // Rijndael 256, SHA1 160
        {7, 8, "512 bits"},  // RC2 1024, SHA512 512
        {2, 6, "64 bits"},   // DES 64, SHA256 256
        {11, 1, "128 bits"}, // Twofish 256, MD4 128
    };
    for (const Case& c : cases) {
        cipher->setCurrentIndex(c.cipher);
        hash->setCurrentIndex(c.hash);
        EXPECT_EQ(size->text().toStdString(), c.text) << "case: " << c.cipher << "/" << c.hash;
    }
}

TEST_F(LockPagesTest, ActionButtonNeedsMatchingPasswordsAndRows)
{
    WriteFile(R"(C:\Docs\a.txt)", "a");
    TfrmEncryption page;
    auto* button = Find<QPushButton>(&page, "btnEncryptFileFolder");
    struct Case
    {
        const char* name;
        const char* password;
        const char* confirm;
        bool row;
        bool enabled;
    } cases[] = {
        {"nothing", "", "", false, false},
        {"matching, no rows", "pw", "pw", false, false},
        {"rows, no password", "", "", true, false},
        {"rows, confirmation differs", "pw", "pW", true, false},
        {"rows, only the confirmation", "", "pw", true, false},
        {"rows and matching passwords", "pw", "pw", true, true},
    };
    for (const Case& c : cases) {
        if (c.row && Captions(&page, "lstFileFolder").empty()) {
            ASSERT_TRUE(page.AddFile(R"(C:\Docs\a.txt)"));
        }
        SetPasswords(
            &page, "boxPass", "boxPassConfirm", QString::fromLatin1(c.password), QString::fromLatin1(c.confirm));
        EXPECT_EQ(button->isEnabled(), c.enabled) << "case: " << c.name;
    }

    // The unlock page follows the same rule.
    WriteFile(R"(C:\Docs\b.txt.lxe)", "b");
    TfrmDecryption unlock;
    auto* unlockButton = Find<QPushButton>(&unlock, "ffd_btnDecryptFolder");
    SetPasswords(&unlock, "ffd_boxPassphraseFolder", "ffd_boxPassphraseConfirm", "pw", "pw");
    EXPECT_FALSE(unlockButton->isEnabled());
    ASSERT_TRUE(unlock.AddFile(R"(C:\Docs\b.txt.lxe)"));
    EXPECT_TRUE(unlockButton->isEnabled());
    Find<QLineEdit>(&unlock, "ffd_boxPassphraseConfirm")->setText("p");
    EXPECT_FALSE(unlockButton->isEnabled());
}

TEST_F(LockPagesTest, FileRuleTakesOnlyWhatThePageProcesses)
{
    WriteFile(R"(C:\Docs\a.txt)", "a");
    WriteFile(R"(C:\Docs\b.txt.lxe)", "b");
    WriteFile(R"(C:\Docs\c.LXE)", "c");
    WriteFile(R"(C:\Other\A.TXT)", "same name elsewhere");
    TfrmEncryption lock;
    dialogs().QueuePaths({R"(C:\Docs\a.txt)", R"(C:\Docs\b.txt.lxe)", R"(C:\Docs\c.LXE)", R"(C:\Other\A.TXT)"});
    lock.BrowseFiles();
    EXPECT_EQ(Captions(&lock, "lstFileFolder"), (std::vector<std::string>{"a.txt", "c.LXE"}));
    auto* row = Find<QTreeWidget>(&lock, "lstFileFolder")->topLevelItem(0);
    EXPECT_EQ(row->text(1).toStdString(), R"(C:\Docs\)");
    EXPECT_EQ(row->text(2).toStdString(), "File");

    TfrmDecryption unlock;
    dialogs().QueuePaths({R"(C:\Docs\a.txt)", R"(C:\Docs\b.txt.lxe)", R"(C:\Docs\c.LXE)"});
    unlock.BrowseFiles();
    EXPECT_EQ(Captions(&unlock, "ffd_lstFolder"), std::vector<std::string>{"b.txt.lxe"});
    EXPECT_TRUE(dialogs().Shown().empty()) << "the file rule shows no message";
}

TEST_F(LockPagesTest, FolderRuleExplainsEveryRefusal)
{
    WriteFile(R"(C:\Data\Docs\a.txt)", "a");
    WriteFile(R"(C:\Data\Docs\Sub\b.txt)", "b");
    WriteFile(R"(C:\Data\Docsx\c.txt)", "c");
    WriteFile(R"(C:\Data\Pics\d.png)", "d");
    WriteFile(R"(C:\Else\Docs\e.txt)", "e");
    WriteFile(R"(C:\Data\Locked\f.txt.lxe)", "f");
    WriteFile(R"(C:\Data\Hidden\.git\g.txt)", "only in a dotted folder");
    ASSERT_TRUE(machine().Files().CreateDirectory(R"(C:\Data\Empty)"));
    TfrmEncryption page;
    ASSERT_TRUE(page.AddFolder(R"(C:\Data\Docs)"));
    EXPECT_TRUE(dialogs().Shown().empty());
    struct Case
    {
        const char* name;
        const char* folder;
        std::string message;
    } cases[] = {
        {"same last component", R"(C:\Else\Docs)", "Folder already exists in the folder to be encrypted List."},
        {"inside a listed folder",
         R"(C:\Data\Docs\Sub)",
         R"(Folder C:\Data\Docs\Sub is already included in folder C:\Data\Docs which is already saved in the list)"},
        {"sibling sharing the leading letters",
         R"(C:\Data\Docsx)",
         R"(Folder C:\Data\Docsx is already included in folder C:\Data\Docs which is already saved in the list)"},
        {"holding a listed folder",
         R"(C:\Data)",
         R"(Cannot add top-level and sub-folders together in the same list, you can either add C:\Data to include )"
         R"(this folder and all of its sub-folders OR add C:\Data\Docs only)"},
        {"all locked",
         R"(C:\Data\Locked)",
         "All files inside this folder are already encrypted...can't add this folder."},
        {"empty", R"(C:\Data\Empty)", "All files inside this folder are already encrypted...can't add this folder."},
        {"files only in a dotted folder",
         R"(C:\Data\Hidden)",
         "All files inside this folder are already encrypted...can't add this folder."},
    };
    for (const Case& c : cases) {
        const std::size_t shown = dialogs().Shown().size();
        EXPECT_FALSE(page.AddFolder(c.folder)) << "case: " << c.name;
        ASSERT_EQ(dialogs().Shown().size(), shown + 1) << "case: " << c.name;
        EXPECT_EQ(LastBox(), c.message) << "case: " << c.name;
    }
    EXPECT_EQ(Captions(&page, "lstFileFolder"), std::vector<std::string>{"Docs"});
    auto* row = Find<QTreeWidget>(&page, "lstFileFolder")->topLevelItem(0);
    EXPECT_EQ(row->text(1).toStdString(), R"(C:\Data)");
    EXPECT_EQ(row->text(2).toStdString(), "Folder");

    // A sibling folder is fine; through the browse dialog as well.
    dialogs().QueuePaths({R"(C:\Data\Pics)"});
    page.BrowseFolders();
    EXPECT_EQ(Captions(&page, "lstFileFolder"), (std::vector<std::string>{"Docs", "Pics"}));

    // The unlock page wants a locked file somewhere below, and says so in its own words.
    TfrmDecryption unlock;
    EXPECT_FALSE(unlock.AddFolder(R"(C:\Data\Pics)"));
    EXPECT_EQ(LastBox(), "All files inside this folder are NOT encrypted...so there is nothing to decrypt.");
    EXPECT_FALSE(unlock.AddFolder(R"(C:\Data\Empty)"));
    EXPECT_EQ(LastBox(), "All files inside this folder are NOT encrypted...so there is nothing to decrypt.");
    ASSERT_TRUE(unlock.AddFolder(R"(C:\Data\Locked)"));
    EXPECT_FALSE(unlock.AddFolder(R"(C:\Else\Locked)"));
    EXPECT_EQ(LastBox(), "Folder already exists in the folder to be decrypted List.");
}

TEST_F(LockPagesTest, DeleteSelectedAsksFirst)
{
    WriteFile(R"(C:\Docs\a.txt)", "a");
    WriteFile(R"(C:\Docs\b.txt)", "b");
    TfrmEncryption page;
    ASSERT_TRUE(page.AddFile(R"(C:\Docs\a.txt)"));
    ASSERT_TRUE(page.AddFile(R"(C:\Docs\b.txt)"));
    auto* list = Find<QTreeWidget>(&page, "lstFileFolder");
    list->topLevelItem(0)->setSelected(true);
    dialogs().QueueAnswer(platform::DialogResult::No);
    page.DeleteSelected();
    EXPECT_EQ(dialogs().Shown().back().text, "Delete selected?");
    EXPECT_EQ(Captions(&page, "lstFileFolder").size(), 2u);
    dialogs().QueueAnswer(platform::DialogResult::Yes);
    page.DeleteSelected();
    EXPECT_EQ(Captions(&page, "lstFileFolder"), std::vector<std::string>{"b.txt"});
}

TEST_F(LockPagesTest, LockWithBackupArchivesThenLocksEverything)
{
    WriteFile(R"(C:\Docs\a.txt)", "first");
    WriteFile(R"(C:\Tree\b.txt)", std::string(20000, 'b'));
    WriteFile(R"(C:\Tree\Sub\c.txt)", "third");
    WriteFile(R"(C:\Tree\d.txt.lxe)", "locked before");
    TfrmEncryption page;
    page.PageShown();
    ASSERT_TRUE(page.AddFile(R"(C:\Docs\a.txt)"));
    ASSERT_TRUE(page.AddFolder(R"(C:\Tree)"));
    Find<QComboBox>(&page, "cbxCipherbx")->setCurrentIndex(8);
    SetPasswords(&page, "boxPass", "boxPassConfirm", "secret", "secret");
    dialogs().QueueAnswer(platform::DialogResult::Yes); // the backup question
    Click(&page, "btnEncryptFileFolder");
    EXPECT_EQ(dialogs().Shown().front().text, "Do you want to backup the selected files and folders?");
    EXPECT_TRUE(page.Busy());
    EXPECT_FALSE(Find<QPushButton>(&page, "btnEncryptFileFolder")->isEnabled());
    // Three files: the progress bar shows.
    EXPECT_TRUE(Find<QProgressBar>(&page, "ProgressBar1")->isVisibleTo(&page));
    ASSERT_TRUE(WaitFor([&] { return !page.Busy(); }));

    EXPECT_EQ(LastBox(), "Files locked successfully");
    EXPECT_TRUE(Captions(&page, "lstFileFolder").empty());
    EXPECT_FALSE(Find<QProgressBar>(&page, "ProgressBar1")->isVisibleTo(&page));
    EXPECT_TRUE(Find<QLineEdit>(&page, "boxPass")->text().isEmpty());
    EXPECT_EQ(Find<QComboBox>(&page, "cbxCipherbx")->currentIndex(), 0);
    EXPECT_EQ(Names(R"(C:\Docs)"), std::vector<std::string>{"a.txt.lxe"});
    EXPECT_EQ(Names(R"(C:\Tree)"), (std::vector<std::string>{"b.txt.lxe", "d.txt.lxe", "Sub"}));
    EXPECT_EQ(Names(R"(C:\Tree\Sub)"), std::vector<std::string>{"c.txt.lxe"});

    // The archive holds the plain files as they were, named by the machine's clock.
    EXPECT_EQ(Names(kBackups), std::vector<std::string>{"2009_10_30_17_5_9.zip"});
    const auto entries = test::ReadZip(HostPath(kBackups + R"(\2009_10_30_17_5_9.zip)"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "Docs/a.txt");
    EXPECT_EQ(entries[0].data, "first");
    EXPECT_EQ(entries[1].name, "Tree/b.txt");
    EXPECT_EQ(entries[1].data, std::string(20000, 'b'));
    EXPECT_EQ(entries[2].name, "Tree/Sub/c.txt");
    EXPECT_EQ(entries[2].data, "third");
}

TEST_F(LockPagesTest, NoToTheBackupMakesNoArchiveAndNoFolder)
{
    ASSERT_TRUE(machine().Files().RemoveDirectory(kBackups));
    WriteFile(R"(C:\Docs\a.txt)", "a");
    TfrmEncryption page;
    ASSERT_TRUE(page.AddFile(R"(C:\Docs\a.txt)"));
    SetPasswords(&page, "boxPass", "boxPassConfirm", "pw", "pw");
    dialogs().QueueAnswer(platform::DialogResult::No);
    Click(&page, "btnEncryptFileFolder");
    // One file: no progress bar.
    EXPECT_FALSE(Find<QProgressBar>(&page, "ProgressBar1")->isVisibleTo(&page));
    ASSERT_TRUE(WaitFor([&] { return !page.Busy(); }));
    EXPECT_EQ(LastBox(), "Files locked successfully");
    EXPECT_FALSE(machine().Files().DirectoryExists(kBackups));
    EXPECT_TRUE(Exists(R"(C:\Docs\a.txt.lxe)"));
}

TEST_F(LockPagesTest, BackupThatCannotBeWrittenStopsTheRunBeforeAnythingIsLocked)
{
    ASSERT_TRUE(machine().Files().RemoveDirectory(kBackups));
    WriteFile(kBackups, "a file where the folder belongs");
    WriteFile(R"(C:\Docs\a.txt)", "a");
    TfrmEncryption page;
    ASSERT_TRUE(page.AddFile(R"(C:\Docs\a.txt)"));
    SetPasswords(&page, "boxPass", "boxPassConfirm", "pw", "pw");
    dialogs().QueueAnswer(platform::DialogResult::Yes);
    Click(&page, "btnEncryptFileFolder");
    EXPECT_FALSE(page.Busy());
    const std::string text = LastBox(platform::MessageIcon::Error);
    EXPECT_EQ(text.rfind("Cannot encrypt data in selected files or folders\n\ncannot create the folder", 0), 0u)
        << text;
    EXPECT_EQ(ReadFile(R"(C:\Docs\a.txt)"), "a");
    EXPECT_FALSE(Exists(R"(C:\Docs\a.txt.lxe)"));
    // The controls are back, the list and the options as they were.
    EXPECT_TRUE(Find<QPushButton>(&page, "btnEncryptFileFolder")->isEnabled());
    EXPECT_TRUE(Find<QTreeWidget>(&page, "lstFileFolder")->isEnabled());
    EXPECT_EQ(Captions(&page, "lstFileFolder"), std::vector<std::string>{"a.txt"});
    EXPECT_FALSE(Find<QProgressBar>(&page, "ProgressBar1")->isVisibleTo(&page));
}

TEST_F(LockPagesTest, LockReportsFailureAndKeepsTheRowsOfFilesNotLocked)
{
    WriteFile(R"(C:\Docs\a.txt)", "a");
    WriteFile(R"(C:\Docs\taken.txt)", "mine");
    WriteFile(R"(C:\Docs\taken.txt.lxe)", "not mine");
    WriteFile(R"(C:\Tree\b.txt)", "b");
    WriteFile(R"(C:\Tree\c.txt)", "c");
    WriteFile(R"(C:\Tree\c.txt.lxe)", "in the way");
    WriteFile(R"(C:\Fine\d.txt)", "d");
    TfrmEncryption page;
    ASSERT_TRUE(page.AddFile(R"(C:\Docs\a.txt)"));
    ASSERT_TRUE(page.AddFile(R"(C:\Docs\taken.txt)"));
    ASSERT_TRUE(page.AddFolder(R"(C:\Tree)"));
    ASSERT_TRUE(page.AddFolder(R"(C:\Fine)"));
    SetPasswords(&page, "boxPass", "boxPassConfirm", "pw", "pw");
    dialogs().QueueAnswer(platform::DialogResult::No);
    Click(&page, "btnEncryptFileFolder");
    ASSERT_TRUE(WaitFor([&] { return !page.Busy(); }));
    EXPECT_EQ(LastBox(platform::MessageIcon::Error), "Cannot encrypt data in selected files or folders");
    EXPECT_EQ(Captions(&page, "lstFileFolder"), (std::vector<std::string>{"taken.txt", "Tree"}));
    EXPECT_TRUE(Exists(R"(C:\Docs\a.txt.lxe)"));
    EXPECT_TRUE(Exists(R"(C:\Tree\b.txt.lxe)"));
    EXPECT_TRUE(Exists(R"(C:\Fine\d.txt.lxe)"));
    EXPECT_EQ(ReadFile(R"(C:\Docs\taken.txt)"), "mine");
    EXPECT_EQ(ReadFile(R"(C:\Tree\c.txt)"), "c");
}

TEST_F(LockPagesTest, UnlockOfThreeFilesWithOneWrongPasswordKeepsThatRow)
{
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        WriteFile(std::string(R"(C:\Docs\)") + name, name);
    Lock(R"(C:\Docs\a.txt)", "right");
    Lock(R"(C:\Docs\b.txt)", "other");
    Lock(R"(C:\Docs\c.txt)", "right");
    TfrmDecryption page;
    page.PageShown();
    dialogs().QueuePaths({R"(C:\Docs\a.txt.lxe)", R"(C:\Docs\b.txt.lxe)", R"(C:\Docs\c.txt.lxe)"});
    page.BrowseFiles();
    SetPasswords(&page, "ffd_boxPassphraseFolder", "ffd_boxPassphraseConfirm", "right", "right");
    Click(&page, "ffd_btnDecryptFolder");
    EXPECT_TRUE(page.Busy());
    EXPECT_TRUE(Find<QProgressBar>(&page, "ProgressBar1")->isVisibleTo(&page));
    ASSERT_TRUE(WaitFor([&] { return !page.Busy(); }));

    EXPECT_EQ(LastBox(), "2files were decrypted\r\n1files could not be decrypted because of wrong parameters");
    EXPECT_EQ(Captions(&page, "ffd_lstFolder"), std::vector<std::string>{"b.txt.lxe"});
    EXPECT_EQ(Find<QTreeWidget>(&page, "ffd_lstFolder")->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(ReadFile(R"(C:\Docs\a.txt)"), "a.txt");
    EXPECT_EQ(ReadFile(R"(C:\Docs\c.txt)"), "c.txt");
    EXPECT_TRUE(Exists(R"(C:\Docs\b.txt.lxe)"));
    EXPECT_FALSE(Exists(R"(C:\Docs\b.txt)"));
    EXPECT_TRUE(Find<QLineEdit>(&page, "ffd_boxPassphraseFolder")->text().isEmpty());
}

TEST_F(LockPagesTest, UnlockMessagesFollowTheRunThatEndedLast)
{
    WriteFile(R"(C:\One\a.txt)", "a");
    WriteFile(R"(C:\Tree\b.txt)", "b");
    WriteFile(R"(C:\Tree\Sub\c.txt)", "c");
    Lock(R"(C:\One\a.txt)", "right");
    Lock(R"(C:\Tree\b.txt)", "right");
    Lock(R"(C:\Tree\Sub\c.txt)", "right");
    struct Case
    {
        const char* name;
        const char* password;
        bool file;
        bool folder;
        std::string message;
    } cases[] = {
        {"file run, all unlocked", "right", true, false, "Files unlocked successfully"},
        {"file run, none unlocked", "wrong", true, false, "Wrong Parameters entered....Failed to unlock files"},
        {"folder run, all unlocked", "right", false, true, "Files unlock completed"},
        {"folder run, none unlocked",
         "wrong",
         false,
         true,
         "Wrong Parameters entered....Failed to unlock Files and/or Folders"},
        {"both runs, folder messages", "right", true, true, "Files unlock completed"},
    };
    for (const Case& c : cases) {
        TfrmDecryption page;
        if (c.file) {
            ASSERT_TRUE(page.AddFile(R"(C:\One\a.txt.lxe)")) << "case: " << c.name;
        }
        if (c.folder) {
            ASSERT_TRUE(page.AddFolder(R"(C:\Tree)")) << "case: " << c.name;
        }
        SetPasswords(&page,
                     "ffd_boxPassphraseFolder",
                     "ffd_boxPassphraseConfirm",
                     QString::fromLatin1(c.password),
                     QString::fromLatin1(c.password));
        page.Unlock();
        ASSERT_TRUE(WaitFor([&] { return !page.Busy(); })) << "case: " << c.name;
        EXPECT_EQ(LastBox(), c.message) << "case: " << c.name;
        // Relock what the case unlocked, for the next one.
        for (const char* path : {R"(C:\One\a.txt)", R"(C:\Tree\b.txt)", R"(C:\Tree\Sub\c.txt)"})
            if (Exists(path))
                Lock(path, "right");
    }
}

TEST_F(LockPagesTest, PageProtocol)
{
    WriteFile(R"(C:\Docs\a.txt)", "a");
    WriteFile(R"(C:\Docs\b.txt.lxe)", "b");
    TfrmEncryption lock;
    ASSERT_TRUE(lock.AddFile(R"(C:\Docs\a.txt)"));
    Find<QComboBox>(&lock, "cbxHashbx")->setCurrentIndex(3);
    SetPasswords(&lock, "boxPass", "boxPassConfirm", "pw", "pw");
    lock.PageShown();
    EXPECT_EQ(Find<QComboBox>(&lock, "cbxHashbx")->currentIndex(), 0);
    EXPECT_TRUE(Find<QLineEdit>(&lock, "boxPass")->text().isEmpty());
    EXPECT_FALSE(lock.findChild<QAction*>(QStringLiteral("mnuDeleteSelected"))->isEnabled());
    lock.PageLeft();
    EXPECT_EQ(Captions(&lock, "lstFileFolder"), std::vector<std::string>{"a.txt"}) << "the lock page keeps its list";
    EXPECT_TRUE(lock.CanLeavePage());

    // While a run is in progress the page may not be left.
    SetPasswords(&lock, "boxPass", "boxPassConfirm", "pw", "pw");
    dialogs().QueueAnswer(platform::DialogResult::No);
    Click(&lock, "btnEncryptFileFolder");
    ASSERT_TRUE(lock.Busy());
    EXPECT_FALSE(lock.CanLeavePage());
    EXPECT_EQ(LastBox(), "Please wait while Lumexa – Lock Files and Folders locks the selected files and folders");
    ASSERT_TRUE(WaitFor([&] { return !lock.Busy(); }));
    EXPECT_TRUE(lock.CanLeavePage());

    TfrmDecryption unlock;
    ASSERT_TRUE(unlock.AddFile(R"(C:\Docs\b.txt.lxe)"));
    SetPasswords(&unlock, "ffd_boxPassphraseFolder", "ffd_boxPassphraseConfirm", "pw", "pw");
    unlock.Unlock();
    ASSERT_TRUE(unlock.Busy());
    EXPECT_FALSE(unlock.CanLeavePage());
    EXPECT_EQ(LastBox(), "Please wait while Lumexa – Unlock Files and Folders unlocks the selected files and folders");
    ASSERT_TRUE(WaitFor([&] { return !unlock.Busy(); }));
    ASSERT_EQ(Captions(&unlock, "ffd_lstFolder"), std::vector<std::string>{"b.txt.lxe"}) << "refused: it stays";
    SetPasswords(&unlock, "ffd_boxPassphraseFolder", "ffd_boxPassphraseConfirm", "pw", "pw");
    unlock.PageLeft();
    EXPECT_TRUE(Captions(&unlock, "ffd_lstFolder").empty());
    EXPECT_TRUE(Find<QLineEdit>(&unlock, "ffd_boxPassphraseFolder")->text().isEmpty());
}

TEST_F(LockPagesTest, StartingWithoutRowsOrPasswordIsRefused)
{
    TfrmEncryption lock;
    lock.Lock();
    EXPECT_EQ(LastBox(platform::MessageIcon::Warning),
              "Please add files and/or folders in the table above to start the locking process");
    TfrmDecryption unlock;
    unlock.Unlock();
    EXPECT_EQ(LastBox(platform::MessageIcon::Warning),
              "Please add files and/or folders in the table above to start the unlock process");
    WriteFile(R"(C:\Docs\b.txt.lxe)", "b");
    ASSERT_TRUE(unlock.AddFile(R"(C:\Docs\b.txt.lxe)"));
    unlock.Unlock();
    EXPECT_EQ(LastBox(platform::MessageIcon::Warning), "Please enter password first");
    EXPECT_FALSE(unlock.Busy());
}

} // namespace
} // namespace lumexa::filesecurity::ui
