#include "cleaners/ui/KeepListManager.h"

#include <algorithm>

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "cleaners/KeepList.h"
#include "core/Helpers.h"
#include "core/MessageTable.h"
#include "platform/Dialogs.h"

namespace lumexa::cleaners::ui {

namespace {

// Lets the window be painted before the lists are filled.
constexpr int FillDelayMs = 100;

QString Text(const char* key)
{
    return QString::fromStdString(core::Msg(key));
}

std::vector<std::string> EntriesOf(const QListWidget& list)
{
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(list.count()));
    for (int row = 0; row < list.count(); ++row)
        entries.push_back(list.item(row)->text().toStdString());
    return entries;
}

// Sorted as the user reads them: ignoring case, then by case so the order is total.
void SortList(QListWidget& list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts.push_back(list.item(row)->text());
    std::stable_sort(texts.begin(), texts.end(), [](const QString& a, const QString& b) {
        const int order = QString::compare(a, b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    list.clear();
    list.addItems(texts);
}

} // namespace

bool ListHolds(const QListWidget& list, const QString& text)
{
    for (int row = 0; row < list.count(); ++row)
        if (list.item(row)->text().compare(text, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

TKeepListManager::TKeepListManager(std::string_view keepFile, const TKeepListCaptions& captions, QWidget* parent)
    : QDialog(parent)
    , m_keepFile(keepFile)
    , m_captions(captions)
{
    setObjectName(QStringLiteral("frmKeepListManager"));
    m_current = new QListWidget(this);
    m_current->setObjectName(QStringLiteral("lstCurrent"));
    m_current->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_safe = new QListWidget(this);
    m_safe->setObjectName(QStringLiteral("lstSafe"));
    m_safe->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_currentLabel = new QLabel(this);
    m_safeLabel = new QLabel(this);

    const auto makeButton = [this](const char* name, const char* text) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setEnabled(false);
        return button;
    };
    m_add = makeButton("btnAdd", ">");
    m_addAll = makeButton("btnAddAll", ">>");
    m_remove = makeButton("btnRemove", "<");
    m_removeAll = makeButton("btnRemoveAll", "<<");
    connect(m_add, &QPushButton::clicked, this, [this] { Move(m_current, m_safe, false); });
    connect(m_addAll, &QPushButton::clicked, this, [this] { Move(m_current, m_safe, true); });
    connect(m_remove, &QPushButton::clicked, this, [this] { Move(m_safe, m_current, false); });
    connect(m_removeAll, &QPushButton::clicked, this, [this] { Move(m_safe, m_current, true); });

    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {m_add, m_addAll, m_remove, m_removeAll})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_currentLabel, 0, 0);
    layout->addWidget(m_safeLabel, 0, 2);
    layout->addWidget(m_current, 1, 0);
    layout->addLayout(buttons, 1, 1);
    layout->addWidget(m_safe, 1, 2);
    resize(520, 360);
    Retranslate();

    QTimer::singleShot(FillDelayMs, this, &TKeepListManager::Fill);
}

std::vector<std::string> TKeepListManager::CurrentEntries() const
{
    return EntriesOf(*m_current);
}

std::vector<std::string> TKeepListManager::SafeEntries() const
{
    return EntriesOf(*m_safe);
}

void TKeepListManager::Fill()
{
    if (m_closed)
        return;
    m_filling = true;
    const QString loading = Text("strLX_CAPTION773");
    m_current->addItem(loading);
    m_safe->addItem(loading);
    repaint();
    QApplication::processEvents();
    if (m_abandoned) {
        m_filling = false;
        return;
    }
    m_current->setUpdatesEnabled(false);
    m_safe->setUpdatesEnabled(false);

    Collect();

    m_filling = false;
    if (m_abandoned)
        return;
    delete m_current->takeItem(0);
    delete m_safe->takeItem(0);
    m_current->setUpdatesEnabled(true);
    m_safe->setUpdatesEnabled(true);
    SortList(*m_current);
    SortList(*m_safe);
    m_filled = true;
    UpdateButtons();
    if (m_current->count() == 0)
        platform::Dialogs().MessageBox({core::Msg(m_captions.emptyKey),
                                        windowTitle().toStdString(),
                                        platform::MessageIcon::Information,
                                        platform::MessageButtons::Ok});
}

void TKeepListManager::AddSafe(const std::string& entry)
{
    // A blank line of the keep file is no entry: it would show as an empty row.
    if (!entry.empty())
        m_safe->addItem(QString::fromStdString(entry));
}

void TKeepListManager::AddCurrent(const std::string& entry, bool checkLeft)
{
    const QString text = QString::fromStdString(entry);
    if (text.isEmpty() || (checkLeft && ListHolds(*m_current, text)) || ListHolds(*m_safe, text))
        return;
    m_current->addItem(text);
    emit EntryListed(text);
}

void TKeepListManager::Move(QListWidget* from, QListWidget* to, bool all)
{
    for (int row = from->count() - 1; row >= 0; --row)
        if (all || from->item(row)->isSelected())
            to->addItem(from->takeItem(row));
    SortList(*to);
    UpdateButtons();
}

void TKeepListManager::UpdateButtons()
{
    m_add->setEnabled(m_filled && m_current->count() > 0);
    m_addAll->setEnabled(m_filled && m_current->count() > 0);
    m_remove->setEnabled(m_filled && m_safe->count() > 0);
    m_removeAll->setEnabled(m_filled && m_safe->count() > 0);
}

void TKeepListManager::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        if (m_filling) {
            m_abandoned = true;
            StopCollecting();
        } else if (m_filled) {
            Save();
        }
    }
    QDialog::done(result);
}

void TKeepListManager::Save()
{
    // Written whole through a temporary file: a failed write keeps the former list.
    if (!TKeepList::Save(m_keepFile, SafeEntries()))
        core::LogError("Cannot write the keep list " + TKeepList::PathOf(m_keepFile), false);
}

void TKeepListManager::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranslate();
    QDialog::changeEvent(event);
}

void TKeepListManager::Retranslate()
{
    setWindowTitle(Text(m_captions.titleKey));
    m_currentLabel->setText(Text(m_captions.currentKey));
    m_safeLabel->setText(Text(m_captions.safeKey));
    m_add->setToolTip(Text("strLX_CAPTION768"));
    m_addAll->setToolTip(Text("strLX_CAPTION769"));
    m_remove->setToolTip(Text("strLX_CAPTION770"));
    m_removeAll->setToolTip(Text(m_captions.removeAllKey));
}

} // namespace lumexa::cleaners::ui
