#include "core/ui/Program.h"

#include "core/MessageTable.h"
#include "core/SettingsManager.h"
#include "core/ui/Application.h"
#include "core/ui/ErrorDialog.h"
#include "core/ui/FrmAboutUs.h"
#include "core/ui/FrmMain.h"
#include "core/ui/FrmRepEraseSummary.h"
#include "core/ui/FrmRepErasedFilesFolders.h"
#include "core/ui/FrmTracksEraser.h"
#include "core/ui/InstanceServer.h"
#include "core/ui/LanguageManager.h"
#include "core/ui/SplashScreen.h"
#include "platform/Dialogs.h"
#include "platform/Machine.h"
#include "platform/NamedMutex.h"

namespace lumexa::core::ui {

namespace {
constexpr std::uint8_t StartInTrayItem = 25;
constexpr std::uint8_t SplashItem = 26;
constexpr std::uint8_t ReinstallItem = 90;
constexpr std::string_view MutexName = "LumexaMUTEX";
} // namespace

TProgram::TProgram(TProgramOptions options)
    : m_options(std::move(options))
{}

TProgram::~TProgram()
{
    TApplication::SetErrorHandler(nullptr);
}

bool TProgram::IsReinstall(const QStringList& arguments)
{
    return !arguments.isEmpty() && arguments.front() == QLatin1String("reinstall");
}

void TProgram::RecordReinstall()
{
    (void)TSettingsManager::WriteDate(ReinstallItem, platform::Machine::Current().Clock().Now());
}

std::optional<int> TProgram::Start(const QStringList& arguments)
{
    if (IsReinstall(arguments)) {
        RecordReinstall();
        return 0;
    }
    platform::Machine& machine = platform::Machine::Current();
    TLanguageManager::Instance().ApplyStoredLanguage();

    if (TSettingsManager::ReadBool(SplashItem)) {
        TSplashScreen splash;
        splash.ShowFor(m_options.splashMilliseconds);
    }

    bool alreadyExisted = false;
    m_mutex = platform::NamedMutex::Create(machine, MutexName, alreadyExisted);
    if (!m_mutex || alreadyExisted) {
        m_mutex.reset();
        platform::Dialogs().MessageBox({Msg("strLX_MESSAGE011"),
                                        Msg("strLX_MESSAGE_HEADER500"),
                                        platform::MessageIcon::Information,
                                        platform::MessageButtons::Ok});
        TInstanceServer::NotifyRunningInstance(machine.Root());
        return 0;
    }

    CreateWindows();

    if (machine.OsVersion().nt && !machine.Config().administrator) {
        platform::Dialogs().MessageBox({Msg("strLX_MESSAGE500"),
                                        Msg("strLX_MESSAGE_HEADER500"),
                                        platform::MessageIcon::Error,
                                        platform::MessageButtons::Ok});
        return 1;
    }

    m_server = std::make_unique<TInstanceServer>(machine.Root());
    QObject::connect(m_server.get(), &TInstanceServer::ActivationRequested, m_main.get(), &TFrmMain::BringToFront);
    m_server->Listen();

    if (TSettingsManager::ReadBool(StartInTrayItem))
        m_main->StartInTray();
    else
        m_main->show();
    m_main->ShowPage(HomePage);
    return std::nullopt;
}

void TProgram::CreateWindows()
{
    // The main window first: its creation loads the texts the other windows show.
    m_main = std::make_unique<TFrmMain>();
    m_errorDialog = std::make_unique<TErrorDialog>(m_main.get());
    TApplication::SetErrorHandler(
        [dialog = m_errorDialog.get()](const std::string& text) { dialog->ShowError(QString::fromStdString(text)); });
    // The page windows of the tools, each registered with its page, in the order of creation.
    auto* tracksEraser = new TFrmTracksEraser(m_main.get());
    QObject::connect(tracksEraser, &TFrmTracksEraser::StatisticsChanged, m_main.get(), &TFrmMain::RefreshSummary);
    QObject::connect(tracksEraser,
                     &TFrmTracksEraser::CloseProgramRequested,
                     m_main.get(),
                     &TFrmMain::TryClose,
                     Qt::QueuedConnection);
    m_main->RegisterPage(TracksEraserPage, tracksEraser);
    m_main->RegisterPage(AboutPage, new TFrmAboutUs(m_main.get()));
    for (const auto& [page, create] : m_options.extraPages)
        m_main->RegisterPage(page, create(m_main.get()));
    for (const auto& [action, open] : m_options.modalWindows)
        m_main->SetModalWindow(action, [main = m_main.get(), open = open] { open(main); });
    m_main->RegisterPage(ErasedFilesPage, new TFrmRepErasedFilesFolders(m_main.get()));
    auto* statistics = new TFrmRepEraseSummary(m_main.get());
    QObject::connect(statistics, &TFrmRepEraseSummary::StatisticsChanged, m_main.get(), &TFrmMain::RefreshSummary);
    m_main->RegisterPage(ProgramStatisticsPage, statistics);
}

} // namespace lumexa::core::ui
