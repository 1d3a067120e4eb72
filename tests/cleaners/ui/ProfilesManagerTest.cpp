#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include "UiTest.h"
#include "cleaners/ProfilesFinder.h"
#include "cleaners/ui/FrmProfilesFinder.h"
#include "core/ui/FrmMain.h"
#include "core/ui/Program.h"
#include "platform/Registry.h"

namespace lumexa::test {

using cleaners::FireFoxProfilesKey;
using cleaners::NetscapeProfilesKey;
using cleaners::ui::TFrmProfilesFinder;
using cleaners::ui::TProfilesAction;

namespace {

const std::string AppData = "C:\\Documents and Settings\\user\\Application Data";
const std::string FireFoxFolder = AppData + "\\Mozilla\\Firefox";
const std::string DefaultProfile = FireFoxFolder + "\\Profiles\\abcd1234.default";
const std::string WorkProfile = "C:\\Work\\ff\\w1x2.work";
const std::string NetscapeProfile = AppData + "\\Netscape\\Navigator\\Profiles\\n5s6.default";

// A Firefox of 2009: one relative profile, one the user created elsewhere.
const char* FireFoxIni = "[General]\r\nStartWithLastProfile=1\r\n\r\n"
                         "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/abcd1234.default\r\n\r\n"
                         "[Profile1]\r\nName=work\r\nIsRelative=0\r\nPath=C:\\Work\\ff\\w1x2.work\r\n";

// A search that stays open until it is stopped; it reports entering one folder first.
class HeldFinder : public cleaners::TProfilesFinder
{
public:
    using TProfilesFinder::TProfilesFinder;
    ~HeldFinder() override { StopAndWait(); }

protected:
    void Execute() override
    {
        if (OnSearchFolder)
            OnSearchFolder("C:\\Held\\Here\\");
        while (SleepUnlessTerminated(1000)) {
        }
        TProfilesFinder::Execute();
    }
};

class HeldProfilesFinder : public TFrmProfilesFinder
{
public:
    using TFrmProfilesFinder::TFrmProfilesFinder;

protected:
    std::unique_ptr<cleaners::TProfilesFinder> NewFinder(std::uint8_t kind) override
    {
        return std::make_unique<HeldFinder>(kind);
    }
};

} // namespace

class ProfilesManagerTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_window = std::make_unique<TFrmProfilesFinder>();
        m_window->show();
    }
    void TearDown() override
    {
        m_window.reset();
        UiTest::TearDown();
    }

    TFrmProfilesFinder& window() { return *m_window; }
    template <class T> T* Find(const char* name) { return window().findChild<T*>(QString::fromLatin1(name)); }
    QTreeWidget* Results() { return Find<QTreeWidget>("lvProfiles"); }
    QTreeWidget* Drives() { return Find<QTreeWidget>("lvDrives"); }
    QString LabelText(const char* name) { return Find<QLabel>(name)->text(); }

    void Choose(TProfilesAction action)
    {
        const char* names[] = {"rbSearchNetscape", "rbManageNetscape", "rbSearchFireFox", "rbManageFireFox"};
        Find<QRadioButton>(names[static_cast<int>(action)])->setChecked(true);
    }
    void Store(std::string_view key, const std::string& name, const std::string& data)
    {
        auto stored = machine().Registry().Create(platform::HKEY_LOCAL_MACHINE, key);
        ASSERT_TRUE(stored && stored->SetString(name, data));
    }
    std::map<std::string, std::string> StoredValues(std::string_view key)
    {
        std::map<std::string, std::string> values;
        auto stored = machine().Registry().Open(platform::HKEY_LOCAL_MACHINE, key);
        if (!stored)
            return values;
        for (const std::string& name : stored->ValueNames()) {
            std::string data;
            stored->GetString(name, data);
            values[name] = data;
        }
        return values;
    }
    // "name|path|1" per row of the results list, 1 when ticked.
    std::vector<std::string> ResultRows()
    {
        std::vector<std::string> rows;
        for (int row = 0; row < Results()->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = Results()->topLevelItem(row);
            rows.push_back(item->text(0).toStdString() + "|" + item->text(1).toStdString() + "|" +
                           (item->checkState(0) == Qt::Checked ? "1" : "0"));
        }
        return rows;
    }
    void Tick(QTreeWidget* list, const QString& startOfText, bool ticked = true)
    {
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            if (list->topLevelItem(row)->text(0).startsWith(startOfText) ||
                list->topLevelItem(row)->text(1).startsWith(startOfText)) {
                list->topLevelItem(row)->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
                return;
            }
        ADD_FAILURE() << "no row " << startOfText.toStdString();
    }
    void TickDrive(const std::string& root)
    {
        for (int row = 0; row < Drives()->topLevelItemCount(); ++row)
            if (Drives()->topLevelItem(row)->data(0, Qt::UserRole).toString().toStdString() == root) {
                Drives()->topLevelItem(row)->setCheckState(0, Qt::Checked);
                return;
            }
        ADD_FAILURE() << "no drive " << root;
    }
    std::vector<std::string> Boxes()
    {
        std::vector<std::string> shown;
        for (const auto& box : dialogs().Shown())
            shown.push_back(box.text);
        return shown;
    }
    void SeedProfiles()
    {
        WriteFile(FireFoxFolder + "\\profiles.ini", FireFoxIni);
        WriteFile(DefaultProfile + "\\prefs.js", "");
        WriteFile(WorkProfile + "\\prefs.js", "");
        // A copy in a folder whose name is not Firefox's is no profiles folder.
        WriteFile("C:\\Backup\\Mozilla\\profiles.ini",
                  "[Profile0]\r\nName=old\r\nIsRelative=1\r\nPath=Profiles/old.default\r\n");
        WriteFile(AppData + "\\Netscape\\Navigator\\profiles.ini",
                  "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/n5s6.default\r\n");
    }
    // Searches drive C: for the chosen browser and opens the results page.
    void SearchDriveC(TProfilesAction action)
    {
        Choose(action);
        Click(&window(), "btnNext");
        ASSERT_EQ(window().CurrentPage(), TFrmProfilesFinder::DrivesPage);
        TickDrive("C:\\");
        Click(&window(), "btnStartSearch");
        Click(&window(), "btnNext");
        ASSERT_EQ(window().CurrentPage(), TFrmProfilesFinder::ResultsPage);
    }

    std::unique_ptr<TFrmProfilesFinder> m_window;
};

TEST_F(ProfilesManagerTest, OpensOnTheWelcomePageWithTheFirefoxSearchChosen)
{
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Firefox - Netscape Profiles Manager"));
    EXPECT_EQ(window().CurrentPage(), TFrmProfilesFinder::WelcomePage);
    EXPECT_EQ(window().Action(), TProfilesAction::SearchFireFox);
    EXPECT_EQ(Find<QRadioButton>("rbSearchFireFox")->text(),
              QStringLiteral("Search for all Firefox profiles available on my computer"));
    EXPECT_TRUE(Find<QPushButton>("btnNext")->isVisible());
    EXPECT_FALSE(Find<QPushButton>("btnBack")->isVisible());
    EXPECT_FALSE(Find<QPushButton>("btnSave")->isVisible());
}

TEST_F(ProfilesManagerTest, ManagingAnEmptyListSaysSoAndStaysOnTheWelcomePage)
{
    const struct
    {
        TProfilesAction action;
        const char* message;
    } cases[] = {
        {TProfilesAction::ManageNetscape, "No Netscape Profiles Were Found"},
        {TProfilesAction::ManageFireFox, "No Mozilla FireFox Profiles Were Found"},
    };
    for (const auto& c : cases) {
        Choose(c.action);
        Click(&window(), "btnNext");
        ASSERT_FALSE(Boxes().empty());
        EXPECT_EQ(Boxes().back(), c.message);
        EXPECT_EQ(window().CurrentPage(), TFrmProfilesFinder::WelcomePage) << c.message;
    }
}

TEST_F(ProfilesManagerTest, ManagingListsTheStoredProfilesWithTheirTicks)
{
    Store(FireFoxProfilesKey, "abcd1234.default", DefaultProfile + ",1");
    Store(FireFoxProfilesKey, "w1x2.work", WorkProfile + ",0");
    Store(FireFoxProfilesKey, "plain", "C:\\Plain,1");
    Store(FireFoxProfilesKey, "broken", "1"); // too short to hold a path
    Store(NetscapeProfilesKey, "n5s6.default", NetscapeProfile + ",1");

    Choose(TProfilesAction::ManageFireFox);
    Click(&window(), "btnNext");

    EXPECT_TRUE(Boxes().empty());
    ASSERT_EQ(window().CurrentPage(), TFrmProfilesFinder::ResultsPage);
    // The caption is the stored name after its first ".".
    EXPECT_EQ(ResultRows(),
              (std::vector<std::string>{
                  "default|" + DefaultProfile + "|1", "work|" + WorkProfile + "|0", "plain|C:\\Plain|1"}));
    EXPECT_EQ(LabelText("lblTitle"), QStringLiteral("Current Mozilla FireFox Profiles"));
    EXPECT_EQ(LabelText("lblInstruction"), QStringLiteral("Select one or more profiles and click the Save button"));
    EXPECT_TRUE(Find<QPushButton>("btnBack")->isVisible());
    EXPECT_TRUE(Find<QPushButton>("btnBrowse")->isVisible());
    EXPECT_TRUE(Find<QPushButton>("btnSave")->isVisible());

    Click(&window(), "btnBack");
    EXPECT_EQ(window().CurrentPage(), TFrmProfilesFinder::WelcomePage);
    Choose(TProfilesAction::ManageNetscape);
    Click(&window(), "btnNext");
    EXPECT_EQ(ResultRows(), (std::vector<std::string>{"default|" + NetscapeProfile + "|1"}));
    EXPECT_EQ(LabelText("lblTitle"), QStringLiteral("Current Netscape Profiles"));
    EXPECT_EQ(LabelText("lblInstruction"),
              QStringLiteral("Select one or more profile names and click the Save button or use the Browse button to "
                             "locate and select additional Netscape profiles"));
}

TEST_F(ProfilesManagerTest, TheDrivePageListsTheFixedDrivesAndWantsOneTicked)
{
    Click(&window(), "btnNext");
    ASSERT_EQ(window().CurrentPage(), TFrmProfilesFinder::DrivesPage);
    ASSERT_GE(Drives()->topLevelItemCount(), 1);
    const QTreeWidgetItem* first = Drives()->topLevelItem(0);
    EXPECT_EQ(first->data(0, Qt::UserRole).toString(), QStringLiteral("C:\\"));
    EXPECT_TRUE(first->text(0).contains(QStringLiteral("C:")));
    EXPECT_FALSE(first->text(1).isEmpty());
    EXPECT_FALSE(first->text(2).isEmpty());
    EXPECT_EQ(Drives()->headerItem()->text(0), QStringLiteral("Drive Name"));

    Click(&window(), "btnStartSearch");
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Please, select at least one hard drive to scan!"}));
    EXPECT_TRUE(window().FoundProfiles().empty());
}

TEST_F(ProfilesManagerTest, ASearchFindsTheBrowsersProfilesAndTicksTheStoredSelectedOnes)
{
    SeedProfiles();
    // Stored by an earlier save: found again, the selected one comes up ticked.
    Store(FireFoxProfilesKey, "w1x2.work", WorkProfile + ",1");

    SearchDriveC(TProfilesAction::SearchFireFox);

    EXPECT_EQ(window().FoundProfiles(),
              (cleaners::TFoundProfiles{{"default", DefaultProfile, {}}, {"work", WorkProfile, {}}}));
    EXPECT_EQ(ResultRows(),
              (std::vector<std::string>{"default|" + DefaultProfile + "|0", "work|" + WorkProfile + "|1"}));
    EXPECT_EQ(LabelText("lblTitle"), QStringLiteral("Search Results"));
    EXPECT_EQ(LabelText("lblInstruction"), QStringLiteral("Select one or more profiles and click the Save button"));
    EXPECT_FALSE(Find<QPushButton>("btnBack")->isVisible());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ProfilesManagerTest, ANetscapeSearchFindsOnlyNetscapesProfiles)
{
    SeedProfiles();
    Choose(TProfilesAction::SearchNetscape);
    Click(&window(), "btnNext");
    TickDrive("C:\\");
    Click(&window(), "btnStartSearch");

    EXPECT_EQ(window().FoundProfiles(), (cleaners::TFoundProfiles{{"default", NetscapeProfile, {}}}));
    EXPECT_EQ(LabelText("lblCount"), QStringLiteral("1"));
    EXPECT_FALSE(window().Searching());
    EXPECT_TRUE(Find<QPushButton>("btnStartSearch")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("btnStop")->isEnabled());
}

TEST_F(ProfilesManagerTest, ASearchAfterGoingBackListsOnlyWhatItFound)
{
    SeedProfiles();
    Store(FireFoxProfilesKey, "w1x2.work", WorkProfile + ",1");
    Choose(TProfilesAction::ManageFireFox);
    Click(&window(), "btnNext");
    ASSERT_EQ(Results()->topLevelItemCount(), 1);
    Click(&window(), "btnBack");

    SearchDriveC(TProfilesAction::SearchNetscape);
    EXPECT_EQ(ResultRows(), (std::vector<std::string>{"default|" + NetscapeProfile + "|0"}));
    Tick(Results(), QStringLiteral("default"));
    Click(&window(), "btnSave");
    EXPECT_EQ(StoredValues(NetscapeProfilesKey),
              (std::map<std::string, std::string>{{"n5s6.default", NetscapeProfile + ",1"}}));
    EXPECT_EQ(StoredValues(FireFoxProfilesKey),
              (std::map<std::string, std::string>{{"w1x2.work", WorkProfile + ",1"}}));
}

TEST_F(ProfilesManagerTest, BrowseSearchesOneFolderAndAddsWhatIsNotListedYet)
{
    SeedProfiles();
    SearchDriveC(TProfilesAction::SearchFireFox);
    ASSERT_EQ(Results()->topLevelItemCount(), 2);

    // The same folder again adds nothing: each profile is listed once.
    dialogs().QueuePaths({FireFoxFolder});
    Click(&window(), "btnBrowse");
    EXPECT_EQ(Results()->topLevelItemCount(), 2);
    EXPECT_EQ(window().FoundProfiles().size(), 2u);

    // A Firefox copied elsewhere lists a profile of its own.
    WriteFile("C:\\Portable\\Firefox\\profiles.ini",
              "[Profile0]\r\nName=portable\r\nIsRelative=1\r\nPath=Data/p0rt.default\r\n");
    dialogs().QueuePaths({"C:\\Portable"});
    Click(&window(), "btnBrowse");
    EXPECT_EQ(ResultRows().back(), "portable|C:\\Portable\\Firefox\\Data\\p0rt.default|0");
    EXPECT_EQ(Results()->topLevelItemCount(), 3);
    EXPECT_TRUE(Boxes().empty());

    dialogs().QueuePaths({"C:\\Backup"});
    Click(&window(), "btnBrowse");
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"No profile found in the selected folder"}));
    EXPECT_EQ(Results()->topLevelItemCount(), 3);
}

TEST_F(ProfilesManagerTest, SaveStoresEveryListedProfileWithItsTickAndKeepsOthers)
{
    SeedProfiles();
    Store(FireFoxProfilesKey, "gone.default", "C:\\Gone\\gone.default,1");
    SearchDriveC(TProfilesAction::SearchFireFox);
    Tick(Results(), QStringLiteral("default"));

    Click(&window(), "btnSave");

    EXPECT_EQ(StoredValues(FireFoxProfilesKey),
              (std::map<std::string, std::string>{{"abcd1234.default", DefaultProfile + ",1"},
                                                  {"gone.default", "C:\\Gone\\gone.default,1"},
                                                  {"w1x2.work", WorkProfile + ",0"}}));
    EXPECT_TRUE(StoredValues(NetscapeProfilesKey).empty());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Selected profiles saved successfully"}));
    EXPECT_FALSE(window().isVisible());
    // What the cleaners read back, in the order the values were first stored.
    EXPECT_EQ(
        cleaners::LoadSavedProfiles(FireFoxProfilesKey),
        (cleaners::TSavedProfiles{{"gone.default", "C:\\Gone\\gone.default"}, {"abcd1234.default", DefaultProfile}}));
}

TEST_F(ProfilesManagerTest, SavingWithNothingTickedAsksAndStoresEveryProfileUnselected)
{
    Store(FireFoxProfilesKey, "abcd1234.default", DefaultProfile + ",1");
    Store(FireFoxProfilesKey, "w1x2.work", WorkProfile + ",1");
    Choose(TProfilesAction::ManageFireFox);
    Click(&window(), "btnNext");
    Tick(Results(), QStringLiteral("default"), false);
    Tick(Results(), QStringLiteral("work"), false);

    // No returns to the list and changes nothing.
    dialogs().QueueAnswer(platform::DialogResult::No);
    Click(&window(), "btnSave");
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Are you sure you want to un-select all profiles?"}));
    EXPECT_EQ(dialogs().Shown().back().buttons, platform::MessageButtons::YesNo);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(StoredValues(FireFoxProfilesKey).at("w1x2.work"), WorkProfile + ",1");

    dialogs().QueueAnswer(platform::DialogResult::Yes);
    Click(&window(), "btnSave");
    EXPECT_EQ(StoredValues(FireFoxProfilesKey),
              (std::map<std::string, std::string>{{"abcd1234.default", DefaultProfile + ",0"},
                                                  {"w1x2.work", WorkProfile + ",0"}}));
    // Nothing is selected, so nothing is reported as saved and the cleaners erase no profile.
    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(cleaners::LoadSavedProfiles(FireFoxProfilesKey).empty());
}

TEST_F(ProfilesManagerTest, SavingAnEmptyListAsksForProfilesFirst)
{
    SearchDriveC(TProfilesAction::SearchFireFox);
    ASSERT_EQ(Results()->topLevelItemCount(), 0);
    Click(&window(), "btnSave");
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Please, select profiles to be saved first"}));
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(StoredValues(FireFoxProfilesKey).empty());
}

TEST_F(ProfilesManagerTest, StopEndsTheSearchAndTheWindowCannotBeClosedWhileItRuns)
{
    m_window = std::make_unique<HeldProfilesFinder>();
    m_window->show();
    Click(&window(), "btnNext");
    TickDrive("C:\\");

    bool checked = false;
    QTimer::singleShot(0, &window(), [&] {
        ASSERT_TRUE(window().Searching());
        EXPECT_FALSE(Find<QPushButton>("btnExit")->isEnabled());
        EXPECT_FALSE(Find<QPushButton>("btnNext")->isEnabled());
        EXPECT_FALSE(Drives()->isEnabled());
        EXPECT_TRUE(Find<QPushButton>("btnStop")->isEnabled());
        EXPECT_EQ(LabelText("lblStatus"), QStringLiteral("Searching..."));
        // The folder the finder entered arrives through the window's own thread.
        EXPECT_TRUE(
            WaitFor([&] { return Find<QLabel>("lblFolder")->toolTip() == QStringLiteral("C:\\Held\\Here\\"); }));
        window().reject();
        window().close();
        EXPECT_TRUE(window().isVisible());
        Click(&window(), "btnStop");
        checked = true;
    });
    Click(&window(), "btnStartSearch");

    EXPECT_TRUE(checked);
    EXPECT_FALSE(window().Searching());
    EXPECT_TRUE(Find<QPushButton>("btnExit")->isEnabled());
    EXPECT_TRUE(Drives()->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("btnStop")->isEnabled());
    EXPECT_TRUE(window().isVisible());
    Click(&window(), "btnExit");
    EXPECT_FALSE(window().isVisible());
}

TEST_F(ProfilesManagerTest, TheMainWindowOpensTheManagerItIsHanded)
{
    m_window.reset();
    core::ui::TProgramOptions options;
    int opened = 0;
    options.modalWindows.emplace_back(core::ui::TNavAction::ProfilesManager, [&](QWidget* parent) {
        EXPECT_NE(parent, nullptr);
        ++opened;
    });
    core::ui::TProgram program(std::move(options));
    ASSERT_FALSE(program.Start({}).has_value());
    core::ui::TFrmMain& main = *program.MainWindow();
    auto* item = main.findChild<QAbstractButton*>(QStringLiteral("navProfilesManager"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isEnabled());
    item->click();
    EXPECT_EQ(opened, 1);
}

} // namespace lumexa::test
