#include "UiTest.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <QAbstractButton>
#include <QTimer>

#include "core/MessageTable.h"
#include "core/ui/Application.h"
#include "platform/Machine.h"

namespace lumexa::test {

void UiTest::SetUp()
{
    MachineTest::SetUp();
    m_dialogs = std::make_shared<platform::TScriptedDialogs>();
    platform::SetDialogs(m_dialogs);
    core::TMessageTable::Instance().SetLanguage(core::TLanguage::English);
}

void UiTest::TearDown()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
    core::ui::TApplication::SetErrorHandler(nullptr);
    core::TMessageTable::Instance().SetLanguage(core::TLanguage::English);
    platform::SetDialogs(nullptr);
    m_reopened.reset();
    MachineTest::TearDown();
}

bool UiTest::WaitFor(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, 5000);
}

void UiTest::OnNextModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
        // A window the test left open would keep the call under test waiting for ever.
        if (QApplication::activeModalWidget() == modal && modal->isVisible()) {
            ADD_FAILURE() << "the modal window " << modal->objectName().toStdString() << " is still open";
            modal->close();
        }
    });
    timer->start();
}

void UiTest::Click(QWidget* parent, const char* objectName)
{
    auto* button = parent->findChild<QAbstractButton*>(QString::fromLatin1(objectName));
    ASSERT_NE(button, nullptr) << objectName;
    button->click();
}

bool UiTest::JournalHas(const std::string& line)
{
    for (const std::string& entry : platform::Machine::Current().JournalLines())
        if (entry.find(line) != std::string::npos)
            return true;
    return false;
}

void UiTest::ReopenWithIni(const std::string& from, const std::string& to)
{
    const std::string root = platform::Machine::Current().Root();
    const std::string iniPath = root + "/machine.ini";
    std::stringstream text;
    text << std::ifstream(iniPath).rdbuf();
    std::string ini = text.str();
    const std::size_t at = ini.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    ini.replace(at, from.size(), to);
    std::ofstream(iniPath, std::ios::trunc) << ini;
    std::string error;
    m_reopened = platform::Machine::Open(root, &error);
    ASSERT_TRUE(m_reopened) << error;
    platform::Machine::SetCurrent(m_reopened);
}

TTestPage::TTestPage(QWidget* parent)
    : TFloatingForm(parent)
{
    setObjectName(QStringLiteral("TTestPage"));
}

} // namespace lumexa::test
