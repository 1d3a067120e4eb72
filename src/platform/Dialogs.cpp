#include "platform/Dialogs.h"

#include <mutex>

namespace lumexa::platform {

namespace {
std::mutex g_dialogsMutex;
std::shared_ptr<IDialogs> g_dialogs;
} // namespace

DialogResult TScriptedDialogs::MessageBox(const MessageBoxRequest& request)
{
    m_shown.push_back(request);
    if (!m_answers.empty()) {
        const DialogResult answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        return answer;
    }
    switch (request.buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return DialogResult::Yes;
    default:
        return DialogResult::Ok;
    }
}

std::vector<std::string> TScriptedDialogs::OpenFiles(const FileDialogRequest&)
{
    if (m_paths.empty())
        return {};
    auto paths = std::move(m_paths.front());
    m_paths.erase(m_paths.begin());
    return paths;
}

std::optional<std::string> TScriptedDialogs::SaveFile(const FileDialogRequest& request)
{
    auto paths = OpenFiles(request);
    if (paths.empty())
        return std::nullopt;
    return paths.front();
}

std::optional<std::string> TScriptedDialogs::SelectFolder(const std::string&, const std::string&)
{
    auto paths = OpenFiles({});
    if (paths.empty())
        return std::nullopt;
    return paths.front();
}

IDialogs& Dialogs()
{
    std::lock_guard lock(g_dialogsMutex);
    if (!g_dialogs)
        g_dialogs = std::make_shared<TScriptedDialogs>();
    return *g_dialogs;
}

void SetDialogs(std::shared_ptr<IDialogs> dialogs)
{
    std::lock_guard lock(g_dialogsMutex);
    g_dialogs = std::move(dialogs);
}

} // namespace lumexa::platform
