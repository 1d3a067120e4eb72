#pragma once

#include <functional>
#include <memory>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "core/ui/FloatingForm.h"
#include "platform/Dialogs.h"
#include "support/MachineTest.h"

namespace lumexa::test {

// A throwaway machine with the windows' services: scripted dialogs (every box is recorded
// and answered) and English texts. Windows left open by a test are closed afterwards.
class UiTest : public MachineTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    platform::TScriptedDialogs& dialogs() { return *m_dialogs; }
    // Waits (processing events) until `condition` holds; false after five seconds.
    static bool WaitFor(const std::function<bool()>& condition);
    // Runs `act` on the next modal window once it is up: a modal window's own event loop keeps
    // running, so the test answers it from there. `act` must close the window; one left open
    // fails the test and is closed.
    static void OnNextModal(std::function<void(QWidget*)> act);
    // Clicks the button of that object name inside `parent`.
    static void Click(QWidget* parent, const char* objectName);
    bool JournalHas(const std::string& line);
    // Rewrites a key of machine.ini and reopens the machine as the current one.
    void ReopenWithIni(const std::string& from, const std::string& to);

private:
    std::shared_ptr<platform::TScriptedDialogs> m_dialogs;
    std::shared_ptr<platform::Machine> m_reopened;
};

// A page window that records the page protocol and may refuse to be left.
class TTestPage : public core::ui::TFloatingForm
{
    Q_OBJECT

public:
    explicit TTestPage(QWidget* parent = nullptr);
    void PageShown() override { ++shown; }
    void PageLeft() override { ++left; }
    bool CanLeavePage() override { return canLeave; }

    int shown = 0;
    int left = 0;
    bool canLeave = true;
};

} // namespace lumexa::test
