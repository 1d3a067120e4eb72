#include <thread>

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>

#include "UiTest.h"
#include "core/ui/FileFilter.h"
#include "core/ui/FrmAboutUs.h"
#include "core/ui/FrmFileProperties.h"
#include "core/ui/MachineFileDialog.h"
#include "core/ui/QtDialogs.h"
#include "core/ui/ShellContextMenu.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"

namespace lumexa::test {

using core::ui::TFileFilter;

class DialogsTest : public UiTest
{
};

TEST_F(DialogsTest, MessageBoxFromAWorkerThreadIsShownOnTheUiThread)
{
    struct Case
    {
        const char* name;
        platform::MessageButtons buttons;
        const char* click;
        platform::DialogResult expected;
        QStringList labels;
    };
    const Case cases[] = {
        {"ok", platform::MessageButtons::Ok, "btnResult1", platform::DialogResult::Ok, {"OK"}},
        {"yes/no, no", platform::MessageButtons::YesNo, "btnResult7", platform::DialogResult::No, {"Yes", "No"}},
        {"ok/cancel, cancel",
         platform::MessageButtons::OkCancel,
         "btnResult2",
         platform::DialogResult::Cancel,
         {"OK", "Cancel"}},
        {"yes/no/cancel, yes",
         platform::MessageButtons::YesNoCancel,
         "btnResult6",
         platform::DialogResult::Yes,
         {"Yes", "No", "Cancel"}},
    };
    core::ui::TQtDialogs dialogsService;
    for (const Case& c : cases) {
        QString title, text;
        QStringList labels;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        OnNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            for (const QAbstractButton* button : box->buttons())
                labels << button->text();
            Click(box, c.click);
        });
        platform::DialogResult result = platform::DialogResult::None;
        std::atomic<bool> done{false};
        std::thread worker([&] {
            result = dialogsService.MessageBox({"Erase now?", "Lumexa", platform::MessageIcon::Question, c.buttons});
            done = true;
        });
        EXPECT_TRUE(WaitFor([&] { return done.load(); })) << "case: " << c.name;
        worker.join();
        EXPECT_EQ(result, c.expected) << "case: " << c.name;
        EXPECT_EQ(title, QStringLiteral("Lumexa")) << "case: " << c.name;
        EXPECT_EQ(text, QStringLiteral("Erase now?")) << "case: " << c.name;
        EXPECT_EQ(icon, QMessageBox::Question) << "case: " << c.name;
        labels.sort();
        QStringList expectedLabels = c.labels;
        expectedLabels.sort();
        EXPECT_EQ(labels, expectedLabels) << "case: " << c.name;
    }
    EXPECT_TRUE(JournalHas("MESSAGEBOX \"Lumexa\" \"Erase now?\" -> 7"));
}

TEST_F(DialogsTest, FilterStringsAreSplitIntoDescriptionsAndMasks)
{
    struct Case
    {
        const char* filter;
        std::vector<TFileFilter> expected;
    };
    const Case cases[] = {
        {"Text files|*.txt;*.log|All files|*.*", {{"Text files", {"*.txt", "*.log"}}, {"All files", {"*.*"}}}},
        {"", {{"", {"*.*"}}}},
        {"Pictures|*.bmp; *.jpg ;", {{"Pictures", {"*.bmp", "*.jpg"}}}},
        {"Bare description", {{"Bare description", {"*.*"}}}},
        {"Text|*.txt|", {{"Text", {"*.txt"}}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::ui::ParseFileFilter(c.filter), c.expected) << "filter: " << c.filter;
}

TEST_F(DialogsTest, FolderListingUsesTheMachineAndItsMasks)
{
    WriteFile(R"(C:\Docs\b.TXT)", "b");
    WriteFile(R"(C:\Docs\a.log)", "aa");
    WriteFile(R"(C:\Docs\Sub\c.txt)", "c");
    const auto entries = core::ui::ListFolder(machine().Files(), R"(C:\Docs)", {"*.txt"}, true);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Sub");
    EXPECT_TRUE(entries[0].folder);
    EXPECT_EQ(entries[1].name, "b.TXT");
    EXPECT_EQ(entries[1].size, 1u);
    EXPECT_EQ(core::ui::ListFolder(machine().Files(), R"(C:\Docs)", {"*.*"}, false).size(), 1u);
    EXPECT_TRUE(core::ui::ListFolder(machine().Files(), R"(C:\Missing)", {"*.*"}, true).empty());
}

TEST_F(DialogsTest, FileDialogBrowsesTheMachinesDrives)
{
    WriteFile(R"(C:\Docs\notes.txt)", "n");
    WriteFile(R"(C:\Docs\photo.bmp)", "p");
    platform::FileDialogRequest request;
    request.filter = "Text files|*.txt|All files|*.*";
    request.initialFolder = R"(C:\docs)";
    core::ui::TMachineFileDialog dialog(core::ui::TFileDialogMode::Open, request);
    EXPECT_EQ(dialog.CurrentFolder(), R"(C:\Docs)");
    auto* files = dialog.findChild<QListWidget*>(QStringLiteral("lstFiles"));
    ASSERT_EQ(files->count(), 1);
    EXPECT_EQ(files->item(0)->text(), QStringLiteral("notes.txt"));
    dialog.findChild<QComboBox*>(QStringLiteral("cbxFilter"))->setCurrentIndex(1);
    EXPECT_EQ(files->count(), 2);

    files->setCurrentRow(0);
    Click(&dialog, "btnOk");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedPaths(), std::vector<std::string>{R"(C:\Docs\notes.txt)"});
}

TEST_F(DialogsTest, FileDialogRefusesAMissingFileAndSaveAddsTheExtension)
{
    WriteFile(R"(C:\Docs\notes.txt)", "n");
    platform::FileDialogRequest request;
    request.filter = "Reports|*.rep";
    request.initialFolder = R"(C:\Docs)";
    core::ui::TMachineFileDialog open(core::ui::TFileDialogMode::Open, request);
    open.findChild<QLineEdit*>(QStringLiteral("edtFileName"))->setText(QStringLiteral("missing.rep"));
    Click(&open, "btnOk");
    EXPECT_NE(open.result(), QDialog::Accepted);
    EXPECT_TRUE(open.SelectedPaths().empty());

    core::ui::TMachineFileDialog save(core::ui::TFileDialogMode::Save, request);
    save.findChild<QLineEdit*>(QStringLiteral("edtFileName"))->setText(QStringLiteral("summary"));
    Click(&save, "btnOk");
    EXPECT_EQ(save.SelectedPaths(), std::vector<std::string>{R"(C:\Docs\summary.rep)"});

    core::ui::TMachineFileDialog folder(core::ui::TFileDialogMode::Folder, request);
    EXPECT_TRUE(folder.SetCurrentFolder(R"(C:\)"));
    EXPECT_FALSE(folder.SetCurrentFolder(R"(C:\Nowhere)"));
    Click(&folder, "btnOk");
    EXPECT_EQ(folder.SelectedPaths(), std::vector<std::string>{R"(C:\)"});
}

TEST_F(DialogsTest, ShellContextMenuActsThroughTheMachine)
{
    const std::string path = R"(C:\Docs\notes.txt)";
    WriteFile(path, "hello");
    const auto menu = core::ui::CreateShellContextMenu(nullptr, path);
    QStringList names;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            names << action->objectName();
    EXPECT_EQ(names, (QStringList{"actOpen", "actOpenWith", "actCopyPath", "actProperties"}));

    menu->findChild<QAction*>(QStringLiteral("actOpen"))->trigger();
    EXPECT_TRUE(JournalHas("SHELLEXEC open \"" + path + "\" -> 42"));
    menu->findChild<QAction*>(QStringLiteral("actOpenWith"))->trigger();
    EXPECT_TRUE(JournalHas("SHELLEXEC openas \"" + path + "\""));
    menu->findChild<QAction*>(QStringLiteral("actCopyPath"))->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), path);

    QString shownName;
    OnNextModal([&](QWidget* modal) {
        shownName = modal->findChild<QLabel*>(QStringLiteral("lblName"))->text();
        modal->close();
    });
    menu->findChild<QAction*>(QStringLiteral("actProperties"))->trigger();
    EXPECT_EQ(shownName, QStringLiteral("notes.txt"));
}

TEST_F(DialogsTest, PropertiesShowTheMachinesFileFacts)
{
    const std::string path = R"(C:\Docs\notes.txt)";
    WriteFile(path, std::string(2048, 'x'));
    ASSERT_TRUE(
        machine().Files().SetFileAttributes(path, platform::FILE_ATTRIBUTE_READONLY | platform::FILE_ATTRIBUTE_HIDDEN));
    // Noon UTC on 2009-10-30 is that day in every time zone of a machine.
    const platform::FileTime noon = platform::DateTimeToFileTime(*platform::EncodeDateTime(2009, 10, 30, 12));
    ASSERT_TRUE(machine().Files().SetFileTimes(path, &noon, &noon, &noon));

    core::ui::TFrmFileProperties properties(path);
    EXPECT_EQ(properties.Value(QStringLiteral("lblName")), QStringLiteral("notes.txt"));
    EXPECT_EQ(properties.Value(QStringLiteral("lblFolder")), QStringLiteral("C:\\Docs\\"));
    EXPECT_EQ(properties.Value(QStringLiteral("lblSize")), QStringLiteral("2.0 KB (2,048 bytes)"));
    EXPECT_EQ(properties.Value(QStringLiteral("lblAttributes")), QStringLiteral("Read-only, Hidden"));
    for (const char* time : {"lblCreated", "lblModified", "lblAccessed"})
        EXPECT_TRUE(properties.Value(QString::fromLatin1(time)).startsWith(QStringLiteral("10/30/2009"))) << time;
}

TEST_F(DialogsTest, AboutPageNamesTheProductAndVersion)
{
    core::ui::TFrmAboutUs about;
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("lblProductName"))->text(), QStringLiteral("Lumexa"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 7"));
    EXPECT_FALSE(about.findChild<QLabel*>(QStringLiteral("lblDescription"))->text().isEmpty());
}

} // namespace lumexa::test
