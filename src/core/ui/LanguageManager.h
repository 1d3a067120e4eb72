#pragma once

#include <optional>

#include <QObject>

#include "core/MessageTable.h"

class QMenu;
class QWidget;

// The language of every shown text. The choice is kept in the registry (HKEY_LOCAL_MACHINE
// "SOFTWARE\Orvanta\Lumexa", value "Language", the language code as REG_SZ) and applied at
// start. Changing it sends QEvent::LanguageChange to every widget, whose windows then reload
// their texts from the message table, and emits LanguageChanged.
namespace lumexa::core::ui {

class TLanguageManager : public QObject
{
    Q_OBJECT

public:
    static TLanguageManager& Instance();

    TLanguage Language() const;
    // Reads the stored choice and makes it current; English when none is stored.
    void ApplyStoredLanguage();
    // Makes the language current, stores it and retranslates every window.
    void SetLanguage(TLanguage language);

    // The stored choice; nullopt when none (or an unknown code) is stored.
    static std::optional<TLanguage> StoredLanguage();
    static bool StoreLanguage(TLanguage language);

    // A "Language" menu with one checkable entry per language, kept in step with the choice.
    QMenu* CreateMenu(QWidget* parent);

signals:
    void LanguageChanged();

private:
    TLanguageManager() = default;
};

} // namespace lumexa::core::ui
