#include "core/ui/Style.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resources live in a static library, whose initialiser the linker would drop: this pulls
// it in. Q_INIT_RESOURCE must be used outside any namespace.
static void InitialiseLumexaResources()
{
    Q_INIT_RESOURCE(lumexa);
}

namespace lumexa::core::ui {

namespace {
void EnsureResources()
{
    static const bool done = [] {
        InitialiseLumexaResources();
        return true;
    }();
    (void)done;
}
} // namespace

void ApplyStyle(QApplication& application)
{
    EnsureResources();
    QFile file(QStringLiteral(":/styles/lumexa.qss"));
    if (file.open(QIODevice::ReadOnly))
        application.setStyleSheet(QString::fromUtf8(file.readAll()));
    application.setWindowIcon(SvgIcon(QStringLiteral("logo"), 64));
}

QPixmap SvgPixmap(const QString& name, int size, qreal devicePixelRatio)
{
    EnsureResources();
    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
    const int edge = qRound(size * devicePixelRatio);
    QPixmap pixmap(edge, edge);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon SvgIcon(const QString& name, int size)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0, 3.0})
        icon.addPixmap(SvgPixmap(name, size, ratio));
    return icon;
}

} // namespace lumexa::core::ui
