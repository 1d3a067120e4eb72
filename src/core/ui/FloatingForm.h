#pragma once

#include <functional>

#include <QPointer>
#include <QWidget>

// The base of every page window. A page window is docked into its page of the main window's
// page area on first use, can be floated out into a window of its own ("Popup Window"), and
// takes part in the page protocol: PageShown when its page becomes the active page (load
// settings), PageLeft when it stops being it (store settings), and CanLeavePage, asked first,
// which a window with a job in progress answers false.
namespace lumexa::core::ui {

class TFloatingForm : public QWidget
{
    Q_OBJECT

public:
    explicit TFloatingForm(QWidget* parent = nullptr);

    // Makes `page` the window's parent and fills it, without border; clears the floating flag.
    virtual void DockInto(QWidget* page, QWidget* owner);
    virtual void SetPageMode(int mode);
    virtual void PageShown();
    virtual void PageLeft();
    virtual bool CanLeavePage();

    QWidget* HostPage() const { return m_hostPage; }
    QWidget* Owner() const { return m_owner; }
    bool Floating() const { return m_floating; }
    int PageMode() const { return m_pageMode; }

    // Floats the window out of its page into a window of its own, centred on the screen.
    // A window with a fixed maximum size gets a fixed border with a close button only.
    void FloatOut();
    // Docks a floated window back into its page (what closing the floated window does).
    void DockAgain();

    // Called after DockAgain; the main window restores the application here.
    std::function<void()> OnDockedAgain;

protected:
    // Closing a floated window docks it again instead.
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Reloads every shown text from the message table; called when the language changes.
    virtual void Retranslate() {}

private:
    QPointer<QWidget> m_hostPage;
    QPointer<QWidget> m_owner;
    bool m_floating = false;
    int m_pageMode = 0;
};

} // namespace lumexa::core::ui
