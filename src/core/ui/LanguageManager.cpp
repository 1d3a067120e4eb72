#include "core/ui/LanguageManager.h"

#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QWidget>

#include "platform/Machine.h"
#include "platform/Registry.h"

namespace lumexa::core::ui {

namespace {
constexpr std::string_view ProgramKeyPath = "SOFTWARE\\Orvanta\\Lumexa";
constexpr std::string_view LanguageValue = "Language";
} // namespace

TLanguageManager& TLanguageManager::Instance()
{
    static TLanguageManager* const instance = new TLanguageManager; // lives until the process ends
    return *instance;
}

TLanguage TLanguageManager::Language() const
{
    return TMessageTable::Instance().Language();
}

std::optional<TLanguage> TLanguageManager::StoredLanguage()
{
    if (!platform::Machine::HasCurrent())
        return std::nullopt;
    const auto key = platform::Machine::Current().Registry().Open(platform::HKEY_LOCAL_MACHINE, ProgramKeyPath, false);
    std::string code;
    if (!key || key->GetString(LanguageValue, code) != platform::RegRead::Ok)
        return std::nullopt;
    return LanguageFromCode(code);
}

bool TLanguageManager::StoreLanguage(TLanguage language)
{
    if (!platform::Machine::HasCurrent())
        return false;
    const auto key = platform::Machine::Current().Registry().Create(platform::HKEY_LOCAL_MACHINE, ProgramKeyPath);
    return key && key->SetString(LanguageValue, LanguageCode(language));
}

void TLanguageManager::ApplyStoredLanguage()
{
    TMessageTable::Instance().SetLanguage(StoredLanguage().value_or(TLanguage::English));
}

void TLanguageManager::SetLanguage(TLanguage language)
{
    TMessageTable::Instance().SetLanguage(language);
    // A user without rights to HKEY_LOCAL_MACHINE still gets the language for this run.
    (void)StoreLanguage(language);
    QEvent event(QEvent::LanguageChange);
    for (QWidget* widget : QApplication::allWidgets())
        QCoreApplication::sendEvent(widget, &event);
    emit LanguageChanged();
}

QMenu* TLanguageManager::CreateMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("mnuLanguage"));
    auto* group = new QActionGroup(menu);
    for (const TLanguage language : AllLanguages) {
        QAction* action = menu->addAction(QString::fromStdString(std::string(LanguageName(language))));
        action->setObjectName(QStringLiteral("actLanguage_") +
                              QString::fromStdString(std::string(LanguageCode(language))));
        action->setCheckable(true);
        action->setChecked(language == Language());
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, language] { SetLanguage(language); });
    }
    auto update = [menu, group, this] {
        menu->setTitle(QString::fromStdString(Msg("strLX_CAPTION901")));
        const auto actions = group->actions();
        for (std::size_t i = 0; i < AllLanguages.size() && i < static_cast<std::size_t>(actions.size()); ++i)
            actions[static_cast<qsizetype>(i)]->setChecked(AllLanguages[i] == Language());
    };
    update();
    connect(this, &TLanguageManager::LanguageChanged, menu, update);
    return menu;
}

} // namespace lumexa::core::ui
