#pragma once

#include <array>
#include <string>

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

// The home page (page 0): the statistics summary, the date of the last erase, a tip, the
// support links and "Run Live Update". It only shows; the main window fills it.
namespace lumexa::core::ui {

inline constexpr std::size_t SummaryValueCount = 8;

class THomePage : public QWidget
{
    Q_OBJECT

public:
    explicit THomePage(QWidget* parent = nullptr);

    // The eight summary values in the order Browsers, Windows, Plugins, Email, Obsolete Files,
    // Duplicate Files, Broken Shortcuts, Files Shredder. They start as "000000".
    void SetSummaryValue(std::size_t index, const QString& text);
    void SetLastEraseDate(const QString& text);
    void SetTip(const QString& text);

signals:
    void SupportHomeClicked();
    void FaqClicked();
    void SupportTicketClicked();
    void LiveUpdateClicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    QPushButton* AddLink(QWidget* parent, const QString& objectName);

    QGroupBox* m_summary = nullptr;
    QGroupBox* m_lastErase = nullptr;
    QGroupBox* m_tipBox = nullptr;
    QGroupBox* m_links = nullptr;
    QGroupBox* m_liveUpdate = nullptr;
    std::array<QLabel*, SummaryValueCount> m_captions{};
    std::array<QLabel*, SummaryValueCount> m_values{};
    QLabel* m_lastEraseDate = nullptr;
    QLabel* m_tip = nullptr;
    QPushButton* m_supportHome = nullptr;
    QPushButton* m_faq = nullptr;
    QPushButton* m_supportTicket = nullptr;
    QPushButton* m_runLiveUpdate = nullptr;
};

} // namespace lumexa::core::ui
