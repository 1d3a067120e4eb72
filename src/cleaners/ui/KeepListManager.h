#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class QString;

// What the cookies manager and the URL manager share: a left list of what the browser holds now,
// a right list of what the cleaners keep (the keep file "Settings\<file>"), and four buttons
// moving entries between them. The lists are filled 100 ms after the window opens, so that it
// is visible first; closing writes the right list to the keep file, sorted, but only once
// filling has completed: a window closed while filling leaves the user's list untouched.
namespace lumexa::cleaners::ui {

struct TKeepListCaptions
{
    const char* titleKey;
    const char* currentKey;   // the left list's caption
    const char* safeKey;      // the right list's caption
    const char* removeAllKey; // the hint of "<<"
    const char* emptyKey;     // the box shown when the left list stays empty
};

class TKeepListManager : public QDialog
{
    Q_OBJECT

public:
    // The keep file the right list is read from and written to.
    std::string_view KeepFile() const { return m_keepFile; }
    // True once the lists are filled (the keep file is written on closing only then).
    bool Filled() const { return m_filled; }
    bool Filling() const { return m_filling; }
    std::vector<std::string> CurrentEntries() const;
    std::vector<std::string> SafeEntries() const;

    void done(int result) override;

signals:
    // An entry was added to the left list while filling, on the user-interface thread.
    void EntryListed(const QString& entry);

protected:
    TKeepListManager(std::string_view keepFile, const TKeepListCaptions& captions, QWidget* parent);

    // Fills the lists (between the placeholders): the subclass appends the keep file with
    // AddSafe and what the browser holds with AddCurrent, stopping once Abandoned().
    virtual void Collect() = 0;
    // The window closes while Collect runs: stop what runs in the background.
    virtual void StopCollecting() {}

    void AddSafe(const std::string& entry);
    // Adds the entry to the left list unless the left list (when `checkLeft`) or the right list
    // holds it, ignoring case.
    void AddCurrent(const std::string& entry, bool checkLeft = true);
    bool Abandoned() const { return m_abandoned; }

    void changeEvent(QEvent* event) override;

private:
    void Fill();
    void Retranslate();
    void Move(QListWidget* from, QListWidget* to, bool all);
    void UpdateButtons();
    void Save();

    std::string m_keepFile;
    TKeepListCaptions m_captions;
    QListWidget* m_current = nullptr;
    QListWidget* m_safe = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_addAll = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_removeAll = nullptr;
    QLabel* m_currentLabel = nullptr;
    QLabel* m_safeLabel = nullptr;
    bool m_filling = false;
    bool m_filled = false;
    bool m_abandoned = false;
    bool m_closed = false;
};

// True when `list` holds `text`, ignoring case.
bool ListHolds(const QListWidget& list, const QString& text);

} // namespace lumexa::cleaners::ui
