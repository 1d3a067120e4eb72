#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
class QToolButton;

// The title area of the borderless main window: the product name, "Home", "Popup Window", the
// language choice, and the minimise and close images. Dragging it moves the window.
namespace lumexa::core::ui {

class TTitleBar : public QWidget
{
    Q_OBJECT

public:
    explicit TTitleBar(QWidget* parent = nullptr);

    // "Home" and "Popup Window" are enabled on every page but the home page.
    void SetPageCommandsEnabled(bool enabled);

signals:
    void HomeClicked();
    void PopupClicked();
    void MinimizeClicked();
    void CloseClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    QToolButton* AddButton(const QString& objectName, const QString& icon);

    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QToolButton* m_home = nullptr;
    QToolButton* m_popup = nullptr;
    QToolButton* m_language = nullptr;
    QToolButton* m_minimize = nullptr;
    QToolButton* m_close = nullptr;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

} // namespace lumexa::core::ui
