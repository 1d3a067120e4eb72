#include "core/ui/ShellContextMenu.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>

#include "core/MessageTable.h"
#include "core/ui/FrmFileProperties.h"
#include "platform/Machine.h"
#include "platform/Shell.h"

namespace lumexa::core::ui {

std::unique_ptr<QMenu> CreateShellContextMenu(QWidget* window, const std::string& path)
{
    auto menu = std::make_unique<QMenu>(window);
    menu->setObjectName(QStringLiteral("mnuShellContext"));
    QAction* open = menu->addAction(QString::fromStdString(Msg("strLX_CAPTION501")));
    open->setObjectName(QStringLiteral("actOpen"));
    QAction* openWith = menu->addAction(QString::fromStdString(Msg("strLX_CAPTION904")));
    openWith->setObjectName(QStringLiteral("actOpenWith"));
    menu->addSeparator();
    QAction* copyPath = menu->addAction(QString::fromStdString(Msg("strLX_CAPTION905")));
    copyPath->setObjectName(QStringLiteral("actCopyPath"));
    menu->addSeparator();
    QAction* properties = menu->addAction(QString::fromStdString(Msg("strLX_CAPTION906")));
    properties->setObjectName(QStringLiteral("actProperties"));

    // The shell reports a file it cannot open itself; the menu has nothing to add.
    QObject::connect(open, &QAction::triggered, menu.get(), [path] {
        (void)platform::Machine::Current().Shell().ShellExecute("open", path);
    });
    QObject::connect(openWith, &QAction::triggered, menu.get(), [path] {
        (void)platform::Machine::Current().Shell().ShellExecute("openas", path);
    });
    QObject::connect(copyPath, &QAction::triggered, menu.get(), [path] {
        QGuiApplication::clipboard()->setText(QString::fromStdString(path));
    });
    QObject::connect(properties, &QAction::triggered, menu.get(), [path, window] {
        TFrmFileProperties dialog(path, window);
        dialog.exec();
    });
    return menu;
}

void ShowShellContextMenu(QWidget* window, int x, int y, const std::string& path)
{
    const std::unique_ptr<QMenu> menu = CreateShellContextMenu(window, path);
    const QPoint at = window ? window->mapToGlobal(QPoint(x, y)) : QPoint(x, y);
    menu->exec(at);
}

} // namespace lumexa::core::ui
