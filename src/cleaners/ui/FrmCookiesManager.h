#pragma once

#include <memory>
#include <string_view>

#include "cleaners/ui/FrmBrowserSettings.h"
#include "cleaners/ui/KeepListManager.h"

// "Cookies Manager": the sites that hold cookies in one browser ("Current Cookies List") and
// the sites whose cookies the cleaners keep ("Cookies Safe List"). Internet Explorer and AOL
// share Internet Explorer's cookie store and "Settings\SafeCookies.txt"; Netscape and Firefox
// read the cookies of the selected profiles and keep "Settings\SafeNSCookies.txt" and
// "Settings\SafeFFCookies.txt".
namespace lumexa::cleaners {
class TIECleanerThread;
}

namespace lumexa::cleaners::ui {

// The keep file of a mode.
std::string_view CookiesKeepFile(TCookiesMode mode);

class TFrmCookiesManager : public TKeepListManager
{
    Q_OBJECT

public:
    explicit TFrmCookiesManager(TCookiesMode mode, QWidget* parent = nullptr);
    ~TFrmCookiesManager() override;

    // Shows the window modally and frees it afterwards.
    static void Open(TCookiesMode mode, QWidget* parent = nullptr);

    TCookiesMode Mode() const { return m_mode; }

protected:
    void Collect() override;
    void StopCollecting() override;

private:
    // Internet Explorer's cookie store: the cache entries the IE cleaner reports in analysis.
    void CollectCacheCookies();

    TCookiesMode m_mode;
    std::unique_ptr<TIECleanerThread> m_cleaner;
};

} // namespace lumexa::cleaners::ui
