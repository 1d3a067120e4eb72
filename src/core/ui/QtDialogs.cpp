#include "core/ui/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "core/MessageTable.h"
#include "core/ui/MachineFileDialog.h"
#include "platform/Machine.h"

namespace lumexa::core::ui {

namespace {
// Runs `work` on the user-interface thread and waits for it.
template <typename Work> void OnUiThread(Work&& work)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(
        application, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

QWidget* DialogParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

QMessageBox::Icon ToQtIcon(platform::MessageIcon icon)
{
    switch (icon) {
    case platform::MessageIcon::Information:
        return QMessageBox::Information;
    case platform::MessageIcon::Warning:
        return QMessageBox::Warning;
    case platform::MessageIcon::Error:
        return QMessageBox::Critical;
    case platform::MessageIcon::Question:
        return QMessageBox::Question;
    case platform::MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

void AddButton(QMessageBox& box, platform::DialogResult result, const char* key, bool isDefault)
{
    QPushButton* button = box.addButton(QString::fromStdString(Msg(key)), QMessageBox::AcceptRole);
    button->setProperty("dialogResult", static_cast<int>(result));
    button->setObjectName(QStringLiteral("btnResult%1").arg(static_cast<int>(result)));
    if (isDefault)
        box.setDefaultButton(button);
}

platform::DialogResult ShowMessageBox(const platform::MessageBoxRequest& request)
{
    QMessageBox box(DialogParent());
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(QString::fromStdString(request.caption));
    box.setText(QString::fromStdString(request.text));
    box.setIcon(ToQtIcon(request.icon));
    using platform::DialogResult;
    switch (request.buttons) {
    case platform::MessageButtons::Ok:
        AddButton(box, DialogResult::Ok, "strLX_CAPTION919", true);
        break;
    case platform::MessageButtons::OkCancel:
        AddButton(box, DialogResult::Ok, "strLX_CAPTION919", true);
        AddButton(box, DialogResult::Cancel, "strLX_CAPTION920", false);
        break;
    case platform::MessageButtons::YesNo:
        AddButton(box, DialogResult::Yes, "strLX_CAPTION921", true);
        AddButton(box, DialogResult::No, "strLX_CAPTION922", false);
        break;
    case platform::MessageButtons::YesNoCancel:
        AddButton(box, DialogResult::Yes, "strLX_CAPTION921", true);
        AddButton(box, DialogResult::No, "strLX_CAPTION922", false);
        AddButton(box, DialogResult::Cancel, "strLX_CAPTION920", false);
        break;
    }
    box.exec();
    if (const QAbstractButton* clicked = box.clickedButton())
        return static_cast<DialogResult>(clicked->property("dialogResult").toInt());
    // Closed by Esc or the title bar: Windows answers IDCANCEL where there is a Cancel
    // button, and the only button of an OK box.
    switch (request.buttons) {
    case platform::MessageButtons::Ok:
        return DialogResult::Ok;
    case platform::MessageButtons::YesNo:
        return DialogResult::No;
    default:
        return DialogResult::Cancel;
    }
}

void JournalBox(const platform::MessageBoxRequest& request, platform::DialogResult result)
{
    if (platform::Machine::HasCurrent())
        platform::Machine::Current().Journal("MESSAGEBOX \"" + request.caption + "\" \"" + request.text + "\" -> " +
                                             std::to_string(static_cast<int>(result)));
}
} // namespace

platform::DialogResult TQtDialogs::MessageBox(const platform::MessageBoxRequest& request)
{
    platform::DialogResult result = platform::DialogResult::None;
    OnUiThread([&] { result = ShowMessageBox(request); });
    JournalBox(request, result);
    return result;
}

std::vector<std::string> TQtDialogs::OpenFiles(const platform::FileDialogRequest& request)
{
    std::vector<std::string> paths;
    OnUiThread([&] {
        TMachineFileDialog dialog(TFileDialogMode::Open, request, DialogParent());
        if (dialog.exec() == QDialog::Accepted)
            paths = dialog.SelectedPaths();
    });
    return paths;
}

std::optional<std::string> TQtDialogs::SaveFile(const platform::FileDialogRequest& request)
{
    std::optional<std::string> path;
    OnUiThread([&] {
        TMachineFileDialog dialog(TFileDialogMode::Save, request, DialogParent());
        if (dialog.exec() == QDialog::Accepted && !dialog.SelectedPaths().empty())
            path = dialog.SelectedPaths().front();
    });
    return path;
}

std::optional<std::string> TQtDialogs::SelectFolder(const std::string& title, const std::string& initialFolder)
{
    std::optional<std::string> path;
    OnUiThread([&] {
        platform::FileDialogRequest request;
        request.title = title;
        request.initialFolder = initialFolder;
        TMachineFileDialog dialog(TFileDialogMode::Folder, request, DialogParent());
        if (dialog.exec() == QDialog::Accepted && !dialog.SelectedPaths().empty())
            path = dialog.SelectedPaths().front();
    });
    return path;
}

} // namespace lumexa::core::ui
