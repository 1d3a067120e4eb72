#pragma once

#include <QWidget>

// The splash window: borderless with rounded corners (radius 20), shown while the program
// starts if item 26 is set.
namespace lumexa::core::ui {

class TSplashScreen : public QWidget
{
    Q_OBJECT

public:
    explicit TSplashScreen(QWidget* parent = nullptr);
    // Shows the window for `milliseconds` while the event loop keeps running, then closes it.
    void ShowFor(int milliseconds);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lumexa::core::ui
