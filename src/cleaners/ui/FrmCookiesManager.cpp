#include "cleaners/ui/FrmCookiesManager.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>

#include "cleaners/CookieHosts.h"
#include "cleaners/IECleaner.h"
#include "cleaners/KeepList.h"
#include "core/ui/EventWait.h"

namespace lumexa::cleaners::ui {

namespace {

constexpr int TerminatedPollMs = 10;

const TKeepListCaptions Captions = {
    "strLX_CAPTION699", "strLX_CAPTION764", "strLX_CAPTION765", "strLX_CAPTION772", "strLX_MESSAGE536"};

bool IsProfileMode(TCookiesMode mode)
{
    return mode == TCookiesMode::Netscape || mode == TCookiesMode::FireFox;
}

} // namespace

std::string_view CookiesKeepFile(TCookiesMode mode)
{
    switch (mode) {
    case TCookiesMode::Netscape:
        return SafeNSCookiesFile;
    case TCookiesMode::FireFox:
        return SafeFFCookiesFile;
    default:
        return SafeCookiesFile;
    }
}

TFrmCookiesManager::TFrmCookiesManager(TCookiesMode mode, QWidget* parent)
    : TKeepListManager(CookiesKeepFile(mode), Captions, parent)
    , m_mode(mode)
{
    setObjectName(QStringLiteral("frmCookiesManager"));
}

TFrmCookiesManager::~TFrmCookiesManager() = default;

void TFrmCookiesManager::Open(TCookiesMode mode, QWidget* parent)
{
    TFrmCookiesManager window(mode, parent);
    window.exec();
}

void TFrmCookiesManager::Collect()
{
    if (!IsProfileMode(m_mode)) {
        const TKeepList kept = TKeepList::Load(KeepFile());
        for (const std::string& line : kept.Lines())
            AddSafe(line);
        CollectCacheCookies();
        return;
    }
    const TSavedProfiles profiles =
        LoadSavedProfiles(m_mode == TCookiesMode::FireFox ? FireFoxProfilesKey : NetscapeProfilesKey);
    const TKeepList kept = TKeepList::Load(KeepFile());
    for (const std::string& line : kept.Lines())
        AddSafe(line);
    for (const std::string& host : ProfileCookieHosts(profiles, m_mode == TCookiesMode::FireFox)) {
        if (Abandoned())
            return;
        AddCurrent(host);
    }
}

void TFrmCookiesManager::CollectCacheCookies()
{
    if (Abandoned())
        return;
    // The cleaner's events run on its own thread: they only post to this window, whose thread
    // adds the hosts. The window outlives the cleaner, which is gone before this returns.
    m_cleaner = NewIECookieLister([this](std::string host) {
        QMetaObject::invokeMethod(
            this, [this, host = std::move(host)] { AddCurrent(host); }, Qt::QueuedConnection);
    });

    // The window's messages are processed while the cleaner works; its Terminated flag, which
    // it sets when done, is polled as the cleaning run polls it.
    m_cleaner->Resume();
    core::ui::WaitHandlingEvents([this] { return m_cleaner->Terminated(); }, TerminatedPollMs);
    m_cleaner.reset();
    // Hosts posted before the cleaner ended and not yet delivered.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TFrmCookiesManager::StopCollecting()
{
    if (m_cleaner)
        m_cleaner->Terminate();
}

} // namespace lumexa::cleaners::ui
