#include "core/ui/SplashScreen.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>

#include "core/MessageTable.h"
#include "core/ui/Style.h"

namespace lumexa::core::ui {

namespace {
constexpr qreal CornerRadius = 20;
}

TSplashScreen::TSplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TSplashScreen"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(460, 260);
}

void TSplashScreen::ShowFor(int milliseconds)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    close();
}

void TSplashScreen::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(rect()), CornerRadius, CornerRadius);
    QLinearGradient background(0, 0, width(), height());
    background.setColorAt(0, QColor(0x16, 0x20, 0x2e));
    background.setColorAt(1, QColor(0x1d, 0x33, 0x50));
    painter.fillPath(frame, background);

    const QPixmap logo = SvgPixmap(QStringLiteral("logo"), 84, devicePixelRatioF());
    painter.drawPixmap(QPoint((width() - 84) / 2, 44), logo);
    QFont title = font();
    title.setPointSize(20);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 140, width(), 40), Qt::AlignCenter, QString::fromStdString(Msg("strLX_CAPTION500")));
    QFont subtitle = font();
    subtitle.setPointSize(10);
    painter.setFont(subtitle);
    painter.setPen(QColor(0x8f, 0xa3, 0xbd));
    painter.drawText(QRect(0, 184, width(), 24), Qt::AlignCenter, QString::fromStdString(Msg("strLX_CAPTION930")));
}

} // namespace lumexa::core::ui
