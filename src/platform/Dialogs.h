#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Message boxes and file dialogs. Engines never show a window: they ask this service, which
// the desktop program implements with Qt and the CLI and tests answer from a script, so every
// flow runs headless. Every box shown is also recorded in the machine's journal.
namespace lumexa::platform {

enum class MessageIcon
{
    None,
    Information,
    Warning,
    Error,
    Question,
};

enum class MessageButtons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
};

// Windows' IDOK..IDNO values, because callers compare them.
enum class DialogResult : int
{
    None = 0,
    Ok = 1,
    Cancel = 2,
    Yes = 6,
    No = 7,
};

struct MessageBoxRequest
{
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

struct FileDialogRequest
{
    std::string title;
    std::string filter; // "Description|*.a;*.b|All files|*.*"
    std::string initialFolder;
    std::string proposedName;
    bool multiSelect = false;
    bool mustExist = true;
};

class IDialogs
{
public:
    virtual ~IDialogs() = default;
    virtual DialogResult MessageBox(const MessageBoxRequest& request) = 0;
    // Chosen Windows paths; empty when cancelled.
    virtual std::vector<std::string> OpenFiles(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SelectFolder(const std::string& title, const std::string& initialFolder) = 0;
};

// Answers from a queue (tests, CLI). A box with no queued answer gets its default button
// (OK, or the first of Yes/No) so an unattended flow never blocks; every request is kept.
class TScriptedDialogs : public IDialogs
{
public:
    DialogResult MessageBox(const MessageBoxRequest& request) override;
    std::vector<std::string> OpenFiles(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
    std::optional<std::string> SelectFolder(const std::string& title, const std::string& initialFolder) override;

    void QueueAnswer(DialogResult answer) { m_answers.push_back(answer); }
    void QueuePaths(std::vector<std::string> paths) { m_paths.push_back(std::move(paths)); }
    const std::vector<MessageBoxRequest>& Shown() const { return m_shown; }

private:
    std::vector<DialogResult> m_answers;
    std::vector<std::vector<std::string>> m_paths;
    std::vector<MessageBoxRequest> m_shown;
};

// The process-wide dialogs service; a TScriptedDialogs until the application installs its own.
IDialogs& Dialogs();
void SetDialogs(std::shared_ptr<IDialogs> dialogs);

} // namespace lumexa::platform
