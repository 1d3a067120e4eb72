#include <utility>

#include "cleaners/Cleaners.h"
#include "cleaners/ui/FrmBrowserSettings.h"
#include "cleaners/ui/FrmCookiesManager.h"
#include "cleaners/ui/FrmIEURLManager.h"
#include "cleaners/ui/FrmProfilesFinder.h"
#include "cleaners/ui/FrmWindowsSettings.h"
#include "core/ui/ProgramEntry.h"
#include "filesecurity/ui/FrmDecryption.h"
#include "filesecurity/ui/FrmEncryption.h"

namespace {

template <class TPage> lumexa::core::ui::TPageFactory PageOf()
{
    return [](QWidget* parent) { return static_cast<lumexa::core::ui::TFloatingForm*>(new TPage(parent)); };
}

// The browser settings page with the windows it opens.
lumexa::core::ui::TFloatingForm* NewBrowserSettings(QWidget* parent)
{
    using namespace lumexa::cleaners::ui;
    auto* page = new TFrmBrowserSettings(parent);
    TBrowserTools tools;
    tools.cookiesManager = [page](TCookiesMode mode) { TFrmCookiesManager::Open(mode, page); };
    tools.urlManager = [page] { TFrmIEURLManager::Open(page); };
    tools.profilesManager = [page] { TFrmProfilesFinder::Open(page); };
    page->SetTools(std::move(tools));
    return page;
}

} // namespace

int main(int argc, char** argv)
{
    lumexa::cleaners::InstallCleaners();
    lumexa::core::ui::TProgramOptions options;
    // The core windows do not link the tools' own pages; the program hands them over, in the
    // order the windows are created.
    options.extraPages.emplace_back(lumexa::filesecurity::ui::DecryptionPage,
                                    PageOf<lumexa::filesecurity::ui::TfrmDecryption>());
    options.extraPages.emplace_back(lumexa::filesecurity::ui::EncryptionPage,
                                    PageOf<lumexa::filesecurity::ui::TfrmEncryption>());
    options.extraPages.emplace_back(lumexa::cleaners::ui::BrowserSettingsPage, NewBrowserSettings);
    options.extraPages.emplace_back(lumexa::cleaners::ui::WindowsSettingsPage,
                                    PageOf<lumexa::cleaners::ui::TFrmWindowsSettings>());
    options.modalWindows.emplace_back(lumexa::core::ui::TNavAction::ProfilesManager,
                                      [](QWidget* parent) { lumexa::cleaners::ui::TFrmProfilesFinder::Open(parent); });
    return lumexa::core::ui::RunLumexa(argc, argv, std::move(options));
}
